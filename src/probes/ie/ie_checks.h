// The Internet Explorer settings of the target user, read under
// HKEY_USERS\<sid>. Each check writes its fixed number of lines, numbered from
// item, and returns the next item number.
#pragma once

#include <string>

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

int checkTrustedSites(Registry& registry, ReportWriter& report, const std::string& sid, int item);       // 9 lines
int checkSecurityZone(Registry& registry, ReportWriter& report, const std::string& sid, int item);       // 1 line
int checkAddonSettings(Registry& registry, ReportWriter& report, const std::string& sid, int item);      // 3 lines
int checkCompatibilityView(Registry& registry, ReportWriter& report, const std::string& sid, int item);  // 1 line
int checkPopupAllowList(Registry& registry, ReportWriter& report, const std::string& sid, int item);     // 9 lines

}  // namespace orvex
