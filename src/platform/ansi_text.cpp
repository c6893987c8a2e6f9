#include "platform/ansi_text.h"

namespace orvex {

namespace {

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether needle matches text from pos on, character by character of text.
bool matchesAt(const LeadBytes& lead, const std::string& text, std::string::size_type pos, const std::string& needle) {
    std::string::size_type n = 0;
    while (n < needle.size()) {
        if (pos >= text.size()) return false;
        const std::string::size_type length = charLength(lead, text, pos);
        if (length == 2) {
            // A double-byte character: both bytes exactly, and the needle must hold all of it.
            if (n + 1 >= needle.size() || needle[n] != text[pos] || needle[n + 1] != text[pos + 1]) return false;
        } else if (foldAscii(needle[n]) != foldAscii(text[pos])) {
            return false;
        }
        pos += length;
        n += length;
    }
    return true;
}

}  // namespace

LeadBytes leadBytesOf(Platform& platform) {
    return LeadBytes([&platform](unsigned char byte) { return platform.isLeadByte(byte); });
}

std::string::size_type charLength(const LeadBytes& lead, const std::string& text, std::string::size_type pos) {
    return lead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::string::size_type findLastBackslash(const LeadBytes& lead, const std::string& text) {
    std::string::size_type found = std::string::npos;
    for (std::string::size_type i = 0; i < text.size(); i += charLength(lead, text, i))
        if (text[i] == '\\') found = i;
    return found;
}

bool sameIgnoringAsciiCase(const LeadBytes& lead, const std::string& a, const std::string& b) {
    return a.size() == b.size() && matchesAt(lead, a, 0, b);
}

std::string::size_type findIgnoringAsciiCase(const LeadBytes& lead, const std::string& text,
                                             const std::string& needle) {
    if (needle.empty()) return std::string::npos;
    for (std::string::size_type i = 0; i < text.size(); i += charLength(lead, text, i))
        if (matchesAt(lead, text, i, needle)) return i;
    return std::string::npos;
}

}  // namespace orvex
