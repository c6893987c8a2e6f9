// Item 21: NG when the user's compatibility-view list holds the agency domain
// as the list stores a site, a 16-bit count and then UTF-16LE, at any byte
// offset; nothing else is NG.
#include <gtest/gtest.h>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

const std::string kOk = "21．ブラウザ設定 互換表示設定：OK";
const std::string kNg = "21．ブラウザ設定 互換表示設定：NG（orvex.exampleが登録されています）";

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(CompatibilityView, TheStoredAgencyDomainAnywhereInTheListIsNg) {
    const Bytes needle = {13, 0, 'o', 0, 'r', 0, 'v', 0, 'e', 0, 'x', 0, '.', 0,
                          'e', 0, 'x', 0, 'a', 0, 'm', 0, 'p', 0, 'l', 0, 'e', 0};
    const Bytes narrow = {13, 0, 'o', 'r', 'v', 'e', 'x', '.', 'e', 'x', 'a', 'm', 'p', 'l', 'e'};
    const std::pair<Bytes, bool> lists[] = {
        {compatibilityList({"legacy-tax.example", "orvex.example", "intranet.example"}), true},
        {compatibilityList({"orvex.example"}), true},
        {compatibilityList({"legacy-tax.example", "www.orvex.example", "Orvex.example", "orvex.example.net",
                            "intranet.example"}),
         false},
        {compatibilityList({}), false},
        {needle, true},                                    // exactly the needle
        {joined({{0x07}, needle, {0, 0, 0}}), true},       // at an odd offset
        {joined({{1, 2, 3, 4, 5}, needle}), true},         // ending at the last byte
        {joined({needle, needle}), true},
        {Bytes(needle.begin(), needle.end() - 1), false},  // one byte short
        {Bytes(needle.begin() + 1, needle.end()), false},  // count cut off
        {storedDomain("ORVEX.EXAMPLE"), false},
        {storedDomain("www.orvex.example"), false},
        {joined({{13, 1}, Bytes(needle.begin() + 2, needle.end())}), false},  // count 269
        {joined({narrow, Bytes(16, 0)}), false},                            // 8-bit characters
        {{}, false},
    };
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        SCOPED_TRACE(i);
        IeBed bed;
        bed.binary(kClearable, "UserFilter", lists[i].first);
        EXPECT_EQ(bed.run(checkCompatibilityView), Lines{lists[i].second ? kNg : kOk});
    }

    IeBed unreadable;  // the domain, but in no binary UserFilter value
    unreadable.value(kClearable, "UserFilter", kRegSz, joined({needle, {0, 0}}));
    unreadable.binary(kClearable, "UserFilterOld", needle);
    EXPECT_EQ(unreadable.run(checkCompatibilityView), Lines{kOk});
}

}  // namespace
}  // namespace orvex::testing
