// How the extension's entry turns into "on", "off", not installed and a
// version: one document as Chrome's Preferences, the three others absent.
#include "chromium_test_bed.h"

namespace orvex::testing {
namespace {

struct ValueCase {
    const char* name;
    std::string document;
    std::string state;    // item 31
    std::string version;  // item 33
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }

class ChromiumValueRules : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ChromiumValueRules, ItemsThirtyOneAndThirtyThree) {
    LocalAppDataDir dir;
    dir.write(ChromePreferences, GetParam().document);
    EXPECT_EQ(runProbe(dir), chromePreferencesReport(GetParam().state, GetParam().version));
}

const std::string kV = R"("manifest": {"version": "1.0.3"})";

INSTANTIATE_TEST_SUITE_P(State, ChromiumValueRules, ::testing::Values(
    ValueCase{"one", withEntry(R"({"state": 1, )" + kV + "}"), "on", "1.0.3"},
    ValueCase{"zero", withEntry(R"({"state": 0, )" + kV + "}"), "off", "1.0.3"},
    ValueCase{"two", withEntry(R"({"state": 2, )" + kV + "}"), kNot, "1.0.3"},
    ValueCase{"oneNine", withEntry(R"({"state": 1.9})"), "on", "-"},
    ValueCase{"minusPointSeven", withEntry(R"({"state": -0.7})"), "off", "-"},
    ValueCase{"threeE9", withEntry(R"({"state": 3e9})"), kNot, "-"},
    ValueCase{"twoPow32PlusOne", withEntry(R"({"state": 4294967297})"), kNot, "-"},
    ValueCase{"belowInt32", withEntry(R"({"state": -2147483649})"), kNot, "-"},
    ValueCase{"exponentOne", withEntry(R"({"state": 1e0})"), "on", "-"},
    ValueCase{"missingWithManifest", withEntry("{" + kV + "}"), kNot, "1.0.3"},
    ValueCase{"emptyEntry", withEntry("{}"), kNot, "-"}),
    [](const auto& info) { return std::string(info.param.name); });

// Current browsers write "disable_reasons" and no "state"; where "state" is
// there it decides alone.
INSTANTIATE_TEST_SUITE_P(DisableReasons, ChromiumValueRules, ::testing::Values(
    ValueCase{"emptyList", withEntry(R"({"disable_reasons": [], )" + kV + "}"), "on", "1.0.3"},
    ValueCase{"listOfOne", withEntry(R"({"disable_reasons": [1], )" + kV + "}"), "off", "1.0.3"},
    ValueCase{"numberZero", withEntry(R"({"disable_reasons": 0})"), "on", "-"},
    ValueCase{"numberTwo", withEntry(R"({"disable_reasons": 2})"), "off", "-"},
    ValueCase{"string", withEntry(R"({"disable_reasons": "0"})"), kNot, "-"},
    ValueCase{"null", withEntry(R"({"disable_reasons": null})"), kNot, "-"},
    ValueCase{"object", withEntry(R"({"disable_reasons": {}})"), kNot, "-"},
    ValueCase{"emptyListBesideStateZero", withEntry(R"({"state": 0, "disable_reasons": []})"), "off", "-"},
    ValueCase{"listOfOneBesideStateOne", withEntry(R"({"disable_reasons": [1], "state": 1})"), "on", "-"},
    ValueCase{"numberZeroBesideStateTwo", withEntry(R"({"state": 2, "disable_reasons": 0})"), kNot, "-"},
    ValueCase{"numberTwoBesideStateOne", withEntry(R"({"state": 1, "disable_reasons": 2})"), "on", "-"},
    ValueCase{"stringBesideStateZero", withEntry(R"({"state": 0, "disable_reasons": "x"})"), "off", "-"},
    ValueCase{"emptyListBesideStringState", withEntry(R"({"state": "1", "disable_reasons": []})"), kNot, "-"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Version, ChromiumValueRules, ::testing::Values(
    ValueCase{"manifestWithoutVersion", withEntry(R"({"state": 1, "manifest": {"name": "x"}})"), "on", "-"},
    ValueCase{"emptyVersion", withEntry(R"({"state": 0, "manifest": {"version": ""}})"), "off", "-"},
    ValueCase{"escapesUndone", withEntry(R"({"manifest": {"version": "2.0\u0041 \"b\""}})"), kNot, "2.0A \"b\""},
    ValueCase{"upperCaseId", R"({"extensions":{"settings":{"LKDMFHAEBPJCOGNBIMFEALHDPKCOGJBN":)"
                             R"({"state": 1, "manifest": {"version": "1.0.3"}}}}})", kNot, "-"},
    ValueCase{"otherExtensionOnly", R"({"extensions":{"settings":{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa":)"
                                    R"({"state": 1, "manifest": {"version": "1.0.3"}}}}})", kNot, "-"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChromiumReport, ExtensionOnlyInSecurePreferencesShowsOnlyThere) {
    LocalAppDataDir dir;
    dir.write(ChromePreferences, R"({"extensions": {"settings": {}}, "browser": {}})");
    dir.write(ChromeSecure, withEntry(R"({"state": 0, "manifest": {"version": "3.1"}})"));
    dir.write(EdgePreferences, R"({"extensions": {}})");
    dir.write(EdgeSecure, withEntry(R"({"disable_reasons": [], "manifest": {"version": "3.2"}})"));
    EXPECT_EQ(runProbe(dir), expectedReport({kNot, "off", "-", "3.1", kNot, "on", "-", "3.2"}));
}

TEST(ChromiumReport, EachLineComesFromItsOwnDocument) {
    LocalAppDataDir dir;
    dir.write(ChromePreferences, withEntry(R"({"state": 1, "manifest": {"version": "1"}})"));
    dir.write(ChromeSecure, withEntry(R"({"state": 0, "manifest": {"version": "2"}})"));
    dir.write(EdgePreferences, withEntry(R"({"disable_reasons": [4], "manifest": {"version": "3"}})"));
    dir.write(EdgeSecure, withEntry(R"({"state": 2, "manifest": {"version": "4"}})"));
    EXPECT_EQ(runProbe(dir), expectedReport({"on", "off", "1", "2", "off", kNot, "3", "4"}));
}

TEST(ChromiumReport, DirectoryFlagOffReadsNothingEvenWhenTheFilesAreThere) {
    LocalAppDataDir dir;
    for (Document d : {ChromePreferences, ChromeSecure, EdgePreferences, EdgeSecure})
        dir.write(d, withEntry(R"({"state": 1, "manifest": {"version": "1.0.3"}})"));
    EXPECT_EQ(runProbe(false, dir.directory()), nothingFoundReport());
    EXPECT_EQ(runProbe(dir), expectedReport({"on", "on", "1.0.3", "1.0.3", "on", "on", "1.0.3", "1.0.3"}));
}

TEST(ChromiumReport, NoBrowserAtAllIsEightNotFoundLines) {
    LocalAppDataDir dir;
    EXPECT_EQ(runProbe(dir), nothingFoundReport());
    EXPECT_EQ(runProbe(true, dir.directory() + "-missing"), nothingFoundReport());
}

}  // namespace
}  // namespace orvex::testing
