// One of the browsers' preference documents (Preferences or Secure
// Preferences of the Default profile), judged while it is read: of the
// whole document only what the extension's own entry says is kept.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace orvex {

// A member of the extension's entry, as far as a verdict reads it.
struct EntryMember {
    enum Type { Absent, Number, Array, Other };
    Type type = Absent;
    double number = 0;   // of a Number
    bool empty = false;  // of an Array: no items
};

// What a document says of the extension, read as a whole tree would hold it:
// where a member name repeats, at any level, the last one counts.
struct PreferencesDocument {
    bool loaded = false;         // opened, and its first JSON value read without error
    EntryMember state;           // the entry's "state"
    EntryMember disableReasons;  // the entry's "disable_reasons"
    std::string version;         // the manifest's "version" when a string: its bytes, escapes undone
};

// Nesting allowed in a document, arrays and objects counted together.
inline constexpr std::size_t kMaxDocumentDepth = 100;

// Bytes read from the document at a time; nothing else of it is held.
inline constexpr std::size_t kDocumentChunkSize = std::size_t{64} * 1024;

// localAppData + suffix (a Windows path, suffix beginning with a backslash);
// without a local application data directory, nothing is opened.
// Never fails outright: a document that cannot be opened or read, or whose
// first value is not JSON, nests too deep or holds a number beyond double
// range, comes back with loaded false and nothing recorded. The file is
// closed again before this returns.
PreferencesDocument loadPreferencesDocument(Platform& platform, const std::optional<std::string>& localAppData,
                                            const std::string& suffix);

}  // namespace orvex
