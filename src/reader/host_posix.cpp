// The reader on Linux: text conversion through glibc's iconv, files through
// stdio, everything written in UTF-8.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "reader/program_io.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

const char kUtf8Replacement[] = "\uFFFD";

// One descriptor per direction for the whole process. On an invalid or
// unconvertible input unit the loop writes the replacement, steps over the
// unit and goes on.
class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~Converter() {
        if (usable()) iconv_close(descriptor_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool usable() const { return descriptor_ != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

    // unit: the bytes stepped over after a unit that cannot be converted.
    // clean, when given, tells whether nothing was replaced. An empty
    // replacement with escape: each byte stepped over as "\xNN".
    std::string convert(std::string_view text, std::size_t unit, std::string_view replacement,
                        bool* clean = nullptr, bool escape = false) {
        std::string out;
        if (clean != nullptr) *clean = true;
        if (!usable()) {
            if (clean != nullptr) *clean = false;
            return out;
        }
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(text.size() + text.size() / 2);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* outPos = buffer;
            std::size_t outLeft = sizeof(buffer);
            const std::size_t result = iconv(descriptor_, &in, &inLeft, &outPos, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPos - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
            // EILSEQ (invalid or unconvertible) or EINVAL (cut short at the end).
            if (clean != nullptr) *clean = false;
            out.append(replacement);
            const std::size_t skip = unit < inLeft ? unit : inLeft;
            for (std::size_t i = 0; escape && i < skip; ++i) {
                static const char kHex[] = "0123456789abcdef";
                const unsigned char byte = static_cast<unsigned char>(in[i]);
                out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
            }
            in += skip;
            inLeft -= skip;
            iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t descriptor_;
};

Converter& fromCp932() {
    static Converter converter("UTF-8", "CP932");
    return converter;
}

Converter& utf8Checker() {
    static Converter converter("UTF-8", "UTF-8");
    return converter;
}

}  // namespace

std::string cp932ToUtf8(std::string_view text) { return fromCp932().convert(text, 1, kUtf8Replacement); }

std::string utf8ToCp932(std::string_view text) {
    // Through UTF-32 so that a character CP932 lacks is one unit of four bytes,
    // replaced once, whatever its length in UTF-8.
    static Converter toUtf32("UTF-32LE", "UTF-8");
    static Converter toCp932("CP932", "UTF-32LE");
    static const std::string kUtf32Replacement = toUtf32.convert(kUtf8Replacement, 1, "");
    return toCp932.convert(toUtf32.convert(text, 1, kUtf32Replacement), 4, "?");
}

bool isValidUtf8(std::string_view text) {
    bool clean = true;
    utf8Checker().convert(text, 1, "", &clean);
    return clean;
}

std::string validUtf8(std::string_view text) { return utf8Checker().convert(text, 1, kUtf8Replacement); }

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    static Converter fromLittleEndian("UTF-8", "UTF-16LE");
    static Converter fromBigEndian("UTF-8", "UTF-16BE");
    return (bigEndian ? fromBigEndian : fromLittleEndian).convert(bytes, 2, kUtf8Replacement);
}

std::string eucJpToUtf8(std::string_view text) {
    static Converter fromEucJp("UTF-8", "EUC-JP-MS");
    return fromEucJp.convert(text, 1, kUtf8Replacement);
}

bool writeForPerson(const std::string& text, bool errorStream) {
    const std::string bytes = validUtf8(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), errorStream ? stderr : stdout) == bytes.size();
}

std::string displayName(const std::string& path) {
    std::string shown;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part(path.data() + start, end - start);
        bool clean = isValidUtf8(part);
        if (clean) {
            shown += part;
        } else {
            const std::string decoded = fromCp932().convert(part, 1, "", &clean);
            shown += clean ? decoded : utf8Checker().convert(part, 1, "", nullptr, true);
        }
        if (end == path.size()) return shown;
        shown += '/';
        start = end + 1;
    }
}

