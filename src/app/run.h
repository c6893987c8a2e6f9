#pragma once

#include <ctime>
#include <string>

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// The result file beside the executable: argv[0] up to its last backslash
// (or "." without one), then "\OrvexEnv.txt".
std::string resultFilePath(Platform& platform, const std::string& argv0);

// "32bit", "64bit" or "--bit" for a processor architecture number.
std::string bitnessText(uint16_t processorArchitecture);

// One whole run; returns the exit code.
int runChecks(Platform& platform, ReportWriter& report, const std::string& argv0, std::time_t startTime);

}  // namespace orvex
