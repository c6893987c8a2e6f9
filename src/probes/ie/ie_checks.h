// The Internet Explorer settings of the target user, read under
// HKEY_USERS\<sid>. Each check writes its lines whatever it finds: one per
// host, per add-on or per setting, numbered as the catalogue numbers them.
#pragma once

#include <string>

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

void checkTrustedSites(Registry& registry, ReportWriter& report, const std::string& sid);       // one line per host
void checkSecurityZone(Registry& registry, ReportWriter& report, const std::string& sid);       // one line
void checkAddonSettings(Registry& registry, ReportWriter& report, const std::string& sid);      // one line per add-on
void checkCompatibilityView(Registry& registry, ReportWriter& report, const std::string& sid);  // one line
void checkPopupAllowList(Registry& registry, ReportWriter& report, const std::string& sid);     // one line per host

}  // namespace orvex
