#include <gtest/gtest.h>

#include "ie_test_bed.h"
#include "probes/ie/ie_checks.h"
#include "probes/ie/service_hosts.h"

namespace orvex::testing {
namespace {

const std::string kOk = "21．ブラウザ設定 互換表示設定：OK";
const std::string kNg = "21．ブラウザ設定 互換表示設定：NG（orvex.exampleが登録されています）";

std::string run(IeBed& bed, const std::string& sid = kSid) {
    EXPECT_EQ(checkCompatibilityView(bed.registry, bed.report, sid, 21), 22);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    const auto lines = bed.lines();
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? std::string() : lines[0];
}

std::string withUserFilter(const Bytes& value) {
    IeBed bed;
    bed.binary(kClearable, "UserFilter", value);
    return run(bed);
}

TEST(CompatibilityView, NeedleIsTheCountThenTheAgencyDomainInUtf16) {
    const Bytes expected = {13, 0, 'o', 0, 'r', 0, 'v', 0, 'e', 0, 'x', 0, '.', 0,
                            'e', 0, 'x', 0, 'a', 0, 'm', 0, 'p', 0, 'l', 0, 'e', 0};
    EXPECT_EQ(compatibilityNeedle(), expected);
    EXPECT_EQ(storedDomain("orvex.example"), expected);
}

TEST(CompatibilityView, RealListWithTheAgencyDomainAmongOthersIsNg) {
    EXPECT_EQ(withUserFilter(compatibilityList({"legacy-tax.example", "orvex.example", "intranet.example"})), kNg);
    EXPECT_EQ(withUserFilter(compatibilityList({"orvex.example"})), kNg);
}

TEST(CompatibilityView, RealListWithoutTheAgencyDomainIsOk) {
    EXPECT_EQ(withUserFilter(compatibilityList({"legacy-tax.example", "www.orvex.example", "Orvex.example",
                                                "orvex.example.net", "intranet.example"})),
              kOk);
    EXPECT_EQ(withUserFilter(compatibilityList({})), kOk);
}

TEST(CompatibilityView, EveryByteOffsetIsSearched) {
    const Bytes needle = storedDomain("orvex.example");
    EXPECT_EQ(withUserFilter(joined({{0x07}, needle, {0, 0, 0}})), kNg);   // odd offset
    EXPECT_EQ(withUserFilter(joined({{1, 2, 3, 4, 5}, needle})), kNg);     // ends at the last byte
    EXPECT_EQ(withUserFilter(needle), kNg);                                // exactly the needle
    EXPECT_EQ(withUserFilter(joined({needle, needle})), kNg);
}

TEST(CompatibilityView, NearMissesAreOk) {
    const Bytes needle = storedDomain("orvex.example");
    EXPECT_EQ(withUserFilter(Bytes(needle.begin(), needle.end() - 1)), kOk);        // one byte short
    EXPECT_EQ(withUserFilter(Bytes(needle.begin() + 1, needle.end())), kOk);        // count cut off
    EXPECT_EQ(withUserFilter(storedDomain("ORVEX.EXAMPLE")), kOk);                   // other letter case
    EXPECT_EQ(withUserFilter(storedDomain("www.orvex.example")), kOk);               // longer host name
    EXPECT_EQ(withUserFilter(joined({{13, 1}, Bytes(needle.begin() + 2, needle.end())})), kOk);  // count 269
    EXPECT_EQ(withUserFilter({}), kOk);
    Bytes narrow = {13, 0};
    narrow.insert(narrow.end(), kAgencyDomain.begin(), kAgencyDomain.end());  // 8-bit characters
    EXPECT_EQ(withUserFilter(joined({narrow, Bytes(16, 0)})), kOk);
}

TEST(CompatibilityView, UnreadableListIsOk) {
    {
        IeBed bed;
        bed.value(kClearable, "UserFilter", kRegSz, joined({storedDomain("orvex.example"), {0, 0}}));
        EXPECT_EQ(run(bed), kOk);
    }
    {
        IeBed bed;  // the list under another value name
        bed.binary(kClearable, "UserFilterOld", storedDomain("orvex.example"));
        EXPECT_EQ(run(bed), kOk);
    }
    {
        IeBed bed;
        bed.binary(kClearable, "UserFilter", storedDomain("orvex.example"));
        EXPECT_EQ(run(bed, ""), kOk);
    }
}

}  // namespace
}  // namespace orvex::testing
