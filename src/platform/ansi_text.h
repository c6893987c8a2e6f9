// Text in the Windows ANSI code page. On Japanese Windows (CP932) a character
// may take two bytes, and the second byte can be 0x5C (the backslash) or an
// ASCII letter: it is never a separator and never folded, and a search only
// matches where a character starts. The lead-byte test comes from the
// platform. For pure ASCII text these are the plain byte operations.
#pragma once

#include <string>

#include "platform/platform.h"

namespace orvex {

// Length in bytes of the character that starts at pos: 2 for a lead byte
// followed by a trail byte, otherwise 1. pos must be inside the text.
std::string::size_type charLength(Platform& platform, const std::string& text, std::string::size_type pos);

// Position of the last backslash that starts a character, or npos.
std::string::size_type findLastBackslash(Platform& platform, const std::string& text);

// Whether both texts hold the same characters when single-byte letters are
// compared without regard to case. Double-byte characters compare exactly.
bool sameIgnoringAsciiCase(Platform& platform, const std::string& a, const std::string& b);

// The first character position at which needle occurs in text, comparing as
// sameIgnoringAsciiCase does and covering whole characters of text; npos when
// it does not occur or needle is empty.
std::string::size_type findIgnoringAsciiCase(Platform& platform, const std::string& text, const std::string& needle);

}  // namespace orvex
