// OrvexEnvRead: reads the result files of OrvexEnv and tells the support
// desk what each latest run says, for a person (a summary in Japanese) or as
// data (--json, --csv). Exit codes as runReader's; also 2 when standard
// output could not take everything (a full disk, a closed pipe): nothing is
// lost without a word.
#include <cstdio>
#include <string>

#include "reader/command.h"
#include "reader/program_io.h"
#include "reader/text_conversion.h"

int main(int argc, char** argv) {
    using namespace orvex::reader;
    keepRunningOnClosedOutput();
    bool bytesUnchanged = false;
    bool outputLost = false;
    Output output;
    output.out = [&bytesUnchanged, &outputLost](const std::string& text, bool forPerson) {
        if (!forPerson && !bytesUnchanged) {
            writeBytesUnchanged();
            bytesUnchanged = true;
        }
        const std::string bytes = forPerson ? forConsole(text, false) : text;
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) outputLost = true;
    };
    // Standard error is the last resort: what it cannot take is not reported anywhere.
    output.err = [](const std::string& text) {
        static_cast<void>(std::fflush(stdout));
        const std::string bytes = forConsole(text, true);
        static_cast<void>(std::fwrite(bytes.data(), 1, bytes.size(), stderr));
        static_cast<void>(std::fflush(stderr));
    };
    const int exitCode = runReader(programArguments(argc, argv), output);
    if (std::fflush(stdout) != 0 || outputLost) {
        output.err(u8"OrvexEnvRead: 標準出力に書き切れませんでした（ディスクがいっぱいか、出力先が閉じています）。\n");
        return 2;
    }
    return exitCode;
}
