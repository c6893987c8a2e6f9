// Items 22-30: a host is allowed only by two zero bytes under its own full
// name; the lines follow the pop-up order, with the reception host eighth.
#include <gtest/gtest.h>

#include <set>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

Lines popupLines(const std::set<std::string>& allowed) {
    const char* const hosts[] = {"www.efile.orvex.example",   "dl.efile.orvex.example",    "start.efile.orvex.example",
                                 "calc.assist.orvex.example", "idf.citizenportal.example", "img.citizenportal.example",
                                 "svc.citizenportal.example", "recv.efile.orvex.example",  "citizenportal.example"};
    Lines lines;
    int item = 22;
    for (const std::string host : hosts)
        lines.push_back(std::to_string(item++) + "．ブラウザ設定 ポップアップブロック設定：" + host +
                        (allowed.count(host) ? "：OK" : "：NG"));
    return lines;
}

TEST(PopupAllowList, OnlyTwoZeroBytesUnderTheHostsOwnNameAllowIt) {
    IeBed bed;
    bed.binary(kAllow, "www.efile.orvex.example", {1, 0});
    bed.binary(kAllow, "dl.efile.orvex.example", {});
    bed.binary(kAllow, "start.efile.orvex.example", {0});
    bed.binary(kAllow, "calc.assist.orvex.example", {0, 0, 0});
    bed.binary(kAllow, "idf.citizenportal.example", {0, 0});
    bed.value(kAllow, "img.citizenportal.example", kRegSz, {0, 0});
    bed.binary(kAllow, "svc.citizenportal.example", {0, 1});
    bed.binary(kAllow, "recv.efile.orvex.example", {0, 0});
    bed.value(kAllow, "citizenportal.example", kRegDword, {0, 0, 0, 0});  // not covered by its allowed host
    EXPECT_EQ(bed.run(checkPopupAllowList), popupLines({"idf.citizenportal.example", "recv.efile.orvex.example"}));

    IeBed parents;  // parent domains allowed, none of the hosts: they cover nothing but themselves
    for (const char* parent : {"orvex.example", "efile.orvex.example", "assist.orvex.example", "*.orvex.example",
                               "citizenportal.example"})
        parents.binary(kAllow, parent, {0, 0});
    EXPECT_EQ(parents.run(checkPopupAllowList), popupLines({"citizenportal.example"}));
}

}  // namespace
}  // namespace orvex::testing
