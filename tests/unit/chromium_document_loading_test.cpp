// Loading one document, called directly: what the record keeps, how the
// files are opened and closed, and the lines written from a record.
#include "chromium_test_bed.h"
#include "probes/chromium/preferences_document.h"

namespace orvex::testing {
namespace {

const std::string kSuffix = "\\Google\\Chrome\\User Data\\Default\\Preferences";

PreferencesDocument load(ChromiumBed& bed) {
    return loadPreferencesDocument(bed.fake, kLocalAppData, kSuffix);
}

// A document of many chunks, laid out as the browsers write one (a large
// map of per-site settings) with the extension's entry in the middle: only
// the entry is kept, its version with escapes undone.
TEST(PreferencesDocumentLoading, KeepsTheEntryOfADocumentOfManyChunks) {
    std::string sites;
    for (int i = 0; sites.size() < 3 * kDocumentChunkSize; ++i)
        sites += (i ? ",\"https://s" : "\"https://s") + std::to_string(i) + R"(.example:443,*":{"last_modified":"13)" +
                 std::to_string(i) + R"(","setting":{"lastEngagementTime":1.3e16,"rawScore":4.5}})";
    ChromiumBed bed;
    bed.write(ChromePreferences, R"({"profile":{"content_settings":{"exceptions":{"site_engagement":{)" + sites +
                                     R"(}}}},"extensions":{"settings":{")" + kId +
                                     R"(":{"disable_reasons":[],"manifest":{"version":"2.0\u0041 \"b\""}}}},)" +
                                     R"("zoom":{)" + sites + "}}");
    const PreferencesDocument document = load(bed);
    ASSERT_TRUE(document.loaded);
    EXPECT_EQ(document.state.type, EntryMember::Absent);
    EXPECT_EQ(document.disableReasons.type, EntryMember::Array);
    EXPECT_TRUE(document.disableReasons.empty);
    EXPECT_EQ(document.version, "2.0A \"b\"");
    EXPECT_EQ(bed.fake.openFiles(), 0);
}

TEST(PreferencesDocumentLoading, AnyJsonValueLoadsAndAFailureKeepsNothing) {
    ChromiumBed bed;
    EXPECT_FALSE(load(bed).loaded);  // no file
    bed.write(ChromePreferences, "\r\n[1, 2]\r\n");
    EXPECT_TRUE(load(bed).loaded);  // the report asks for an object, the loading does not
    EXPECT_FALSE(loadPreferencesDocument(bed.fake, std::nullopt, kSuffix).loaded);  // no directory

    bed.write(ChromePreferences, withEntry(R"({"state": 1, "manifest": {"version": "1"}, "size": 1e999})"));
    const PreferencesDocument overflow = load(bed);
    EXPECT_FALSE(overflow.loaded);
    EXPECT_EQ(overflow.state.type, EntryMember::Absent);
    EXPECT_EQ(overflow.version, "");
}

// Each file is closed before the next one is opened.
TEST(PreferencesDocumentLoading, OneFileOpenAtATime) {
    ChromiumBed bed;
    for (Document d : {ChromePreferences, ChromeSecure, EdgePreferences, EdgeSecure}) bed.write(d, "{}");
    bed.run();
    EXPECT_EQ(bed.fake.calls, (std::vector<std::string>{
                                  "CreateFile(" + pathOf(ChromePreferences) + ")", "CloseHandle",
                                  "CreateFile(" + pathOf(ChromeSecure) + ")", "CloseHandle",
                                  "CreateFile(" + pathOf(EdgePreferences) + ")", "CloseHandle",
                                  "CreateFile(" + pathOf(EdgeSecure) + ")", "CloseHandle"}));
}

TEST(ExtensionLines, WrittenFromARecordWithTheGivenNumberAndTheVersionInTheAnsiCodePage) {
    std::ostringstream out, err, file;
    ReportWriter report(out, err, file);
    FakePlatform fake;
    PreferencesDocument document;
    document.loaded = true;
    document.state = {EntryMember::Number, 1.0};
    document.version = "9\xC3\xA9";  // 9 and U+00E9 in UTF-8, a character CP932 lacks
    reportExtensionState(report, document, {7, "．S："});
    reportExtensionVersion(fake, report, document, {8, "．V："});
    document.loaded = false;
    reportExtensionState(report, document, {9, "．S："});
    reportExtensionVersion(fake, report, document, {10, "．V："});
    EXPECT_EQ(out.str(), "7．S：on\n8．V：9?\n9．S：" + kNot + "\n10．V：-\n");
}

}  // namespace
}  // namespace orvex::testing
