// Loading one document, the nesting guard in front of the parser, and the
// key-path walk, called directly.
#include "chromium_test_bed.h"
#include "probes/chromium/preferences_document.h"

namespace orvex::testing {
namespace {

const std::string kSuffix = "\\Google\\Chrome\\User Data\\Default\\Preferences";

TEST(PreferencesDocumentLoading, ParsedTreeOrNothing) {
    LocalAppDataDir dir;
    EXPECT_FALSE(loadPreferencesDocument(true, dir.directory(), kSuffix).loaded);  // no file

    dir.write(ChromePreferences, "\r\n[1, 2]\r\n");
    PreferencesDocument array = loadPreferencesDocument(true, dir.directory(), kSuffix);
    ASSERT_TRUE(array.loaded);  // any JSON value loads; the report asks for an object
    EXPECT_TRUE(array.root.is<picojson::array>());

    EXPECT_FALSE(loadPreferencesDocument(false, dir.directory(), kSuffix).loaded);  // flag off

    dir.write(ChromePreferences, R"({"a": 1e999})");
    PreferencesDocument overflow = loadPreferencesDocument(true, dir.directory(), kSuffix);
    EXPECT_FALSE(overflow.loaded);
    EXPECT_TRUE(overflow.root.is<picojson::null>());  // nothing partial kept
}

TEST(PreferencesDocumentLoading, WholeFileReadWhateverItsSize) {
    LocalAppDataDir dir;
    std::string big = R"({"pad": ")" + std::string(3 * 1024 * 1024 + 17, 'x') + R"(", "end": "\r\n"})";
    dir.write(ChromePreferences, big);
    PreferencesDocument document = loadPreferencesDocument(true, dir.directory(), kSuffix);
    ASSERT_TRUE(document.loaded);
    EXPECT_EQ(document.root.get("end").get<std::string>(), "\r\n");  // escapes, not bytes, untouched
    EXPECT_EQ(document.root.get("pad").get<std::string>().size(), 3u * 1024 * 1024 + 17);
}

TEST(NestingGuard, CountsArraysAndObjectsOfTheFirstValueOnly) {
    auto arrays = [](int n) { return std::string(n, '[') + std::string(n, ']'); };
    EXPECT_FALSE(nestsDeeperThan(arrays(100), 100));
    EXPECT_TRUE(nestsDeeperThan(arrays(101), 100));
    EXPECT_TRUE(nestsDeeperThan("{\"a\":[{\"b\":[1]}]}", 3));
    EXPECT_FALSE(nestsDeeperThan("{\"a\":[{\"b\":[1]}]}", 4));
    EXPECT_FALSE(nestsDeeperThan("{\"a\":[],\"b\":[],\"c\":{}}", 2));  // siblings do not add up
    EXPECT_TRUE(nestsDeeperThan(std::string(1000000, '{'), 100));     // unclosed
    EXPECT_FALSE(nestsDeeperThan("[[\"]]]]\\\"[[[[\"]]", 2));          // brackets inside a string
    EXPECT_FALSE(nestsDeeperThan("[]" + std::string(500, '['), 100));   // after the first value
    EXPECT_FALSE(nestsDeeperThan("\"x\"" + std::string(500, '['), 1));  // a plain first value
    EXPECT_FALSE(nestsDeeperThan(" \r\n\t", 0));
    EXPECT_FALSE(nestsDeeperThan("[\"\\", 1));  // escape at the very end
    EXPECT_TRUE(nestsDeeperThan(R"([["a\\\\"],[[]]])", 2));  // a quote after an even run ends the string
    EXPECT_FALSE(nestsDeeperThan(R"([["a\\\"],[[]]]"])", 2));  // after an odd run it does not
}

TEST(NestingGuard, AgreesWithTheParserOnNestedArrays) {
    LocalAppDataDir dir;
    for (int depth : {99, 100, 101}) {
        dir.write(ChromePreferences, std::string(depth, '[') + std::string(depth, ']'));
        picojson::value ignored;
        const bool parses = picojson::parse(ignored, std::string(depth, '[') + std::string(depth, ']')).empty();
        EXPECT_EQ(loadPreferencesDocument(true, dir.directory(), kSuffix).loaded, parses) << depth;
        EXPECT_EQ(parses, depth <= 100) << depth;
    }
}

TEST(FindKeyPath, HolderOfTheLastMemberWhateverItsType) {
    picojson::value root;
    ASSERT_EQ(picojson::parse(root, R"({"a": {"b": {"c": null, "n": 1}}, "s": "x"})"), "");
    const picojson::object& top = root.get<picojson::object>();
    const picojson::object* holder = findKeyPath(top, {"a", "b"}, "c");
    ASSERT_NE(holder, nullptr);
    EXPECT_TRUE(holder->at("c").is<picojson::null>());
    EXPECT_EQ(findKeyPath(top, {}, "s"), &top);
    EXPECT_EQ(findKeyPath(top, {"a", "b"}, "C"), nullptr);    // names match exactly
    EXPECT_EQ(findKeyPath(top, {"a", "x"}, "c"), nullptr);    // missing step
    EXPECT_EQ(findKeyPath(top, {"s"}, "x"), nullptr);         // a step that is no object
    EXPECT_EQ(findKeyPath(top, {"a", "b", "n"}, "c"), nullptr);
}

TEST(ExtensionLines, WrittenFromAnyRootWithTheGivenNumber) {
    std::ostringstream out, err, file;
    ReportWriter report(out, err, file);
    picojson::value root;
    ASSERT_EQ(picojson::parse(root, withEntry(R"({"state": 1, "manifest": {"version": "9"}})")), "");
    EXPECT_EQ(reportExtensionState(report, root, "．S：", 7), 8);
    FakePlatform platform;
    EXPECT_EQ(reportExtensionVersion(platform, report, root, "．V：", 8), 9);
    EXPECT_EQ(reportExtensionState(report, picojson::value(2.0), "．S：", 9), 10);
    EXPECT_EQ(reportExtensionVersion(platform, report, picojson::value("9"), "．V：", 10), 11);
    EXPECT_EQ(out.str(), "7．S：on\n8．V：9\n9．S：" + kNot + "\n10．V：-\n");
}

}  // namespace
}  // namespace orvex::testing
