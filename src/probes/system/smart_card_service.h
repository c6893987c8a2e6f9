#pragma once

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// Item 5.
// One item; returns item + 1.
int checkSmartCardService(Platform& platform, ReportWriter& report, int item);

}  // namespace orvex
