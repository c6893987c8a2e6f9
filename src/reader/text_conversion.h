// Text conversion for the reader: the tool's code page (CP932, the ANSI code
// page of a Japanese Windows), UTF-8 and the console's encoding. glibc's iconv
// does the work on Linux, MultiByteToWideChar and WideCharToMultiByte on
// Windows. Nothing here fails: a byte that is not valid in its encoding, or a
// character the target lacks, becomes a replacement character and the
// conversion goes on.
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

// UTF-8 text for a person at the console (standard output or standard error):
// UTF-8 on Linux. On Windows the console's output code page; when the stream
// is redirected to a file or a pipe, the ANSI code page, in which Windows
// programs and the tool's own result file write (CP932 on a Japanese Windows).
std::string forConsole(std::string_view text, bool errorStream);

}  // namespace orvex::reader
