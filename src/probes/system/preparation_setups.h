#pragma once

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// The installed version of each of the three preparation setups: one item each.
void checkPreparationSetups(Registry& registry, ReportWriter& report);

}  // namespace orvex
