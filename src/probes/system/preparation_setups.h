#pragma once

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// Items firstItem to firstItem + 2 (39 to 41).
void checkPreparationSetups(Registry& registry, ReportWriter& report, int firstItem);

}  // namespace orvex
