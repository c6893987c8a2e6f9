// OrvexEnvRead: reads the result files of OrvexEnv and tells the support
// desk what each latest run says, for a person (a summary in Japanese) or as
// data (--json, --csv), and on a page (--html); started with nothing beside
// OrvexEnv.exe, it shows the person at the PC what to fix. Exit codes as
// exitCode's (outcome.h); standard output that could not take everything (a
// full disk, a closed pipe) is said and counts: nothing is lost without a word.
#include <cstdio>
#include <string>
#include <vector>

#include "reader/command.h"
#include "reader/program_io.h"

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
        const bool written = forPerson ? writeForPerson(text, false)
                                       : std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
        if (!written) outputLost = true;
    };
    // Standard error is the last resort: what it cannot take is not reported anywhere.
    output.err = [](const std::string& text) {
        static_cast<void>(std::fflush(stdout));
        static_cast<void>(writeForPerson(text, true));
        static_cast<void>(std::fflush(stderr));
    };
    const std::vector<std::string> arguments = programArguments(argc, argv);
    // Started from Explorer (a double-click, files or a folder dropped on it):
    // the window would close before anyone read it.
    const bool wait = hasConsoleOfItsOwn();
    // Nothing on the command line on Windows: the result file beside the
    // program, for the person at the PC. Elsewhere a command line naming
    // nothing is wrong.
    const std::string folder = arguments.empty() ? programFolder() : std::string();
    Outcome outcome = folder.empty() ? runReader(arguments, output) : runBesideTool(folder, output);
    if (std::fflush(stdout) != 0 || outputLost) {
        output.err("OrvexEnvRead: 標準出力に書き切れませんでした（ディスクがいっぱいか、出力先が閉じています）。\n");
        outcome.unwritten = true;
    }
    if (wait) waitForKey("\n何かキーを押すと閉じます。");
    return exitCode(outcome);
}
