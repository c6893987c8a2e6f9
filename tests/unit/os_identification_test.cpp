// Items 1 to 4, and where the failures of the OS name and version lookups go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "probes/system/os_identification.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

class OsIdentificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
        fake.osVersion.majorVersion = 10;
        fake.osVersion.minorVersion = 0;
        fake.osVersion.buildNumber = 19045;
        fake.osVersion.platformId = 2;
    }
    Lines run(const std::string& bitness = "64bit", uint16_t architecture = 9) {
        checkOsIdentification(fake, s.report, bitness, architecture);
        expectNothingOpen(fake);
        return fileLines(s.file.str());
    }
    long freed() const { return std::count(fake.calls.begin(), fake.calls.end(), "FreeLibrary"); }

    FakePlatform fake;
    Streams s;
};

TEST_F(OsIdentificationTest, TheFourItemsOfASuccessfulLookup) {
    // Each service-pack code unit keeps its low 8 bits: ı (0x131) and あ (0x3042).
    const std::u16string servicePack = u"Service Pack \u0131\u3042";
    std::copy(servicePack.begin(), servicePack.end(), fake.osVersion.servicePack);
    const Lines lines = {
        "1．OS情報 種類（名称）：Microsoft Windows 10 Pro",
        "2．OS情報 種類（バージョン）：10.0",
        "3．OS情報 ビルドバージョン：19045(Service Pack 1B)",
        "4．OS情報 bit数：64bit(9)",
    };
    EXPECT_EQ(run(), lines);
    EXPECT_EQ(consoleLines(s.out.str()), lines);
    EXPECT_EQ(s.err.str(), "");
    EXPECT_EQ(freed(), 1);

    // A service pack that fills its buffer still ends in a terminator.
    std::fill(std::begin(fake.osVersion.servicePack), std::end(fake.osVersion.servicePack), u'x');
    OsVersionRecord record;
    EXPECT_TRUE(GetVersion2(fake, s.report, record));
    EXPECT_EQ(record.size, 156u);  // that of OSVERSIONINFOA
    EXPECT_EQ(std::string(record.servicePack, strnlen(record.servicePack, sizeof(record.servicePack))),
              std::string(127, 'x'));
}

TEST_F(OsIdentificationTest, AFailedNameQueryGoesToTheErrorStreamAndAnUnloadableNtdllToTheFile) {
    fake.initializeResult = static_cast<ComStatus>(0x80010106);  // RPC_E_CHANGED_MODE
    fake.ntdllLoads = false;
    EXPECT_EQ(run("--bit", 12), (Lines{
                                    "1．OS情報 種類（名称）：",
                                    "OS情報取得に失敗しました。GetVersion240",
                                    "2．OS情報 種類（バージョン）：0.0",
                                    "3．OS情報 ビルドバージョン：0()",
                                    "4．OS情報 bit数：--bit(12)",
                                }));
    EXPECT_EQ(s.err.str(), "OS情報の取得に失敗しました。getOSName48\n");
    EXPECT_EQ(consoleLines(s.out.str()).size(), 4u);
    EXPECT_EQ(freed(), 0);
}

TEST_F(OsIdentificationTest, NoInstanceIsAnEmptyNameAndAMissingRtlGetVersionStillFreesNtdll) {
    fake.wmiObjects.clear();
    fake.hasRtlGetVersion = false;
    EXPECT_EQ(run(), (Lines{
                         "1．OS情報 種類（名称）：",
                         "OS情報取得に失敗しました。GetVersion220",
                         "2．OS情報 種類（バージョン）：0.0",
                         "3．OS情報 ビルドバージョン：0()",
                         "4．OS情報 bit数：64bit(9)",
                     }));
    EXPECT_EQ(s.err.str(), "");
    EXPECT_EQ(consoleLines(s.out.str()).size(), 4u);
    EXPECT_EQ(freed(), 1);
}

}  // namespace
}  // namespace orvex::testing
