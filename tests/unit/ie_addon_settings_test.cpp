#include <gtest/gtest.h>

#include "ie_test_bed.h"
#include "probes/ie/ie_checks.h"

namespace orvex::testing {
namespace {

const std::string kQuennelClass = kExtSettings + "\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}";
const std::string kQuennelControl = kExtSettings + "\\{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}";
const std::string kXmlHttp = kExtSettings + "\\{88D96A0A-F192-11D4-A65F-0040963251E5}";

std::vector<std::string> run(IeBed& bed, const std::string& sid = kSid) {
    EXPECT_EQ(checkAddonSettings(bed.registry, bed.report, sid, 18), 21);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    return bed.lines();
}

TEST(AddonSettings, NonZeroFlagsSwitchTheAddonOffInByteOrderOfNames) {
    IeBed bed;
    bed.dword(kQuennelClass, "Flags", 0);
    bed.dword(kQuennelControl, "Flags", 1);
    EXPECT_EQ(run(bed), (std::vector<std::string>{
                            "18．ブラウザ設定 アドオンの管理：IQuennel Class：OK",
                            "19．ブラウザ設定 アドオンの管理：Quennel Control：NG",
                            "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：OK",
                        }));
}

TEST(AddonSettings, AnyNonZeroDwordIsNg) {
    IeBed bed;
    bed.dword(kQuennelClass, "Flags", 0x400);
    bed.dword(kQuennelControl, "Flags", 0);
    bed.dword(kXmlHttp, "Flags", 0xFFFFFFFF);
    EXPECT_EQ(run(bed), (std::vector<std::string>{
                            "18．ブラウザ設定 アドオンの管理：IQuennel Class：NG",
                            "19．ブラウザ設定 アドオンの管理：Quennel Control：OK",
                            "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：NG",
                        }));
}

TEST(AddonSettings, FlagsThatCannotBeReadAsADwordLeaveTheAddonOn) {
    IeBed bed;
    bed.string(kQuennelClass, "Flags", "1");
    bed.value(kQuennelControl, "Flags", kRegDword, {1, 0, 0, 0, 0, 0, 0, 0});  // too large: -2
    bed.value(kXmlHttp, "Flags", kRegBinary, {1, 0, 0, 0});
    bed.dword(kExtSettings, "Flags", 1);  // the parent key is nobody's setting
    const auto lines = run(bed);
    ASSERT_EQ(lines.size(), 3u);
    const std::string ok = "：OK";
    for (const std::string& line : lines) EXPECT_TRUE(endsWith(line, ok)) << line;
}

TEST(AddonSettings, NoSettingsAtAllIsOkForAllThree) {
    IeBed bed;
    bed.dword(kQuennelControl, "Flags", 1);
    EXPECT_EQ(run(bed, ""), (std::vector<std::string>{
                                "18．ブラウザ設定 アドオンの管理：IQuennel Class：OK",
                                "19．ブラウザ設定 アドオンの管理：Quennel Control：OK",
                                "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：OK",
                            }));
}

}  // namespace
}  // namespace orvex::testing
