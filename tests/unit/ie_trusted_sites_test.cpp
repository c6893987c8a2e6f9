#include <gtest/gtest.h>

#include "ie_test_bed.h"
#include "probes/ie/ie_checks.h"

namespace orvex::testing {
namespace {

const std::string kAgency = kDomains + "\\orvex.example";
const std::string kPortal = kDomains + "\\citizenportal.example";

// Every host mapped to zone 2 under its own scheme.
void trustAll(IeBed& bed) {
    for (const char* prefix : {"\\www.efile", "\\start.efile", "\\recv.efile", "\\calc.assist"})
        bed.dword(kAgency + prefix, "https", 2);
    bed.dword(kAgency + "\\dl.efile", "http", 2);
    for (const char* prefix : {"\\idf", "\\img", "\\svc", ""}) bed.dword(kPortal + prefix, "https", 2);
}

std::string line(int item, const std::string& scheme, const std::string& key, bool set) {
    return std::to_string(item) + "．ブラウザ設定 信頼済みサイトの設定(" + scheme + ")取得結果：" + kDomains + key +
           (set ? " 設定されています。" : " 設定されていません。");
}

TEST(TrustedSites, OnlyZoneTwoCounts) {
    IeBed bed;
    trustAll(bed);
    bed.dword(kAgency + "\\www.efile", "https", 1);  // local intranet
    bed.dword(kAgency + "\\dl.efile", "http", 4);    // restricted
    bed.dword(kPortal, "https", 3);                  // internet
    checkTrustedSites(bed.registry, bed.report, kSid, 8);
    const auto lines = bed.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], line(8, "https", "\\orvex.example\\www.efile", false));
    EXPECT_EQ(lines[1], line(9, "http", "\\orvex.example\\dl.efile", false));
    EXPECT_EQ(lines[2], line(10, "https", "\\orvex.example\\start.efile", true));
    EXPECT_EQ(lines[8], line(16, "https", "\\citizenportal.example", false));
}

TEST(TrustedSites, OnlyTheRowsOwnSchemeIsRead) {
    IeBed bed;
    bed.dword(kAgency + "\\www.efile", "http", 2);    // the other scheme
    bed.dword(kAgency + "\\dl.efile", "https", 2);    // the other scheme
    bed.dword(kAgency + "\\start.efile", "*", 2);     // every scheme
    bed.dword(kAgency + "\\recv.efile", "HTTPS", 2);  // value names ignore case, as on Windows
    checkTrustedSites(bed.registry, bed.report, kSid, 8);
    const auto lines = bed.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], line(8, "https", "\\orvex.example\\www.efile", false));
    EXPECT_EQ(lines[1], line(9, "http", "\\orvex.example\\dl.efile", false));
    EXPECT_EQ(lines[2], line(10, "https", "\\orvex.example\\start.efile", false));
    EXPECT_EQ(lines[3], line(11, "https", "\\orvex.example\\recv.efile", true));
}

TEST(TrustedSites, ZoneMustBeAFourByteDword) {
    IeBed bed;
    bed.string(kAgency + "\\www.efile", "https", "2");
    bed.value(kAgency + "\\dl.efile", "http", kRegDword, {2, 0, 0, 0, 0, 0, 0, 0});  // too large: -2
    bed.value(kAgency + "\\start.efile", "https", kRegBinary, {2, 0, 0, 0});
    bed.value(kAgency + "\\recv.efile", "https", kRegQword, {2, 0, 0, 0, 0, 0, 0, 0});
    checkTrustedSites(bed.registry, bed.report, kSid, 8);
    const auto lines = bed.lines();
    ASSERT_EQ(lines.size(), 9u);
    for (int row = 0; row < 4; ++row) EXPECT_NE(lines[row].find(" 設定されていません。"), std::string::npos) << row;
}

TEST(TrustedSites, TwoLabelPrefixIsOneKeyNameNotNestedKeys) {
    IeBed bed;
    bed.dword(kAgency + "\\efile\\www", "https", 2);
    bed.dword(kAgency + "\\assist\\calc", "https", 2);
    checkTrustedSites(bed.registry, bed.report, kSid, 8);
    const auto lines = bed.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], line(8, "https", "\\orvex.example\\www.efile", false));
    EXPECT_EQ(lines[4], line(12, "https", "\\orvex.example\\calc.assist", false));
}

TEST(TrustedSites, PortalDomainAndItsHostsDoNotStandInForEachOther) {
    IeBed bed;
    bed.dword(kPortal + "\\idf", "https", 2);
    bed.dword(kAgency, "https", 2);  // the agency domain itself is not one of the hosts
    checkTrustedSites(bed.registry, bed.report, kSid, 8);
    auto lines = bed.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], line(8, "https", "\\orvex.example\\www.efile", false));
    EXPECT_EQ(lines[5], line(13, "https", "\\citizenportal.example\\idf", true));
    EXPECT_EQ(lines[8], line(16, "https", "\\citizenportal.example", false));

    IeBed other;
    other.dword(kPortal, "https", 2);
    checkTrustedSites(other.registry, other.report, kSid, 8);
    lines = other.lines();
    EXPECT_EQ(lines[5], line(13, "https", "\\citizenportal.example\\idf", false));
    EXPECT_EQ(lines[8], line(16, "https", "\\citizenportal.example", true));
}

}  // namespace
}  // namespace orvex::testing
