#pragma once

#include <ctime>
#include <string>

#include "platform/platform.h"
#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// The result file beside the executable: argv[0] up to its last backslash
// (or "." without one), then "\OrvexEnv.txt". UTF-16, as the command line
// holds it: the ANSI form of a path with characters outside the ANSI code
// page names another folder, or none.
std::u16string resultFilePath(const std::u16string& argv0);

// "32bit", "64bit" or "--bit" for a processor architecture number.
std::string bitnessText(uint16_t processorArchitecture);

// The registry view for a processor architecture number: the native 64-bit
// view wherever Windows is 64-bit.
RegistryView registryViewFor(uint16_t processorArchitecture);

// One whole run; returns the exit code. argv0 is the program's path as the
// UTF-16 command line gives it.
int runChecks(Platform& platform, ReportWriter& report, const std::u16string& argv0, std::time_t startTime);

}  // namespace orvex
