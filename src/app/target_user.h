// Whose machine: the user who last logged on interactively, found in the
// logon records, and that user's hive and local application data directory.
#pragma once

#include <string>

#include "app/ansi_text.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

struct AccountName {
    std::string domain;     // before the last backslash; empty without one
    std::string user;       // after the last backslash, or the whole text
    std::string qualified;  // user "." domain, or the whole text
};

AccountName splitAccountName(const LeadBytes& lead, const std::string& account);
bool equalsIgnoreCase(const LeadBytes& lead, const std::string& a, const std::string& b);
void replaceFirstIgnoreCase(const LeadBytes& lead, std::string& subject, const std::string& needle,
                            const std::string& replacement);

// false after the failure line was written; the run then ends with -1.
bool resolveTargetUserSid(Platform& platform, Registry& registry, ReportWriter& report, std::string& sid);

struct LocalAppData {
    bool known = false;     // the local-app-data flag
    std::string directory;  // ...\AppData\Local, no trailing separator
};

bool resolveTargetLocalAppData(Platform& platform, Registry& registry, ReportWriter& report, LocalAppData& result);

}  // namespace orvex
