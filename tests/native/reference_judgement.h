// The tree-based judgement of a preference document, as the probe did it
// before it judged documents while reading them: the whole content parsed
// into a picojson tree (behind a pre-scan of the nesting), then the key paths
// looked up in the tree. Kept as the reference the streaming judgement must
// agree with, byte for byte, on every document.
#pragma once

#include <string>

namespace orvex::reference {

// The words of a document's two lines.
struct Verdict {
    bool loaded = false;
    std::string state;    // "on", "off" or the not-installed text
    std::string version;  // the version, or "-"
};

// content: the whole file, as read.
Verdict judgeWholeDocument(const std::string& content);

}  // namespace orvex::reference
