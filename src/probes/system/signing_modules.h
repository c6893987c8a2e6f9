#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// 0 the date text was made; -1 the file could not be opened; -2 its times could not be read.
int getFileUpdateDate(Platform& platform, const std::string& path, std::string& text);

// Items 6 and 7.
void checkSigningModules(Platform& platform, Registry& registry, ReportWriter& report);

}  // namespace orvex
