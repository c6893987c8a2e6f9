// Text in the Windows ANSI code page. On Japanese Windows (CP932) a character
// may take two bytes, and the second byte can be 0x5C (the backslash) or an
// ASCII letter: it is never a separator and never folded, and a search only
// matches where a character starts. For pure ASCII text these are the plain
// byte operations.
#pragma once

#include <array>
#include <string>

#include "platform/platform.h"

namespace orvex {

// The code page's lead-byte rule: which bytes start a double-byte character.
class LeadBytes {
public:
    LeadBytes() = default;  // a single-byte code page: no lead bytes
    template <typename Rule>
    explicit LeadBytes(Rule isLeadByte) {
        for (unsigned value = 0; value < lead_.size(); ++value)
            lead_[value] = isLeadByte(static_cast<unsigned char>(value));
    }
    bool operator()(unsigned char byte) const { return lead_[byte]; }

private:
    std::array<bool, 256> lead_ = {};
};

// The rule of the running system's ANSI code page (IsDBCSLeadByte).
LeadBytes leadBytesOf(Platform& platform);

// Length in bytes of the character that starts at pos: 2 for a lead byte
// followed by a trail byte, otherwise 1. pos must be inside the text.
std::string::size_type charLength(const LeadBytes& lead, const std::string& text, std::string::size_type pos);

// Position of the last backslash that starts a character, or npos.
std::string::size_type findLastBackslash(const LeadBytes& lead, const std::string& text);

// Whether both texts hold the same characters when single-byte letters are
// compared without regard to case. Double-byte characters compare exactly.
bool sameIgnoringAsciiCase(const LeadBytes& lead, const std::string& a, const std::string& b);

// The first character position at which needle occurs in text, comparing as
// sameIgnoringAsciiCase does and covering whole characters of text; npos when
// it does not occur or needle is empty.
std::string::size_type findIgnoringAsciiCase(const LeadBytes& lead, const std::string& text,
                                             const std::string& needle);

}  // namespace orvex
