// Text in the Windows ANSI code page. On Japanese Windows (CP932) a character
// may take two bytes, and the second byte can be 0x5C (the backslash) or an
// ASCII letter: it is never a separator and never folded. The lead-byte test
// comes from the platform.
#pragma once

#include <string>

#include "platform/platform.h"

namespace orvex {

// Position of the last backslash that starts a character, or npos.
std::string::size_type findLastBackslash(Platform& platform, const std::string& text);

}  // namespace orvex
