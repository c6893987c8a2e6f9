// The reader on Windows: text conversion through UTF-16 with the Win32
// conversion functions, file names from the wide command line, the console's
// wide-character output for what a person reads.
#include <windows.h>

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

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

// A character the code page lacks becomes "?", never a look-alike (best fit).
std::string fromWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int length = lengthOf(wide.size());
    // UTF-8 and a few code pages (UTF-7, the ISO-2022 ones) take neither the flag nor a default character.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unknown = codePage == CP_UTF8 ? nullptr : "?";
    int needed = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, unknown, nullptr);
    if (needed <= 0 && flags != 0) {
        flags = 0;
        unknown = nullptr;
        needed = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, unknown, nullptr);
    }
    if (needed <= 0) return std::string();
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, &text[0], needed, unknown, nullptr);
    return text;
}

// A file on a disk, not a device (CON, NUL, COM1) or a pipe, which open like files.
bool onDisk(const OwnedFile& file) {
    return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) == FILE_TYPE_DISK;
}

}  // namespace

// Without the flag for invalid bytes Windows turns them into the code page's
// own default (a middle dot in CP932): they are U+FFFD here, as on Linux.
std::string cp932ToUtf8(std::string_view text) {
    std::wstring wide = toWide(kCp932, text, MB_ERR_INVALID_CHARS);
    if (wide.empty() && !text.empty()) {
        // Character by character: a lead byte and its trail byte, or one byte.
        for (std::size_t at = 0; at < text.size();) {
            const bool lead = IsDBCSLeadByteEx(kCp932, static_cast<BYTE>(text[at])) != 0;
            const std::size_t size = lead && at + 1 < text.size() ? 2 : 1;
            const std::wstring character = toWide(kCp932, text.substr(at, size), MB_ERR_INVALID_CHARS);
            const bool valid = !character.empty();
            wide += valid ? character : L"\uFFFD";
            at += valid ? size : 1;
        }
    }
    return fromWide(CP_UTF8, wide);
}

std::string utf8ToCp932(std::string_view text) { return fromWide(kCp932, toWide(CP_UTF8, text)); }

bool isValidUtf8(std::string_view text) {
    return text.empty() || !toWide(CP_UTF8, text, MB_ERR_INVALID_CHARS).empty();
}

std::string validUtf8(std::string_view text) { return fromWide(CP_UTF8, toWide(CP_UTF8, text)); }

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::wstring wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto byte = [&bytes](std::size_t i) { return static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])); };
        wide += bigEndian ? static_cast<wchar_t>(byte(at) << 8 | byte(at + 1)) : static_cast<wchar_t>(byte(at + 1) << 8 | byte(at));
    }
    if (bytes.size() % 2 != 0) wide += L'\uFFFD';
    // Converted without the flag for invalid input, a lone surrogate becomes U+FFFD.
    return fromWide(CP_UTF8, wide);
}

std::string eucJpToUtf8(std::string_view text) {
    constexpr unsigned kEucJp = 20932;
    return fromWide(CP_UTF8, toWide(kEucJp, text));
}

bool writeForPerson(const std::string& text, bool errorStream) {
    std::FILE* stream = errorStream ? stderr : stdout;
    const HANDLE handle = GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode) == 0) {
        const std::string bytes = fromWide(GetACP(), toWide(CP_UTF8, text));
        return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    }
    // Bytes in the console's code page would lose what it lacks ("?" for
    // Japanese in code page 437), and the C runtime's own console output
    // takes them for Latin-1 under Wine.
    if (std::fflush(stream) != 0) return false;
    const std::wstring wide = toWide(CP_UTF8, text);
    // In pieces: older Windows refuse a long console write for lack of memory.
    constexpr std::size_t kPiece = 8192;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t size = std::min(wide.size() - at, kPiece);
        if (at + size < wide.size() && IS_HIGH_SURROGATE(wide[at + size - 1])) --size;  // keep a pair whole
        DWORD written = 0;
        if (WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(size), &written, nullptr) == 0 || written == 0)
            return false;
        at += written;
    }
    return true;
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

namespace {

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A file opened for reading bytes, never a folder; onDiskOnly: never a
// device (CON, COM1) or a pipe either, which open like files.
InputFile openFile(const std::string& argument, bool onDiskOnly) {
    InputFile input;
    const std::wstring path = toWide(CP_UTF8, argument);
    if (isFolder(path)) {
        input.problem = InputFile::Problem::Folder;
        return input;
    }
    OwnedFile file(_wfopen(path.c_str(), L"rb"));
    if (!file) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
        input.absent = errno == ENOENT;
    } else if (onDiskOnly && !onDisk(file)) {
        input.problem = InputFile::Problem::NotAFile;
    } else {
        input.file = std::move(file);
    }
    return input;
}

}  // namespace

