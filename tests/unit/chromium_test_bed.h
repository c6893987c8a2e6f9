// A local application data directory of real files for the extension probe:
// Chrome's and Edge's Default profile under a fresh temporary directory, the
// probe run against it, and the eight lines it must write.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <string>

#include "fake_platform.h"
#include "probes/chromium/browser_extension.h"

namespace orvex::testing {

inline const std::string kNot = "インストールされていません";
inline const std::string kId = kExtensionId;

enum Document { ChromePreferences, ChromeSecure, EdgePreferences, EdgeSecure };

// {"extensions":{"settings":{"<id>": entry}}}
inline std::string withEntry(const std::string& entry) {
    return R"({"extensions":{"settings":{")" + kId + R"(":)" + entry + "}}}";
}

class LocalAppDataDir {
public:
    LocalAppDataDir() {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() /
                ("orvex-chromium-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        std::filesystem::create_directories(root_);
    }
    ~LocalAppDataDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    LocalAppDataDir(const LocalAppDataDir&) = delete;
    LocalAppDataDir& operator=(const LocalAppDataDir&) = delete;

    // The directory as the probe gets it: no trailing separator.
    std::string directory() const { return root_.string(); }

    std::filesystem::path pathOf(Document document) const {
        static const char* const kParts[4][2] = {{"Google", "Chrome"}, {"Google", "Chrome"},
                                                 {"Microsoft", "Edge"}, {"Microsoft", "Edge"}};
        const bool secure = document == ChromeSecure || document == EdgeSecure;
        return root_ / kParts[document][0] / kParts[document][1] / "User Data" / "Default" /
               (secure ? "Secure Preferences" : "Preferences");
    }

    void write(Document document, const std::string& content) const {
        const std::filesystem::path path = pathOf(document);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        ASSERT_TRUE(file.good()) << path;
    }

private:
    std::filesystem::path root_;
};

// What the probe wrote: its console lines, its error stream and the number
// it handed back.
struct ProbeResult {
    std::string lines;
    std::string errors;
    int next = 0;
    bool operator==(const ProbeResult& other) const {
        return lines == other.lines && errors == other.errors && next == other.next;
    }
};

inline void PrintTo(const ProbeResult& result, std::ostream* out) {
    *out << "\n" << result.lines << "errors: \"" << result.errors << "\"\nnext: " << result.next;
}

inline ProbeResult runProbe(bool directoryKnown, const std::string& directory) {
    std::ostringstream out, err, file;
    ReportWriter report(out, err, file);
    ProbeResult result;
    FakePlatform platform;
    result.next = probeBrowserExtension(platform, report, directoryKnown, directory, 31);
    result.lines = out.str();
    result.errors = err.str();
    return result;
}

inline ProbeResult runProbe(const LocalAppDataDir& dir) { return runProbe(true, dir.directory()); }

// Items 31 to 38 with these values, nothing on the error stream, 39 handed back.
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
    expected.next = 39;
    return expected;
}

// Only Chrome's Preferences found: its verdict on items 31 and 33.
inline ProbeResult chromePreferencesReport(const std::string& state, const std::string& version) {
    return expectedReport({state, kNot, version, "-", kNot, kNot, "-", "-"});
}

inline ProbeResult nothingFoundReport() { return expectedReport({kNot, kNot, "-", "-", kNot, kNot, "-", "-"}); }

}  // namespace orvex::testing
