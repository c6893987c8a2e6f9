#include <gtest/gtest.h>

#include "ie_test_bed.h"
#include "probes/ie/ie_checks.h"

namespace orvex::testing {
namespace {

const char* const kHosts[] = {"www.efile.orvex.example", "dl.efile.orvex.example", "start.efile.orvex.example",
                              "recv.efile.orvex.example", "calc.assist.orvex.example", "idf.citizenportal.example",
                              "img.citizenportal.example", "svc.citizenportal.example", "citizenportal.example"};

void allowAll(IeBed& bed) {
    for (const char* host : kHosts) bed.binary(kAllow, host, {0, 0});
}

std::vector<std::string> run(IeBed& bed, const std::string& sid = kSid) {
    EXPECT_EQ(checkPopupAllowList(bed.registry, bed.report, sid, 22), 31);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    return bed.lines();
}

std::string line(int item, const std::string& host, bool ok) {
    return std::to_string(item) + "．ブラウザ設定 ポップアップブロック設定：" + host + (ok ? "：OK" : "：NG");
}

TEST(PopupAllowList, OnlyExactlyTwoZeroBytesAllow) {
    IeBed bed;
    allowAll(bed);
    bed.binary(kAllow, "www.efile.orvex.example", {1, 0});
    bed.binary(kAllow, "dl.efile.orvex.example", {});
    bed.binary(kAllow, "start.efile.orvex.example", {0});
    bed.binary(kAllow, "calc.assist.orvex.example", {0, 0, 0});
    bed.value(kAllow, "idf.citizenportal.example", kRegDword, {0, 0, 0, 0});
    bed.value(kAllow, "img.citizenportal.example", kRegSz, {0, 0});
    bed.binary(kAllow, "svc.citizenportal.example", {0, 1});
    const auto lines = run(bed);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], line(22, "www.efile.orvex.example", false));
    EXPECT_EQ(lines[1], line(23, "dl.efile.orvex.example", false));
    EXPECT_EQ(lines[2], line(24, "start.efile.orvex.example", false));
    EXPECT_EQ(lines[3], line(25, "calc.assist.orvex.example", false));
    EXPECT_EQ(lines[4], line(26, "idf.citizenportal.example", false));
    EXPECT_EQ(lines[5], line(27, "img.citizenportal.example", false));
    EXPECT_EQ(lines[6], line(28, "svc.citizenportal.example", false));
    EXPECT_EQ(lines[7], line(29, "recv.efile.orvex.example", true));
    EXPECT_EQ(lines[8], line(30, "citizenportal.example", true));
}

TEST(PopupAllowList, ParentDomainDoesNotCoverItsHosts) {
    IeBed bed;
    for (const char* parent : {"orvex.example", "efile.orvex.example", "assist.orvex.example", "*.orvex.example"})
        bed.binary(kAllow, parent, {0, 0});
    bed.binary(kAllow, "citizenportal.example", {0, 0});
    const auto lines = run(bed);
    ASSERT_EQ(lines.size(), 9u);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(endsWith(lines[i], "：NG")) << lines[i];
    EXPECT_EQ(lines[8], line(30, "citizenportal.example", true));

    IeBed hostsOnly;
    hostsOnly.binary(kAllow, "idf.citizenportal.example", {0, 0});
    EXPECT_EQ(run(hostsOnly)[8], line(30, "citizenportal.example", false));
}

TEST(PopupAllowList, NothingReadableIsNgForAllNine) {
    IeBed bed;
    allowAll(bed);
    const auto lines = run(bed, "");
    ASSERT_EQ(lines.size(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(endsWith(lines[i], "：NG")) << lines[i];
    EXPECT_EQ(lines[7], line(29, "recv.efile.orvex.example", false));
}

}  // namespace
}  // namespace orvex::testing
