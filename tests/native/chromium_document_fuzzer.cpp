// Arbitrary bytes as a preference document, through the real probe: written
// to a file that all four document paths name (hard links), loaded four
// times, eight lines reported. Whatever the bytes, the probe must hand back
// 39, write nothing to the error stream, and write the eight item lines with
// one verdict for all four state lines and one value for all four version
// lines (the four documents are the same file).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "fake_platform.h"
#include "probes/chromium/browser_extension.h"

namespace {

namespace fs = std::filesystem;

fs::path gRoot;      // the local application data directory
fs::path gDocument;  // Chrome's Preferences; the other three are links to it

const char* const kLabels[8] = {
    "．Chrome拡張機能(Chrome用)：Preferences：",
    "．Chrome拡張機能(Chrome用)：Secure Preferences：",
    "．Chrome拡張機能(Chrome用)(バージョン)：Preferences：",
    "．Chrome拡張機能(Chrome用)(バージョン)：Secure Preferences：",
    "．Chrome拡張機能(Edge用)：Preferences：",
    "．Chrome拡張機能(Edge用)：Secure Preferences：",
    "．Chrome拡張機能(Edge用)(バージョン)：Preferences：",
    "．Chrome拡張機能(Edge用)(バージョン)：Secure Preferences：",
};
const bool kIsState[8] = {true, true, false, false, true, true, false, false};

std::string report(const std::string& state, const std::string& version) {
    std::string lines;
    for (int i = 0; i < 8; ++i) lines += std::to_string(31 + i) + kLabels[i] + (kIsState[i] ? state : version) + "\n";
    return lines;
}

// The output is the report for one of the three state words and some
// non-empty version; the version's length follows from the output's.
bool isEightItemLines(const std::string& out) {
    const std::string withoutValues = report("", "");
    const std::size_t versionStart = withoutValues.find("\n33") + 1 + 2 + std::string(kLabels[2]).size();
    for (const std::string state : {"on", "off", "インストールされていません"}) {
        const std::size_t fixed = withoutValues.size() + 4 * state.size();
        if (out.size() < fixed + 4 || (out.size() - fixed) % 4 != 0) continue;
        const std::string version = out.substr(versionStart + 2 * state.size(), (out.size() - fixed) / 4);
        if (out == report(state, version)) return true;
    }
    return false;
}

void removeRoot() {
    std::error_code ignored;
    fs::remove_all(gRoot, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gRoot = fs::temp_directory_path() / ("orvex-fuzz-" + std::to_string(::getpid()));
    const fs::path chrome = gRoot / "Google" / "Chrome" / "User Data" / "Default";
    const fs::path edge = gRoot / "Microsoft" / "Edge" / "User Data" / "Default";
    fs::create_directories(chrome);
    fs::create_directories(edge);
    gDocument = chrome / "Preferences";
    std::ofstream(gDocument, std::ios::binary).flush();
    fs::create_hard_link(gDocument, chrome / "Secure Preferences");
    fs::create_hard_link(gDocument, edge / "Preferences");
    fs::create_hard_link(gDocument, edge / "Secure Preferences");
    std::atexit(removeRoot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream file(gDocument, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file) std::abort();
    }
    std::ostringstream out, err, resultFile;
    orvex::ReportWriter writer(out, err, resultFile);
    orvex::testing::FakePlatform platform;
    const int next = orvex::probeBrowserExtension(platform, writer, true, gRoot.string(), 31);
    if (next != 39 || !err.str().empty() || !isEightItemLines(out.str())) std::abort();
    return 0;
}
