#include <gtest/gtest.h>

#include "ie_test_bed.h"
#include "probes/ie/ie_checks.h"

namespace orvex::testing {
namespace {

std::string zoneLine(IeBed& bed, const std::string& sid = kSid) {
    EXPECT_EQ(checkSecurityZone(bed.registry, bed.report, sid, 17), 18);
    const auto lines = bed.lines();
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    return lines.empty() ? std::string() : lines[0];
}

std::string levelLine(uint32_t level) {
    IeBed bed;
    bed.dword(kZone2, "CurrentLevel", level);
    return zoneLine(bed);
}

TEST(SecurityZone, OnlyTheDefaultLevelIsOk) {
    EXPECT_EQ(levelLine(0x11000), "17．ブラウザ設定 セキュリティゾーン：OK (NO.69632)");
    EXPECT_EQ(levelLine(0x10500), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.66816)");
    EXPECT_EQ(levelLine(0x10000), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.65536)");
    EXPECT_EQ(levelLine(0x12000), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.73728)");
    EXPECT_EQ(levelLine(0x11001), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.69633)");
    EXPECT_EQ(levelLine(0), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.0)");
}

TEST(SecurityZone, LevelPrintsUnsigned) {
    EXPECT_EQ(levelLine(0xFFFFFFFF), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.4294967295)");
    EXPECT_EQ(levelLine(0x80000000), "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.2147483648)");
}

TEST(SecurityZone, FailedReadPrintsTheSignedCode) {
    const std::string failed = "17．ブラウザ設定 セキュリティゾーン：情報取得に失敗しました。";
    {
        IeBed bed;  // no zone key
        bed.dword("\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\1", "CurrentLevel", 0x11000);
        EXPECT_EQ(zoneLine(bed), failed + "-3");
    }
    {
        IeBed bed;  // key without the value
        bed.dword(kZone2, "MinLevel", 0x10000);
        EXPECT_EQ(zoneLine(bed), failed + "-3");
    }
    {
        IeBed bed;
        bed.string(kZone2, "CurrentLevel", "69632");
        EXPECT_EQ(zoneLine(bed), failed + "-3");
    }
    {
        IeBed bed;
        bed.value(kZone2, "CurrentLevel", kRegBinary, {0x00, 0x10, 0x01, 0x00});
        EXPECT_EQ(zoneLine(bed), failed + "-3");
    }
    {
        IeBed bed;  // a DWORD with eight bytes of data
        bed.value(kZone2, "CurrentLevel", kRegDword, {0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
        EXPECT_EQ(zoneLine(bed), failed + "-2");
    }
    {
        IeBed bed;
        bed.dword(kZone2, "CurrentLevel", 0x11000);
        EXPECT_EQ(zoneLine(bed, ""), failed + "-3");
    }
}

}  // namespace
}  // namespace orvex::testing