std::filesystem::path systemPath(const std::string& path) { return std::filesystem::path(path); }

std::string readerPath(const std::filesystem::path& path) { return path.native(); }

std::string fileIdentity(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::string();
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

InputFile standardInput() {
    InputFile input;
    const int descriptor = dup(STDIN_FILENO);
    if (descriptor < 0 || !(input.file = OwnedFile(fdopen(descriptor, "rb")))) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
        if (descriptor >= 0) static_cast<void>(close(descriptor));
    }
    return input;
}

std::string standardOutputIdentity() {
    struct stat info {};
    if (fstat(STDOUT_FILENO, &info) != 0 || !S_ISREG(info.st_mode)) return std::string();
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

InputFile openForReading(const std::string& argument) {
    InputFile input;
    const auto refuse = [](const struct stat& info) {
        InputFile refused;
        refused.problem = S_ISDIR(info.st_mode) ? InputFile::Problem::Folder : InputFile::Problem::NotAFile;
        return refused;
    };
    struct stat info {};
    // Without waiting: opening a FIFO that has no writer would block.
    const int descriptor = open(argument.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        // A socket cannot be opened at all: say what it is.
        if (stat(argument.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return refuse(info);
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(error));
        input.absent = error == ENOENT;
        return input;
    }
    if (fstat(descriptor, &info) == 0 && !S_ISREG(info.st_mode)) {
        static_cast<void>(close(descriptor));
        return refuse(info);
    }
    static_cast<void>(fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK));
    input.file = OwnedFile(fdopen(descriptor, "rb"));
    if (!input.file) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
        static_cast<void>(close(descriptor));
    }
    return input;
}

InputFile openList(const std::string& argument) {
    InputFile input;
    // A pipe or a FIFO waits for its writer, as a list given so means it to.
    const int descriptor = open(argument.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (descriptor >= 0 && fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
        input.problem = InputFile::Problem::Folder;
    } else if (descriptor < 0 || !(input.file = OwnedFile(fdopen(descriptor, "rb")))) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
    }
    if (!input.file && descriptor >= 0) static_cast<void>(close(descriptor));
    return input;
}

std::vector<std::string> expandWildcards(const std::string& argument) { return {argument}; }

std::string listedPath(const std::string& line) { return line; }

std::string programFolder() { return std::string(); }

bool canCreateFileIn(const std::string& folder) {
    std::string name = folder + "/.OrvexEnvRead-XXXXXX";
    const int probe = mkstemp(&name[0]);
    if (probe < 0) return false;
    static_cast<void>(close(probe));
    static_cast<void>(unlink(name.c_str()));
    return true;
}

bool hasConsoleOfItsOwn() { return false; }

void waitForKey(const std::string&) {}

OwnedFile openForWriting(const std::string& path, std::string& reason) {
    const auto refuse = [&reason](const struct stat& info) {
        reason = S_ISDIR(info.st_mode) ? "フォルダーです" : "ファイルではありません。パイプや装置などには書きません";
        return OwnedFile();
    };
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return refuse(info);
    // Without waiting: a FIFO put there since has no reader.
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        reason = validUtf8(std::strerror(errno));
        return OwnedFile();
    }
    if (fstat(descriptor, &info) == 0 && !S_ISREG(info.st_mode)) {
        static_cast<void>(close(descriptor));
        return refuse(info);
    }
    static_cast<void>(fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK));
    OwnedFile file(fdopen(descriptor, "wb"));
    if (!file) {
        reason = validUtf8(std::strerror(errno));
        static_cast<void>(close(descriptor));
    }
    return file;
}

void removeFile(const std::string& path) { static_cast<void>(std::remove(path.c_str())); }

void keepRunningOnClosedOutput() { static_cast<void>(std::signal(SIGPIPE, SIG_IGN)); }

void writeBytesUnchanged() {}

}  // namespace orvex::reader
