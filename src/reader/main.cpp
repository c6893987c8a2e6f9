// OrvexEnvRead: reads the result files of OrvexEnv and tells the support
// desk what each latest run says, for a person (a summary in Japanese) or as
// data (--json, --csv).
#include <cstdio>
#include <string>

#include "reader/command.h"
#include "reader/program_io.h"
#include "reader/text_conversion.h"

int main(int argc, char** argv) {
    using namespace orvex::reader;
    bool bytesUnchanged = false;
    Output output;
    output.out = [&bytesUnchanged](const std::string& text, bool forPerson) {
        if (!forPerson && !bytesUnchanged) {
            writeBytesUnchanged();
            bytesUnchanged = true;
        }
        const std::string bytes = forPerson ? forConsole(text, false) : text;
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    };
    output.err = [](const std::string& text) {
        std::fflush(stdout);
        const std::string bytes = forConsole(text, true);
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        std::fflush(stderr);
    };
    const int exitCode = runReader(programArguments(argc, argv), output);
    std::fflush(stdout);
    return exitCode;
}
