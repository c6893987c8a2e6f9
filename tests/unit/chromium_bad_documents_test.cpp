// Damaged, odd and hostile preference documents: never a crash, never a
// short report. A document that cannot be parsed reads as absent; members of
// the wrong type read as not found.
#include <filesystem>

#include "chromium_test_bed.h"

namespace orvex::testing {
namespace {

const std::string kOnEntry = withEntry(R"({"state": 1, "manifest": {"version": "1.0.3"}})");

// {"deep": <depth - 1 levels of open/close>, "extensions": ...}: the whole
// document nests depth levels.
std::string nestedBeside(int depth, bool objects) {
    std::string inner = objects ? "{\"a\":1}" : "[1]";
    for (int i = 2; i < depth; ++i) inner = objects ? "{\"a\":" + inner + "}" : "[" + inner + "]";
    return R"({"deep": )" + inner + R"(, "extensions": {"settings": {")" + kId +
           R"(": {"state": 1, "manifest": {"version": "1.0.3"}}}}})";
}

struct BadCase {
    const char* name;
    std::string document;
    std::string state;    // item 31; kNot with version "-" when unavailable
    std::string version;  // item 33
};

void PrintTo(const BadCase& c, std::ostream* out) { *out << c.name; }

class ChromiumBadDocuments : public ::testing::TestWithParam<BadCase> {};

TEST_P(ChromiumBadDocuments, EightLinesAndThirtyNine) {
    LocalAppDataDir dir;
    dir.write(ChromePreferences, GetParam().document);
    EXPECT_EQ(runProbe(dir), chromePreferencesReport(GetParam().state, GetParam().version));
}

