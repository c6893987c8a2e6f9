// The reader on Linux: text conversion through glibc's iconv, files through
// stdio, everything written in UTF-8.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
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
    // clean, when given, tells whether nothing was replaced.
    std::string convert(std::string_view text, std::size_t unit, std::string_view replacement,
                        bool* clean = nullptr) {
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

bool writeForPerson(const std::string& text, bool errorStream) {
    const std::string bytes = validUtf8(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), errorStream ? stderr : stdout) == bytes.size();
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

InputFile openForReading(const std::string& argument) {
    InputFile input;
    const auto refuse = [&input](const struct stat& info) {
        input.problem = S_ISDIR(info.st_mode) ? InputFile::Problem::Folder : InputFile::Problem::NotAFile;
        return input;
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
        return input;
    }
    if (fstat(descriptor, &info) == 0 && !S_ISREG(info.st_mode)) {
        static_cast<void>(close(descriptor));
        return refuse(info);
    }
    static_cast<void>(fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK));
    input.file = fdopen(descriptor, "rb");
    if (input.file == nullptr) {
        input.problem = InputFile::Problem::CannotOpen;
        input.reason = validUtf8(std::strerror(errno));
        static_cast<void>(close(descriptor));
    }
    return input;
}

std::vector<std::string> expandWildcards(const std::string& argument) { return {argument}; }

std::string listedPath(const std::string& line) { return line; }

bool hasConsoleOfItsOwn() { return false; }

void waitForKey(const std::string&) {}

std::FILE* openForWriting(const std::string& path, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) reason = validUtf8(std::strerror(errno));
    return file;
}

void removeFile(const std::string& path) { static_cast<void>(std::remove(path.c_str())); }

void keepRunningOnClosedOutput() { static_cast<void>(std::signal(SIGPIPE, SIG_IGN)); }

void writeBytesUnchanged() {}

}  // namespace orvex::reader
