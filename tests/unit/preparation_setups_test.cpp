// Items 39 to 41: the preparation setups' versions, native view first.
#include <gtest/gtest.h>

#include "probes/system/preparation_setups.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kUninstallWow[] = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRubena[] = "{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}";
const char kWeb[] = "{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}";
const char kSoramu[] = "{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}";

class PreparationSetupsTest : public ::testing::Test {
protected:
    void install(const char* root, const char* product, const std::string& version) {
        fake.setString(RegRoot::LocalMachine, std::string(root) + product, "DisplayVersion", version);
    }
    std::vector<std::string> run(int firstItem = 39) {
        EXPECT_EQ(checkPreparationSetups(registry, s.report, firstItem), firstItem + 3);
        EXPECT_EQ(s.err.str(), "");
        EXPECT_EQ(fake.openKeys(), 0);
        return fileLines(s.file.str());
    }

    FakePlatform fake;
    Registry registry{fake};
    Streams s;
};

TEST_F(PreparationSetupsTest, NothingInstalledGivesTheThreeNotInstalledLinesInOrder) {
    EXPECT_EQ(run(), (std::vector<std::string>{
                         "39．ルベナ事前準備セットアップ：インストールされていません",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません",
                         "41．ソラム事前準備セットアップ：インストールされていません",
                     }));
}

TEST_F(PreparationSetupsTest, NativeFirstThenThe32BitViewAndTheNativeVersionWins) {
    install(kUninstall, kRubena, "1.2.3");
    install(kUninstallWow, kWeb, "2.0.0");
    install(kUninstall, kSoramu, "3.1");
    install(kUninstallWow, kSoramu, "3.0");
    EXPECT_EQ(run(), (std::vector<std::string>{
                         "39．ルベナ事前準備セットアップ：1.2.3",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：2.0.0",
                         "41．ソラム事前準備セットアップ：3.1",
                     }));
}

TEST_F(PreparationSetupsTest, EmptyVersionIsInstalledButUnusableValuesAreNot) {
    install(kUninstall, kRubena, "");
    fake.setDword(RegRoot::LocalMachine, std::string(kUninstall) + kWeb, "DisplayVersion", 0x01020003);
    fake.addKey(RegRoot::LocalMachine, std::string(kUninstall) + kSoramu);  // entry without DisplayVersion
    fake.setDword(RegRoot::LocalMachine, std::string(kUninstallWow) + kSoramu, "DisplayVersion", 1);
    EXPECT_EQ(run(), (std::vector<std::string>{
                         "39．ルベナ事前準備セットアップ：",
                         "40．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません",
                         "41．ソラム事前準備セットアップ：インストールされていません",
                     }));
}

TEST_F(PreparationSetupsTest, ARegDwordNativeValueFallsBackToThe32BitView) {
    fake.setDword(RegRoot::LocalMachine, std::string(kUninstall) + kRubena, "DisplayVersion", 1);
    install(kUninstallWow, kRubena, "1.0");
    EXPECT_EQ(run().at(0), "39．ルベナ事前準備セットアップ：1.0");
}

TEST_F(PreparationSetupsTest, NumbersFollowTheGivenFirstItem) {
    auto lines = run(8);
    EXPECT_EQ(lines.at(0), "8．ルベナ事前準備セットアップ：インストールされていません");
    EXPECT_EQ(lines.at(2), "10．ソラム事前準備セットアップ：インストールされていません");
}

}  // namespace
}  // namespace orvex::testing
