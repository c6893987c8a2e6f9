// Chrome's and Edge's Default profile for the extension probe, as documents
// of the scripted platform; the probe run against them, and the eight lines
// it must write.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <sstream>
#include <string>

#include "fake_platform.h"
#include "probes/chromium/browser_extension.h"

namespace orvex::testing {

inline const std::string kNot = "インストールされていません";
inline const std::string kId = kExtensionId;
inline const std::string kLocalAppData = "C:\\Users\\tanaka\\AppData\\Local";

enum Document { ChromePreferences, ChromeSecure, EdgePreferences, EdgeSecure };

inline std::string pathOf(Document document) {
    static const char* const kSuffixes[4] = {
        "\\Google\\Chrome\\User Data\\Default\\Preferences",
        "\\Google\\Chrome\\User Data\\Default\\Secure Preferences",
        "\\Microsoft\\Edge\\User Data\\Default\\Preferences",
        "\\Microsoft\\Edge\\User Data\\Default\\Secure Preferences",
    };
    return kLocalAppData + kSuffixes[document];
}

// {"extensions":{"settings":{"<id>": entry}}}
inline std::string withEntry(const std::string& entry) {
    return R"({"extensions":{"settings":{")" + kId + R"(":)" + entry + "}}}";
}

// What the probe wrote: its console lines and its error stream.
struct ProbeResult {
    std::string lines;
    std::string errors;
};

inline bool operator==(const ProbeResult& a, const ProbeResult& b) {
    return a.lines == b.lines && a.errors == b.errors;
}

inline void PrintTo(const ProbeResult& result, std::ostream* out) {
    *out << "\n" << result.lines << "errors: \"" << result.errors << "\"";
}

struct ChromiumBed {
    FakePlatform fake;

    FakePlatform::File& write(Document document, const std::string& content) {
        FakePlatform::File& file = fake.files[pathOf(document)];
        file.content = content;
        return file;
    }

    ProbeResult run(bool directoryKnown = true) {
        std::ostringstream out, err, file;
        ReportWriter report(out, err, file);
        ProbeResult result;
        probeBrowserExtension(fake, report, directoryKnown ? std::optional<std::string>(kLocalAppData) : std::nullopt);
        result.lines = out.str();
        result.errors = err.str();
        EXPECT_EQ(fake.openFiles(), 0);
        return result;
    }
};

// Items 31 to 38 with these values, nothing on the error stream.
inline ProbeResult expectedReport(const std::array<std::string, 8>& values) {
    static const char* const kLabels[8] = {
        "．Chrome拡張機能(Chrome用)：Preferences：",
        "．Chrome拡張機能(Chrome用)：Secure Preferences：",
        "．Chrome拡張機能(Chrome用)(バージョン)：Preferences：",
        "．Chrome拡張機能(Chrome用)(バージョン)：Secure Preferences：",
        "．Chrome拡張機能(Edge用)：Preferences：",
        "．Chrome拡張機能(Edge用)：Secure Preferences：",
        "．Chrome拡張機能(Edge用)(バージョン)：Preferences：",
        "．Chrome拡張機能(Edge用)(バージョン)：Secure Preferences：",
    };
    ProbeResult expected;
    for (int i = 0; i < 8; ++i) expected.lines += std::to_string(31 + i) + kLabels[i] + values[i] + "\n";
    return expected;
}

inline ProbeResult nothingFoundReport() { return expectedReport({kNot, kNot, "-", "-", kNot, kNot, "-", "-"}); }

// One document as Chrome's Preferences, the three others absent: its verdict
// must be on items 31 and 33 and nowhere else, however the document's bytes
// come in: in one read, or a few at a time (each read ending a chunk).
inline void expectChromePreferencesAlone(const std::string& document, const std::string& state,
                                         const std::string& version) {
    for (std::size_t bytesPerRead : {0, 3}) {
        ChromiumBed bed;
        bed.write(ChromePreferences, document).bytesPerRead = bytesPerRead;
        EXPECT_EQ(bed.run(), expectedReport({state, kNot, version, "-", kNot, kNot, "-", "-"}))
            << "read " << bytesPerRead << " bytes at a time";
    }
}

}  // namespace orvex::testing
