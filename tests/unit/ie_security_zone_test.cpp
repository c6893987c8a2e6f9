// Item 17: the trusted-sites zone's level, OK only at its default, printed
// unsigned; the reader's code, signed, when the level cannot be read.
#include <gtest/gtest.h>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

Bytes littleEndian(uint32_t value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

TEST(SecurityZone, OnlyTheDefaultLevelIsOkAndAnUnreadableLevelShowsTheReadersCode) {
    const std::string zone1 = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\1";
    struct Case {
        std::string key;
        const char* name;
        uint32_t type;
        Bytes data;
        const char* text;  // after the label
    };
    const Case cases[] = {
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x11000), "OK (NO.69632)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x10500), "規定値ではありません。：(NO.66816)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x10000), "規定値ではありません。：(NO.65536)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x12000), "規定値ではありません。：(NO.73728)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x11001), "規定値ではありません。：(NO.69633)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0), "規定値ではありません。：(NO.0)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0x80000000), "規定値ではありません。：(NO.2147483648)"},
        {kZone2, "CurrentLevel", kRegDword, littleEndian(0xFFFFFFFF), "規定値ではありません。：(NO.4294967295)"},
        {zone1, "CurrentLevel", kRegDword, littleEndian(0x11000), "情報取得に失敗しました。-3"},  // no zone 2 key
        {kZone2, "MinLevel", kRegDword, littleEndian(0x11000), "情報取得に失敗しました。-3"},
        {kZone2, "CurrentLevel", kRegSz, {'6', '9', '6', '3', '2', 0}, "情報取得に失敗しました。-3"},
        {kZone2, "CurrentLevel", kRegBinary, littleEndian(0x11000), "情報取得に失敗しました。-3"},
        {kZone2, "CurrentLevel", kRegDword, {0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, "情報取得に失敗しました。-2"},
    };
    for (const Case& c : cases) {
        IeBed bed;
        bed.value(c.key, c.name, c.type, c.data);
        const std::string line = std::string("17．ブラウザ設定 セキュリティゾーン：") + c.text;
        EXPECT_EQ(bed.run(checkSecurityZone), Lines{line});
    }
}

}  // namespace
}  // namespace orvex::testing
