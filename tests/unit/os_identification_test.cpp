// Items 1 to 4 and the failure lines of the OS name and version lookups,
// each on its own stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "probes/system/os_identification.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

void setServicePack(FakePlatform& fake, const std::u16string& text) {
    std::copy(text.begin(), text.end(), fake.osVersion.servicePack);
}

class OsIdentificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
        fake.osVersion.majorVersion = 10;
        fake.osVersion.minorVersion = 0;
        fake.osVersion.buildNumber = 19045;
        fake.osVersion.platformId = 2;
    }
    std::vector<std::string> run(const std::string& bitness = "64bit", uint16_t architecture = 9) {
        EXPECT_EQ(checkOsIdentification(fake, s.report, bitness, architecture, 1), 5);
        return fileLines(s.file.str());
    }

    FakePlatform fake;
    Streams s;
};

TEST_F(OsIdentificationTest, WritesTheFourItems) {
    setServicePack(fake, u"Service Pack 1");
    EXPECT_EQ(run(), (std::vector<std::string>{
                         "1．OS情報 種類（名称）：Microsoft Windows 10 Pro",
                         "2．OS情報 種類（バージョン）：10.0",
                         "3．OS情報 ビルドバージョン：19045(Service Pack 1)",
                         "4．OS情報 bit数：64bit(9)",
                     }));
    EXPECT_EQ(s.out.str(), "1．OS情報 種類（名称）：Microsoft Windows 10 Pro\n2．OS情報 種類（バージョン）：10.0\n"
                           "3．OS情報 ビルドバージョン：19045(Service Pack 1)\n4．OS情報 bit数：64bit(9)\n");
    EXPECT_EQ(s.err.str(), "");
}

TEST_F(OsIdentificationTest, AFailedNameQueryGoesToTheErrorStreamOnly) {
    fake.initializeResult = static_cast<ComStatus>(0x80010106);  // RPC_E_CHANGED_MODE
    auto lines = run("--bit", 12);
    EXPECT_EQ(s.err.str(), "OS情報の取得に失敗しました。getOSName48\n");
    EXPECT_EQ(lines.at(0), "1．OS情報 種類（名称）：");
    EXPECT_EQ(lines.at(3), "4．OS情報 bit数：--bit(12)");
    EXPECT_EQ(lines.size(), 4u);
}

TEST_F(OsIdentificationTest, NoInstanceGivesAnEmptyNameAndNoFailureLine) {
    fake.wmiObjects.clear();
    EXPECT_EQ(run().at(0), "1．OS情報 種類（名称）：");
    EXPECT_EQ(s.err.str(), "");
}

TEST_F(OsIdentificationTest, MissingRtlGetVersionWritesLine20ToTheFileOnlyAndZeros) {
    fake.hasRtlGetVersion = false;
    auto lines = run();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "OS情報取得に失敗しました。GetVersion220");
    EXPECT_EQ(lines[2], "2．OS情報 種類（バージョン）：0.0");
    EXPECT_EQ(lines[3], "3．OS情報 ビルドバージョン：0()");
    EXPECT_EQ(s.err.str(), "");
    EXPECT_EQ(s.out.str().find("GetVersion2"), std::string::npos);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "FreeLibrary"), 1);
}

TEST_F(OsIdentificationTest, UnloadableNtdllWritesLine40AndFreesNothing) {
    fake.ntdllLoads = false;
    auto lines = run();
    EXPECT_EQ(lines.at(1), "OS情報取得に失敗しました。GetVersion240");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "FreeLibrary"), 0);
}

TEST_F(OsIdentificationTest, AFailedResultFileDropsTheVersionFailureLine) {
    fake.ntdllLoads = false;
    s.file.setstate(std::ios::failbit);
    run();
    EXPECT_EQ(s.file.str(), "");
    EXPECT_EQ(s.err.str(), "");
    EXPECT_NE(s.out.str().find("2．OS情報 種類（バージョン）：0.0\n"), std::string::npos);
}

TEST_F(OsIdentificationTest, ServicePackKeepsTheLowEightBitsAndItsTerminator) {
    setServicePack(fake, u"SP\u0131\u3042");  // ı and あ: 0x31 and 0x42
    EXPECT_EQ(run().at(2), "3．OS情報 ビルドバージョン：19045(SP1B)");

    FakePlatform full;
    std::fill(std::begin(full.osVersion.servicePack), std::end(full.osVersion.servicePack), u'x');
    Streams t;
    OsVersionRecord record;
    EXPECT_TRUE(GetVersion2(full, t.report, record));
    EXPECT_EQ(record.size, 156u);
    EXPECT_EQ(std::string(record.servicePack, strnlen(record.servicePack, sizeof(record.servicePack))),
              std::string(127, 'x'));
    EXPECT_EQ(full.calls, (std::vector<std::string>{"LoadLibrary(ntdll.dll)", "GetProcAddress(RtlGetVersion)",
                                                    "RtlGetVersion", "FreeLibrary"}));
}

}  // namespace
}  // namespace orvex::testing
