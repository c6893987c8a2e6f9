// Items 8-16: a host is trusted only by a four-byte 2 under its own scheme in
// its own key.
#include <gtest/gtest.h>

#include <set>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

// The nine lines in the table's order; a key named in set is reported as set.
Lines trustedLines(const std::set<std::string>& set) {
    const std::pair<const char*, const char*> rows[] = {
        {"https", "orvex.example\\www.efile"},  {"http", "orvex.example\\dl.efile"},
        {"https", "orvex.example\\start.efile"}, {"https", "orvex.example\\recv.efile"},
        {"https", "orvex.example\\calc.assist"}, {"https", "citizenportal.example\\idf"},
        {"https", "citizenportal.example\\img"}, {"https", "citizenportal.example\\svc"},
        {"https", "citizenportal.example"},
    };
    Lines lines;
    int item = 8;
    for (const auto& [scheme, key] : rows)
        lines.push_back(std::to_string(item++) + "．ブラウザ設定 信頼済みサイトの設定(" + scheme + ")取得結果：" +
                        kDomains + "\\" + key + (set.count(key) ? " 設定されています。" : " 設定されていません。"));
    return lines;
}

TEST(TrustedSites, OnlyZoneTwoAsAFourByteDwordCounts) {
    IeBed bed;
    bed.dword(kAgency + "\\www.efile", "https", 1);  // local intranet
    bed.dword(kAgency + "\\dl.efile", "http", 2);
    bed.dword(kAgency + "\\start.efile", "https", 4);  // restricted
    bed.dword(kAgency + "\\recv.efile", "HTTPS", 2);   // value names ignore case, as on Windows
    bed.dword(kAgency + "\\calc.assist", "https", 3);  // internet
    bed.dword(kPortal + "\\idf", "https", 2);          // not the portal domain's own row
    bed.value(kPortal + "\\img", "https", kRegSz, {'2', 0});
    bed.value(kPortal + "\\svc", "https", kRegBinary, {2, 0, 0, 0});
    EXPECT_EQ(bed.run(checkTrustedSites),
              trustedLines({"orvex.example\\dl.efile", "orvex.example\\recv.efile", "citizenportal.example\\idf"}));
}

TEST(TrustedSites, OnlyTheRowsOwnSchemeInTheHostsOwnKeyIsRead) {
    IeBed bed;
    bed.dword(kAgency + "\\www.efile", "http", 2);    // the other scheme
    bed.dword(kAgency + "\\dl.efile", "https", 2);    // the other scheme
    bed.dword(kAgency + "\\start.efile", "*", 2);     // every scheme
    bed.value(kAgency + "\\recv.efile", "https", kRegDword, {2, 0, 0, 0, 0, 0, 0, 0});  // too large
    bed.dword(kAgency + "\\efile\\www", "https", 2);  // a two-label prefix is one key name, not nested keys
    bed.dword(kAgency + "\\assist\\calc", "https", 2);
    bed.dword(kAgency, "https", 2);                   // the agency domain is none of its hosts
    bed.value(kPortal + "\\svc", "https", kRegQword, {2, 0, 0, 0, 0, 0, 0, 0});
    bed.dword(kPortal, "https", 2);                   // the portal domain's own row, not its hosts
    EXPECT_EQ(bed.run(checkTrustedSites), trustedLines({"citizenportal.example"}));
}

}  // namespace
}  // namespace orvex::testing
