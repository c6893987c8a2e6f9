#pragma once

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// Item 5.
void checkSmartCardService(Platform& platform, ReportWriter& report);

}  // namespace orvex
