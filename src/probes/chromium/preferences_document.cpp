// Reading one preference document: open, read whole, parse. The documents
// belong to another user and may be damaged, huge or hostile; whatever they
// hold, the result is a parsed tree or an unavailable document.
#include "probes/chromium/preferences_document.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>

#include "platform/host.h"

namespace orvex {

namespace {

// The whole file in one read, sized first. Binary mode: the bytes reach the
// parser exactly as stored. (Text mode on Windows would fold CR LF into LF
// and stop at a Ctrl-Z; the parser takes CR as white space and refuses both
// control characters inside strings, so no document would read differently,
// but the size found by seeking would no longer be the size read.)
bool readWholeFile(const std::string& hostPath, std::string& content) {
    std::ifstream file(hostPath, std::ios::in | std::ios::binary);
    if (!file) return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (!file || size < 0 || static_cast<std::uintmax_t>(size) > content.max_size()) return false;

    content.resize(static_cast<std::size_t>(size));
    file.read(content.data(), static_cast<std::streamsize>(size));
    content.resize(static_cast<std::size_t>(file.gcount()));  // shorter if it shrank meanwhile
    // Anything written after the file was sized, up to its end.
    char chunk[4096];
    while (file && file.read(chunk, sizeof chunk).gcount() > 0)
        content.append(chunk, static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool nestsDeeperThan(const std::string& text, std::size_t maxDepth) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isJsonSpace(*p)) ++p;
    if (p == end || (*p != '{' && *p != '[')) return false;  // a plain value nests nothing

    std::size_t depth = 0;
    for (; p != end; ++p) {
        switch (*p) {
        case '"':
            // To the closing quote: the first one after an even run of
            // backslashes (the opening quote ends every run).
            for (;;) {
                const char* quote = static_cast<const char*>(std::memchr(p + 1, '"', end - p - 1));
                if (quote == nullptr) return false;  // unterminated: the parser refuses it
                const char* run = quote;
                while (run[-1] == '\\') --run;
                p = quote;
                if ((quote - run) % 2 == 0) break;
            }
            break;
        case '{': case '[':
            if (++depth > maxDepth) return true;
            break;
        case '}': case ']':
            if (--depth == 0) return false;  // end of the first value
            break;
        default: break;
        }
    }
    return false;
}

PreferencesDocument loadPreferencesDocument(bool directoryKnown, const std::string& directory,
                                            const std::string& suffix) {
    PreferencesDocument document;
    if (!directoryKnown) return document;
    try {
        std::string content;
        if (!readWholeFile(toHostPath(directory + suffix), content)) return document;
        if (nestsDeeperThan(content, kMaxDocumentDepth)) return document;
        // The error text says where the syntax broke; nobody reads it.
        if (!picojson::parse(document.root, content).empty()) {
            document.root = picojson::value();
            return document;
        }
        document.loaded = true;
    } catch (const std::exception&) {
        // A number beyond double range (the parser throws overflow_error) or
        // memory running out while reading or parsing (bad_alloc, length_error).
        document.root = picojson::value();
    }
    return document;
}

}  // namespace orvex
