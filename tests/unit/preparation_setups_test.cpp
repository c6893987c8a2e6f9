// Items 39 to 41: the preparation setups' versions, the native entry's first.
#include <gtest/gtest.h>

#include "probes/system/preparation_setups.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kUninstallWow = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRubena[] = "{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}";
const char kWeb[] = "{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}";
const char kSoramu[] = "{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}";

class PreparationSetupsTest : public ::testing::Test {
protected:
    void install(const std::string& entry, const std::string& version) {
        fake.setString(RegRoot::LocalMachine, entry, "DisplayVersion", version);
    }
    void installNumber(const std::string& entry) { fake.setDword(RegRoot::LocalMachine, entry, "DisplayVersion", 1); }
    Lines run() {
        checkPreparationSetups(registry, s.report);
        EXPECT_EQ(s.err.str(), "");
        EXPECT_EQ(fake.openKeys(), 0);
        return fileLines(s.file.str());
    }

    FakePlatform fake;
    Registry registry{fake};
    Streams s;
};

TEST_F(PreparationSetupsTest, NothingInstalledGivesTheThreeNotInstalledLinesInOrder) {
    EXPECT_EQ(run(), (Lines{
                         "39．ルベナ事前準備セットアップ：インストールされていません",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません",
                         "41．ソラム事前準備セットアップ：インストールされていません",
                     }));
}

TEST_F(PreparationSetupsTest, TheNativeVersionWinsAndTheThirtyTwoBitOneStandsInForAMissingOne) {
    install(kUninstall + kRubena, "1.2.3");
    installNumber(kUninstall + kWeb);  // no text: as if missing
    install(kUninstallWow + kWeb, "2.0.0");
    install(kUninstall + kSoramu, "3.1");
    install(kUninstallWow + kSoramu, "3.0");
    EXPECT_EQ(run(), (Lines{
                         "39．ルベナ事前準備セットアップ：1.2.3",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：2.0.0",
                         "41．ソラム事前準備セットアップ：3.1",
                     }));
}

TEST_F(PreparationSetupsTest, AnEmptyVersionIsInstalledButEntriesWithoutATextVersionAreNot) {
    install(kUninstall + kRubena, "");
    installNumber(kUninstall + kWeb);
    fake.addKey(RegRoot::LocalMachine, kUninstall + kSoramu);  // an entry without DisplayVersion
    installNumber(kUninstallWow + kSoramu);
    EXPECT_EQ(run(), (Lines{
                         "39．ルベナ事前準備セットアップ：",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません",
                         "41．ソラム事前準備セットアップ：インストールされていません",
                     }));
}

}  // namespace
}  // namespace orvex::testing
