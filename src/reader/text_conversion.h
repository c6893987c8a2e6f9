// Text conversion for the reader: the tool's code page (CP932, the ANSI code
// page of a Japanese Windows), UTF-8, and what mail and editors turn a
// result file into (UTF-16, EUC-JP). glibc's iconv does the work on Linux,
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

// UTF-16 bytes (little-endian unless bigEndian) to UTF-8; an odd last byte
// or a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// EUC-JP (as Windows' code page 20932 and glibc read it) to UTF-8; invalid
// bytes become U+FFFD.
std::string eucJpToUtf8(std::string_view text);

}  // namespace orvex::reader
