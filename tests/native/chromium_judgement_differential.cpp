// The streaming judgement against the tree-based one it replaced: the same
// bytes to both, as a document of the scripted platform for the one and as
// a string for the other. Any difference in whether the document loads, in
// the state word or in the version's bytes aborts, with both answers shown.
// The document's bytes reach the streaming judgement in reads of a size that
// follows from the input's length, from one byte to all at once, so that
// every place in a document is sometimes where a chunk ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fake_platform.h"
#include "probes/chromium/browser_extension.h"
#include "reference_judgement.h"

namespace {

const char kDirectory[] = "C:\\Users\\tanaka\\AppData\\Local";
const char kSuffix[] = "\\Google\\Chrome\\User Data\\Default\\Preferences";

void show(const char* who, bool loaded, const std::string& lines) {
    std::fprintf(stderr, "%s: loaded %d\n%s", who, loaded ? 1 : 0, lines.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    const orvex::reference::Verdict expected = orvex::reference::judgeWholeDocument(content);

    orvex::testing::FakePlatform fake;
    orvex::testing::FakePlatform::File& file = fake.files[std::string(kDirectory) + kSuffix];
    file.content = content;
    const std::size_t kBytesPerRead[] = {0, 1, 2, 3, 5, 8, 13, 64};
    file.bytesPerRead = kBytesPerRead[size % (sizeof kBytesPerRead / sizeof kBytesPerRead[0])];
    const orvex::PreferencesDocument document = orvex::loadPreferencesDocument(fake, std::string(kDirectory), kSuffix);

    std::ostringstream out, err, resultFile;
    orvex::ReportWriter writer(out, err, resultFile);
    orvex::reportExtensionState(writer, document, {0, ""});
    // The version as the document holds it (UTF-8): its conversion for the
    // report is the same for both.
    const std::string version = document.loaded && !document.version.empty() ? document.version : "-";
    const std::string wanted = "0" + expected.state + "\n" + expected.version;
    const std::string got = out.str() + version;
    if (document.loaded != expected.loaded || got != wanted || fake.openFiles() != 0) {
        show("tree", expected.loaded, wanted);
        show("streaming", document.loaded, got);
        std::abort();
    }
    return 0;
}
