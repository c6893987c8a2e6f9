// Arbitrary bytes as a preference document, through the real probe: the
// same bytes are all four documents of the scripted platform, each read in
// pieces of another size (all at once, 1, 7 and 4096 bytes). Whatever the
// bytes, the probe must write nothing to the error stream, close every file,
// and write the eight item lines with one verdict for all four state lines
// and one value for all four version lines.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fake_platform.h"
#include "probes/chromium/browser_extension.h"

namespace {

const char kDirectory[] = "C:\\Users\\tanaka\\AppData\\Local";
const char* const kSuffixes[4] = {
    "\\Google\\Chrome\\User Data\\Default\\Preferences",
    "\\Google\\Chrome\\User Data\\Default\\Secure Preferences",
    "\\Microsoft\\Edge\\User Data\\Default\\Preferences",
    "\\Microsoft\\Edge\\User Data\\Default\\Secure Preferences",
};
const std::size_t kBytesPerRead[4] = {0, 1, 7, 4096};

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvex::testing::FakePlatform fake;
    for (int i = 0; i < 4; ++i) {
        orvex::testing::FakePlatform::File& file = fake.files[std::string(kDirectory) + kSuffixes[i]];
        file.content.assign(reinterpret_cast<const char*>(data), size);
        file.bytesPerRead = kBytesPerRead[i];
    }
    std::ostringstream out, err, resultFile;
    orvex::ReportWriter writer(out, err, resultFile);
    orvex::probeBrowserExtension(fake, writer, std::string(kDirectory));
    if (!err.str().empty() || fake.openFiles() != 0 || !isEightItemLines(out.str())) std::abort();
    return 0;
}
