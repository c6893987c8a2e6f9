#pragma once

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// Items firstItem to firstItem + 2 (39 to 41).
// Three items, one per setup; returns item + 3.
int checkPreparationSetups(Registry& registry, ReportWriter& report, int item);

}  // namespace orvex
