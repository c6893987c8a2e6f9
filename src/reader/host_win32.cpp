// The reader on Windows: text conversion through UTF-16 with the Win32
// conversion functions, file names from the wide command line, the console's
// code page for what a person reads.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <climits>

#include "reader/program_io.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

constexpr unsigned kCp932 = 932;

// The reader converts lines capped far below this; a longer text is
// converted in its first INT_MAX / 4 bytes only.
int lengthOf(std::size_t size) { return size > INT_MAX / 4 ? INT_MAX / 4 : static_cast<int>(size); }

// Without MB_ERR_INVALID_CHARS an invalid byte becomes a replacement character.
std::wstring toWide(unsigned codePage, std::string_view text, DWORD flags = 0) {
    if (text.empty()) return std::wstring();
    const int length = lengthOf(text.size());
    const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), length, &wide[0], needed);
    return wide;
}

// A character the code page lacks becomes its default character.
std::string fromWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int length = lengthOf(wide.size());
    const int needed = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), length, &text[0], needed, nullptr, nullptr);
    return text;
}

}  // namespace

std::string cp932ToUtf8(std::string_view text) { return fromWide(CP_UTF8, toWide(kCp932, text)); }

std::string utf8ToCp932(std::string_view text) { return fromWide(kCp932, toWide(CP_UTF8, text)); }

bool isValidUtf8(std::string_view text) {
    return text.empty() || !toWide(CP_UTF8, text, MB_ERR_INVALID_CHARS).empty();
}

std::string validUtf8(std::string_view text) { return fromWide(CP_UTF8, toWide(CP_UTF8, text)); }

std::string forConsole(std::string_view text, bool errorStream) {
    DWORD mode = 0;
    const bool console = GetConsoleMode(GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), &mode) != 0;
    unsigned codePage = console ? GetConsoleOutputCP() : 0;
    if (codePage == 0) codePage = GetACP();
    return fromWide(codePage, toWide(CP_UTF8, text));
}

std::vector<std::string> programArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(fromWide(CP_UTF8, wide[i]));
    LocalFree(wide);
    return arguments;
}

std::FILE* openForReading(const std::string& argument) {
    return _wfopen(toWide(CP_UTF8, argument).c_str(), L"rb");
}

void writeBytesUnchanged() {
    static_cast<void>(std::fflush(stdout));  // a failure shows when the program flushes at its end
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace orvex::reader
