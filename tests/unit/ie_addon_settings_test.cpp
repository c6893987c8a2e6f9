// Items 18-20: an add-on is switched off only by a readable non-zero DWORD
// "Flags" in its own key; the lines follow the byte order of the names.
#include <gtest/gtest.h>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

Lines addonLines(const char* quennelClass, const char* quennelControl, const char* xmlHttp) {
    return {std::string("18．ブラウザ設定 アドオンの管理：IQuennel Class：") + quennelClass,
            std::string("19．ブラウザ設定 アドオンの管理：Quennel Control：") + quennelControl,
            std::string("20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：") + xmlHttp};
}

TEST(AddonSettings, OnlyAReadableNonZeroDwordSwitchesAnAddonOff) {
    // Every add-on has its own pair of verdicts across the three hives: each
    // line reads its own key.
    IeBed off;
    off.dword(kQuennelClass, "Flags", 0x400);  // any non-zero value, not only the lowest bit
    off.dword(kQuennelControl, "Flags", 1);
    off.dword(kXmlHttp, "Flags", 0);
    EXPECT_EQ(off.run(checkAddonSettings), addonLines("NG", "NG", "OK"));

    IeBed mixed;
    mixed.dword(kQuennelClass, "Flags", 0xFFFFFFFF);
    mixed.value(kQuennelControl, "Flags", kRegSz, {'1', 0});
    mixed.dword(kXmlHttp, "Flags", 1);
    EXPECT_EQ(mixed.run(checkAddonSettings), addonLines("NG", "OK", "NG"));

    IeBed unreadable;  // no Flags that read as a DWORD: every add-on stays on
    unreadable.value(kQuennelClass, "Flags", kRegDword, {1, 0, 0, 0, 0, 0, 0, 0});  // too large
    unreadable.value(kXmlHttp, "Flags", kRegBinary, {1, 0, 0, 0});
    unreadable.dword(kExtSettings, "Flags", 1);  // the parent key is nobody's setting
    EXPECT_EQ(unreadable.run(checkAddonSettings), addonLines("OK", "OK", "OK"));
}

}  // namespace
}  // namespace orvex::testing