auto caseName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Unavailable, ChromiumBadDocuments, ::testing::Values(
    BadCase{"numberBeyondDouble", withEntry(R"({"state": 1, "size": 1e999})"), kNot, "-"},
    BadCase{"negativeNumberBeyondDouble", R"({"x": [-1e999], "extensions": {}})", kNot, "-"},
    BadCase{"byteOrderMark", "\xEF\xBB\xBF" + kOnEntry, kNot, "-"},
    BadCase{"empty", "", kNot, "-"},
    BadCase{"whiteSpaceOnly", " \r\n\t\r\n", kNot, "-"},
    BadCase{"cutShort", kOnEntry.substr(0, kOnEntry.size() - 1), kNot, "-"},
    BadCase{"ctrlZInsideAString", withEntry("{\"state\": 1, \"manifest\": {\"version\": \"1\x1A\"}}"), kNot, "-"},
    BadCase{"nulAtTheStart", std::string(1, '\0') + kOnEntry, kNot, "-"},
    BadCase{"objectsOneLevelTooDeep", nestedBeside(101, true), kNot, "-"},
    BadCase{"arraysOneLevelTooDeep", nestedBeside(101, false), kNot, "-"},
    BadCase{"millionNestedObjects", [] {
                std::string s;
                for (int i = 0; i < 1000000; ++i) s += "{\"a\":";
                return s + "1" + std::string(1000000, '}');
            }(), kNot, "-"},
    BadCase{"millionOpenArrays", std::string(1000000, '['), kNot, "-"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Loaded, ChromiumBadDocuments, ::testing::Values(
    BadCase{"trailingGarbage", kOnEntry + "garbage\x01\xFF", "on", "1.0.3"},
    BadCase{"secondObject", kOnEntry + "\r\n" + withEntry(R"({"state": 0})"), "on", "1.0.3"},
    BadCase{"trailingNumberBeyondDouble", kOnEntry + " 1e999", "on", "1.0.3"},
    BadCase{"trailingDeepNesting", kOnEntry + std::string(1000, '['), "on", "1.0.3"},
    BadCase{"ctrlZAfterTheValue", kOnEntry + "\x1A", "on", "1.0.3"},
    BadCase{"leadingBlankLinesAndCrLf", "\r\n\r\n" + withEntry("{\r\n\"state\": 0,\r\n\"manifest\": {}\r\n}"),
            "off", "-"},
    BadCase{"nestedExactlyAsDeepAsAllowed", nestedBeside(100, true), "on", "1.0.3"},
    BadCase{"arraysExactlyAsDeepAsAllowed", nestedBeside(100, false), "on", "1.0.3"},
    BadCase{"bracketsInsideStrings", R"({"s": "[[[[{{{{\"[[[[", "t": ")" + std::string(500, '[') + R"(", )" +
                                         kOnEntry.substr(1), "on", "1.0.3"},
    BadCase{"invalidUtf8InVersionIsQuestionMarks",
            withEntry("{\"state\": 1, \"manifest\": {\"version\": \"1.\xFF\x80\"}}"), "on", "1.??"}),
    caseName);

// Present, but not of the type the path needs: not found.
INSTANTIATE_TEST_SUITE_P(WrongTypes, ChromiumBadDocuments, ::testing::Values(
    BadCase{"rootArray", "[" + kOnEntry + "]", kNot, "-"},
    BadCase{"rootString", R"("extensions")", kNot, "-"},
    BadCase{"rootNumber", "1", kNot, "-"},
    BadCase{"rootNull", "null", kNot, "-"},
    BadCase{"extensionsString", R"({"extensions": "settings"})", kNot, "-"},
    BadCase{"extensionsArray", R"({"extensions": [{"settings": {}}]})", kNot, "-"},
    BadCase{"settingsNumber", R"({"extensions": {"settings": 1}})", kNot, "-"},
    BadCase{"settingsNull", R"({"extensions": {"settings": null}})", kNot, "-"},
    BadCase{"entryArray", withEntry(R"([{"state": 1}])"), kNot, "-"},
    BadCase{"entryString", withEntry(R"("on")"), kNot, "-"},
    BadCase{"entryNull", withEntry("null"), kNot, "-"},
    BadCase{"manifestString", withEntry(R"({"state": 1, "manifest": "1.0.3"})"), "on", "-"},
    BadCase{"manifestArray", withEntry(R"({"state": 0, "manifest": [{"version": "1"}]})"), "off", "-"},
    BadCase{"stateNull", withEntry(R"({"state": null, "manifest": {"version": "1"}})"), kNot, "1"},
    BadCase{"stateTrue", withEntry(R"({"state": true})"), kNot, "-"},
    BadCase{"stateFalse", withEntry(R"({"state": false})"), kNot, "-"},
    BadCase{"stateDigitsString", withEntry(R"({"state": "1"})"), kNot, "-"},
    BadCase{"stateArray", withEntry(R"({"state": [1]})"), kNot, "-"},
    BadCase{"stateObject", withEntry(R"({"state": {"value": 1}})"), kNot, "-"},
    BadCase{"versionNumber", withEntry(R"({"state": 1, "manifest": {"version": 103}})"), "on", "-"},
    BadCase{"versionNull", withEntry(R"({"state": 1, "manifest": {"version": null}})"), "on", "-"},
    BadCase{"versionArray", withEntry(R"({"state": 1, "manifest": {"version": ["1"]}})"), "on", "-"},
    BadCase{"versionObject", withEntry(R"({"state": 1, "manifest": {"version": {}}})"), "on", "-"}),
    caseName);

TEST(ChromiumBadFiles, ADirectoryWhereTheDocumentShouldBe) {
    LocalAppDataDir dir;
    std::filesystem::create_directories(dir.pathOf(ChromePreferences));
    dir.write(EdgeSecure, kOnEntry);
    EXPECT_EQ(runProbe(dir), expectedReport({kNot, kNot, "-", "-", kNot, "on", "-", "1.0.3"}));
}

TEST(ChromiumBadFiles, DamagedDocumentsDoNotDisturbTheOthers) {
    LocalAppDataDir dir;
    dir.write(ChromePreferences, withEntry(R"({"state": 1e999})"));
    dir.write(ChromeSecure, kOnEntry);
    dir.write(EdgePreferences, std::string(1000000, '{'));
    dir.write(EdgeSecure, withEntry(R"({"state": 0, "manifest": {"version": "2"}})"));
    EXPECT_EQ(runProbe(dir), expectedReport({kNot, "on", "-", "1.0.3", kNot, "off", "-", "2"}));
}

// A 32-bit process cannot hold a file of a gigabyte or more (sparse ones
// here): running out of memory, or a size beyond what a string may hold,
// makes the document unavailable, nothing more.
TEST(ChromiumBadFiles, FilesTooLargeForTheAddressSpace) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "only a 32-bit process runs out of address space quickly";
    LocalAppDataDir dir;
    dir.write(ChromePreferences, "");
    std::filesystem::resize_file(dir.pathOf(ChromePreferences), 0x3F000000u);  // allocation fails
    dir.write(ChromeSecure, kOnEntry);
    dir.write(EdgePreferences, "");
    std::filesystem::resize_file(dir.pathOf(EdgePreferences), 0xC0000000u);  // above max_size
    EXPECT_EQ(runProbe(dir), expectedReport({kNot, "on", "-", "1.0.3", kNot, kNot, "-", "-"}));
}

}  // namespace
}  // namespace orvex::testing
