#include <ctime>
#include <iostream>
#include <string>

#include "app/run.h"
#include "platform/windows_platform.h"
#include "report/report_writer.h"

// The UTF-16 entry point: argv[0] as the command line holds it, so that the
// result file is found beside the exe whatever characters its folder has.
int wmain(int argc, wchar_t* argv[]) {
    orvex::WindowsPlatform platform;
    orvex::ReportWriter report(std::cout, std::cerr);
    try {
        const std::u16string argv0 =
            argc > 0 && argv[0] ? std::u16string(reinterpret_cast<const char16_t*>(argv[0])) : std::u16string();
        return orvex::runChecks(platform, report, argv0, std::time(nullptr));
    } catch (...) {
        // Nothing the tool meets may crash it: what was written stays, the run ends early.
        return -1;
    }
}