InputFile openForReading(const std::string& argument) { return openFile(argument, true); }

InputFile openList(const std::string& argument) { return openFile(argument, false); }

InputFile standardInput() {
    InputFile input;
    const int descriptor = _dup(_fileno(stdin));
    if (descriptor >= 0) _setmode(descriptor, _O_BINARY);
    if (descriptor < 0 || !(input.file = OwnedFile(_fdopen(descriptor, "rb")))) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
        if (descriptor >= 0) static_cast<void>(_close(descriptor));
    }
    return input;
}

namespace {

std::string identityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) == 0) return std::string();
    return std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(information.nFileIndexHigh) + ":" +
           std::to_string(information.nFileIndexLow);
}

}  // namespace

std::string standardOutputIdentity() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return GetFileType(output) == FILE_TYPE_DISK ? identityOf(output) : std::string();
}

std::filesystem::path systemPath(const std::string& path) { return std::filesystem::path(toWide(CP_UTF8, path)); }

std::string readerPath(const std::filesystem::path& path) { return fromWide(CP_UTF8, path.native()); }

std::string fileIdentity(const std::string& path) {
    // Asking for no access opens a file that cannot be read, and a folder.
    const HANDLE file = CreateFileW(toWide(CP_UTF8, path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string identity = identityOf(file);
    CloseHandle(file);
    return identity;
}

// Names come from the wide command line, the system's listings or a list
// already converted: UTF-8 but for a lone surrogate, shown as U+FFFD.
std::string displayName(const std::string& path) { return validUtf8(path); }

std::vector<std::string> expandWildcards(const std::string& argument) {
    std::vector<std::string> matches;
    const std::wstring pattern = toWide(CP_UTF8, argument);
    // The folder part stays as it was written; the matches are found in it.
    const std::size_t folderEnd = argument.find_last_of("\\/:");
    const std::string folder = folderEnd == std::string::npos ? std::string() : argument.substr(0, folderEnd + 1);
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return matches;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") matches.push_back(folder + fromWide(CP_UTF8, name));
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
    std::sort(matches.begin(), matches.end());
    return matches;
}

std::string listedPath(const std::string& line) { return isValidUtf8(line) ? line : cp932ToUtf8(line); }

std::string programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() > 65536) return std::string();
        path.resize(path.size() * 2);  // cut short: a longer path than the buffer
    }
    const std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::string() : fromWide(CP_UTF8, path.substr(0, last));
}

bool canCreateFileIn(const std::string& folder) {
    const std::wstring base = toWide(CP_UTF8, folder) + L"\\OrvexEnvRead-" + std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Created only when no file has the name; deleted by the system as its handle closes.
        const HANDLE probe = CreateFileW((base + L"-" + std::to_wstring(attempt) + L".tmp").c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                         nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool hasConsoleOfItsOwn() {
    DWORD mode = 0;
    // Wine gives a program started from a terminal with "< /dev/null" a
    // console for its output alone: only a console's input handle takes
    // GetConsoleMode.
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0 ||
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0)
        return false;
    DWORD processes[4];
    return GetConsoleProcessList(processes, 4) == 1;
}

void waitForKey(const std::string& prompt) {
    static_cast<void>(writeForPerson(prompt, false));
    static_cast<void>(_getch());
}

OwnedFile openForWriting(const std::string& path, std::string& reason) {
    const std::wstring wide = toWide(CP_UTF8, path);
    if (isFolder(wide)) {
        reason = "フォルダーです";
        return OwnedFile();
    }
    OwnedFile file(_wfopen(wide.c_str(), L"wb"));
    if (!file) {
        reason = validUtf8(std::strerror(errno));
    } else if (!onDisk(file)) {
        // A device (NUL, CON, COM1) or a pipe opens like a file.
        reason = "ファイルではありません。パイプや装置などには書きません";
        return OwnedFile();
    }
    return file;
}

void removeFile(const std::string& path) { static_cast<void>(_wremove(toWide(CP_UTF8, path).c_str())); }

void keepRunningOnClosedOutput() {}  // Windows ends no program for writing to a closed pipe

void writeBytesUnchanged() {
    static_cast<void>(std::fflush(stdout));  // a failure shows when the program flushes at its end
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace orvex::reader
