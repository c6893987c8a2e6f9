#pragma once

#include <string>

#include "report/report_writer.h"

namespace orvex {

// Items item to item + 7: the extension in Chrome and Edge. Returns item + 8.
int probeBrowserExtension(ReportWriter& report, bool directoryKnown, const std::string& directory, int item);

}  // namespace orvex
