// One of the browsers' preference documents (Preferences or Secure
// Preferences of the Default profile), read and parsed whole.
#pragma once

#include <picojson.h>

#include <string>

namespace orvex {

struct PreferencesDocument {
    bool loaded = false;   // opened, read and parsed without error
    picojson::value root;  // meaningful only when loaded
};

// Nesting allowed in a document, arrays and objects alike: the parser's own
// limit. The parser counts only arrays and would recurse without end on
// nested objects, so deeper documents are turned away before parsing.
inline constexpr std::size_t kMaxDocumentDepth = picojson::DEFAULT_MAX_DEPTHS;

// directory + suffix (a Windows path, suffix beginning with a backslash).
// Never fails outright: a document that cannot be opened, read, held in
// memory or parsed comes back with loaded false. The file is closed again
// before this returns.
PreferencesDocument loadPreferencesDocument(bool directoryKnown, const std::string& directory,
                                            const std::string& suffix);

// Whether the first JSON value in text nests arrays and objects deeper than
// maxDepth. Text after that value is not looked at.
bool nestsDeeperThan(const std::string& text, std::size_t maxDepth);

}  // namespace orvex
