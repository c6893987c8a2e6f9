// Whose machine: the user who last logged on interactively, found in the
// logon records, and that user's hive and local application data directory.
#pragma once

#include <optional>
#include <string>

#include "platform/ansi_text.h"
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
void replaceFirstIgnoreCase(const LeadBytes& lead, std::string& subject, const std::string& needle,
                            const std::string& replacement);

// false after the failure line was written; the run then ends with -1.
bool resolveTargetUserSid(Platform& platform, Registry& registry, ReportWriter& report, std::string& sid);

// The target user's ...\AppData\Local directory, no trailing separator; none
// when it cannot be derived from the running account's. false after the
// failure line was written; the run then ends with -1.
bool resolveTargetLocalAppData(Platform& platform, Registry& registry, ReportWriter& report,
                               std::optional<std::string>& localAppData);

}  // namespace orvex
