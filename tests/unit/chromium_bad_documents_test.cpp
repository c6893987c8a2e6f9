// Damaged, odd and hostile preference documents: never a crash, never a
// short report. A document that cannot be parsed reads as absent; members of
// the wrong type read as not found.
#include "chromium_test_bed.h"

namespace orvex::testing {
namespace {

const std::string kOnEntry = withEntry(R"({"state": 1, "manifest": {"version": "1.0.3"}})");

enum Nesting { Objects, Arrays, Mixed };

// {"deep": <depth - 1 levels of open/close>, "extensions": ...}: the whole
// document nests depth levels (Mixed: arrays and objects taking turns).
std::string nestedBeside(int depth, Nesting nesting) {
    std::string inner = "1";
    for (int i = 1; i < depth; ++i)
        inner = (nesting == Objects || (nesting == Mixed && i % 2 == 0)) ? "{\"a\":" + inner + "}" : "[" + inner + "]";
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
    expectChromePreferencesAlone(GetParam().document, GetParam().state, GetParam().version);
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
    BadCase{"objectsOneLevelTooDeep", nestedBeside(101, Objects), kNot, "-"},
    BadCase{"arraysOneLevelTooDeep", nestedBeside(101, Arrays), kNot, "-"},
    BadCase{"arraysAndObjectsOneLevelTooDeep", nestedBeside(101, Mixed), kNot, "-"},
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
    BadCase{"nestedExactlyAsDeepAsAllowed", nestedBeside(100, Objects), "on", "1.0.3"},
    BadCase{"arraysExactlyAsDeepAsAllowed", nestedBeside(100, Arrays), "on", "1.0.3"},
    BadCase{"mixedExactlyAsDeepAsAllowed", nestedBeside(100, Mixed), "on", "1.0.3"},
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

TEST(ChromiumBadFiles, DamagedDocumentsDoNotDisturbTheOthers) {
    ChromiumBed bed;
    bed.write(ChromePreferences, withEntry(R"({"state": 1e999})"));
    bed.write(ChromeSecure, kOnEntry);
    bed.write(EdgePreferences, std::string(1000000, '{'));
    bed.write(EdgeSecure, withEntry(R"({"state": 0, "manifest": {"version": "2"}})"));
    EXPECT_EQ(bed.run(), expectedReport({kNot, "on", "-", "1.0.3", kNot, "off", "-", "2"}));
}

// A file that cannot be opened (a directory, no access) or whose read fails
// part-way through the document is unavailable; one read failing only after
// the document's value, where nothing more is read, is not noticed.
TEST(ChromiumBadFiles, UnopenableAndUnreadableFiles) {
    ChromiumBed bed;
    bed.write(ChromePreferences, kOnEntry).opens = false;
    bed.write(ChromeSecure, kOnEntry).readFailsAt = 0;
    FakePlatform::File& edge = bed.write(EdgePreferences, kOnEntry);
    edge.readFailsAt = kOnEntry.size() - 1;
    edge.bytesPerRead = 20;
    bed.write(EdgeSecure, kOnEntry + "\ntrailing text").readFailsAt = kOnEntry.size();
    bed.fake.files[pathOf(EdgeSecure)].bytesPerRead = kOnEntry.size();
    EXPECT_EQ(bed.run(), expectedReport({kNot, kNot, "-", "-", kNot, "on", "-", "1.0.3"}));
}

// Only what the judgement needs is read: a file of 8 GiB of NUL bytes (a
// sparse file) ends at its first byte, and a document followed by them
// reads as the document.
TEST(ChromiumBadFiles, HugeSparseFilesAreNotReadToTheirEnd) {
    ChromiumBed bed;
    bed.write(ChromePreferences, "").sparseTail = 8ULL << 30;
    bed.write(EdgeSecure, kOnEntry).sparseTail = 8ULL << 30;
    EXPECT_EQ(bed.run(), expectedReport({kNot, kNot, "-", "-", kNot, "on", "-", "1.0.3"}));
    EXPECT_LE(bed.fake.bytesRead, 2 * kDocumentChunkSize);
}

}  // namespace
}  // namespace orvex::testing
