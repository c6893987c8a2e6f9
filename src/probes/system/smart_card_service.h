#pragma once

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// The smart card service's state: one item.
void checkSmartCardService(Platform& platform, ReportWriter& report);

}  // namespace orvex
