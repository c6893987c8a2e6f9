// Text conversion for the reader: the tool's code page (CP932, the ANSI code
// page of a Japanese Windows) and UTF-8. glibc's iconv does the work on Linux,
// MultiByteToWideChar and WideCharToMultiByte on Windows. Nothing here fails:
// a byte that is not valid in its encoding, or a character the target lacks,
// becomes a replacement character and the conversion goes on.
#pragma once

#include <string>
#include <string_view>

namespace orvex::reader {

// Invalid bytes become U+FFFD.
std::string cp932ToUtf8(std::string_view text);

// Invalid bytes and characters CP932 lacks become "?".
std::string utf8ToCp932(std::string_view text);

// Whether text is well-formed UTF-8 (no stray, overlong or surrogate forms).
bool isValidUtf8(std::string_view text);

// text with every invalid byte replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace orvex::reader
