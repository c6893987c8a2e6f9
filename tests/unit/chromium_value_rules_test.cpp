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
    expectChromePreferencesAlone(GetParam().document, GetParam().state, GetParam().version);
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

// Of members with the same name the last one counts, at every level, as in
// a tree built from the document; members of those names elsewhere do not.
const std::string kOn = R"({"state": 1, "manifest": {"version": "1.0.3"}})";
const std::string kSettings = R"("settings": {")" + kId + R"(": )" + kOn + "}";

INSTANTIATE_TEST_SUITE_P(LastOfTheSameNameCounts, ChromiumValueRules, ::testing::Values(
    ValueCase{"extensionsThenNumber", R"({"extensions": {)" + kSettings + R"(}, "extensions": 1})", kNot, "-"},
    ValueCase{"numberThenExtensions", R"({"extensions": 1, "extensions": {)" + kSettings + "}}", "on", "1.0.3"},
    ValueCase{"settingsThenEmpty", R"({"extensions": {)" + kSettings + R"(, "settings": {}}})", kNot, "-"},
    ValueCase{"entryThenEntry", R"({"extensions": {"settings": {")" + kId + R"(": )" + kOn + R"(, ")" + kId +
                                    R"(": {"disable_reasons": [3]}}}})", "off", "-"},
    ValueCase{"stateThenString", withEntry(R"({"state": 1, "state": "1"})"), kNot, "-"},
    ValueCase{"stateThenZero", withEntry(R"({"state": 1, "state": 0})"), "off", "-"},
    ValueCase{"reasonsThenEmptyList", withEntry(R"({"disable_reasons": [1], "disable_reasons": []})"), "on", "-"},
    ValueCase{"manifestThenEmpty", withEntry(R"({"manifest": {"version": "1"}, "state": 0, "manifest": {}})"),
              "off", "-"},
    ValueCase{"versionThenNumber", withEntry(R"({"manifest": {"version": "1", "version": 2}})"), kNot, "-"},
    ValueCase{"versionThenVersion", withEntry(R"({"manifest": {"version": "", "version": "2"}})"), kNot, "2"},
    ValueCase{"escapedNames", R"({"ext\u0065nsions": {"settings": {")" + kId +
                                  R"(": {"st\u0061te": 0, "manifest": {"v\u0065rsion": "1"}}}}})", "off", "1"},
    ValueCase{"pathNamesElsewhere", R"({"profile": )" + withEntry(kOn) + R"(, "extensions": {"settings": {")" + kId +
                                        R"(": {"manifest": {"state": 1, "disable_reasons": []}, "version": "9"}}}})",
              kNot, "-"},
    ValueCase{"reasonsListOfLists", withEntry(R"({"disable_reasons": [[], {}], "x": []})"), "off", "-"},
    ValueCase{"emptyReasonsBesideLists", withEntry(R"({"x": [[1]], "disable_reasons": [], "y": [2]})"), "on", "-"}),
    [](const auto& info) { return std::string(info.param.name); });

// Names match exactly, whatever their length.
INSTANTIATE_TEST_SUITE_P(Names, ChromiumValueRules, ::testing::Values(
    ValueCase{"idWithASuffix", R"({"extensions": {"settings": {")" + kId + R"(x": )" + kOn + "}}}", kNot, "-"},
    ValueCase{"idWithoutItsLastLetter", R"({"extensions": {"settings": {")" + kId.substr(0, 31) + R"(": )" + kOn +
                                            "}}}", kNot, "-"},
    ValueCase{"idEscaped", R"({"extensions": {"settings": {"\u006c)" + kId.substr(1) + R"(": )" + kOn + "}}}",
              "on", "1.0.3"},
    ValueCase{"longNamesAround", R"({")" + std::string(100000, 'x') + R"(": 1, "extensions": {"settings": {")" + kId +
                                     std::string(100000, 'n') + R"(": 1, ")" + kId + R"(": )" + kOn + "}}}",
              "on", "1.0.3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChromiumReport, ExtensionOnlyInSecurePreferencesShowsOnlyThere) {
    ChromiumBed bed;
    bed.write(ChromePreferences, R"({"extensions": {"settings": {}}, "browser": {}})");
    bed.write(ChromeSecure, withEntry(R"({"state": 0, "manifest": {"version": "3.1"}})"));
    bed.write(EdgePreferences, R"({"extensions": {}})");
    bed.write(EdgeSecure, withEntry(R"({"disable_reasons": [], "manifest": {"version": "3.2"}})"));
    EXPECT_EQ(bed.run(), expectedReport({kNot, "off", "-", "3.1", kNot, "on", "-", "3.2"}));
}

TEST(ChromiumReport, EachLineComesFromItsOwnDocument) {
    ChromiumBed bed;
    bed.write(ChromePreferences, withEntry(R"({"state": 1, "manifest": {"version": "1"}})"));
    bed.write(ChromeSecure, withEntry(R"({"state": 0, "manifest": {"version": "2"}})"));
    bed.write(EdgePreferences, withEntry(R"({"disable_reasons": [4], "manifest": {"version": "3"}})"));
    bed.write(EdgeSecure, withEntry(R"({"state": 2, "manifest": {"version": "4"}})"));
    EXPECT_EQ(bed.run(), expectedReport({"on", "off", "1", "2", "off", kNot, "3", "4"}));
}

TEST(ChromiumReport, DirectoryFlagOffReadsNothingEvenWhenTheFilesAreThere) {
    ChromiumBed bed;
    for (Document d : {ChromePreferences, ChromeSecure, EdgePreferences, EdgeSecure})
        bed.write(d, withEntry(R"({"state": 1, "manifest": {"version": "1.0.3"}})"));
    EXPECT_EQ(bed.run(false), nothingFoundReport());
    EXPECT_TRUE(bed.fake.calls.empty());
    EXPECT_EQ(bed.run(), expectedReport({"on", "on", "1.0.3", "1.0.3", "on", "on", "1.0.3", "1.0.3"}));
}

TEST(ChromiumReport, NoBrowserAtAllIsEightNotFoundLines) {
    ChromiumBed bed;
    EXPECT_EQ(bed.run(), nothingFoundReport());
}

}  // namespace
}  // namespace orvex::testing
