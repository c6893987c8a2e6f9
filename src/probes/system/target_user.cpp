// The target user: the one the logon records name as the last to log on
// interactively. Their hive is found by matching the user name against the
// profile folders of the profile list; their local application data directory
// by putting their folder name in place of the running account's. The
// lookups stand with the checks: when the logon records cannot be read they
// write the report's failure line, as a check writes its items.
#include "probes/system/target_user.h"

#include <cstring>
#include <vector>

namespace orvex {

namespace {

const char kLogonUiKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI";
const char kUsersDirectory[] = "USERS\\";
const char kAppDataLocal[] = "\\AppData\\Local";

// The NetBIOS name, or empty when the call fails.
std::string computerName(Platform& platform) {
    char buffer[16] = {};
    uint32_t size = sizeof(buffer);
    if (!platform.getComputerName(buffer, size)) return std::string();
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

}  // namespace

AccountName splitAccountName(const LeadBytes& lead, const std::string& account) {
    const std::string::size_type last = findLastBackslash(lead, account);
    if (last == std::string::npos) return {std::string(), account, account};
    AccountName name;
    name.domain = account.substr(0, last);
    name.user = account.substr(last + 1);
    name.qualified = name.user + "." + name.domain;
    return name;
}

void replaceFirstIgnoreCase(const LeadBytes& lead, std::string& subject, const std::string& needle,
                            const std::string& replacement) {
    const std::string::size_type found = findIgnoringAsciiCase(lead, subject, needle);
    if (found != std::string::npos) subject.replace(found, needle.size(), replacement);
}

bool resolveTargetUserSid(Platform& platform, Registry& registry, ReportWriter& report, std::string& sid) {
    const LeadBytes lead = leadBytesOf(platform);
    std::string logon;
    if (registry.readRegString(RegRoot::LocalMachine, kLogonUiKey, "LastLoggedOnUser", logon) != REG_READ_OK) {
        report.writeFailure(catalogue::kLastLoggedOnUserUnreadable);
        return false;
    }
    const AccountName account = splitAccountName(lead, logon);

    std::vector<std::string> sids;
    if (registry.listProfileSids(sids) != REG_READ_OK) {
        report.writeFailure(catalogue::kProfileListUnreadable);
        return false;
    }

    // Every profile is looked at; a later match replaces an earlier one of its kind.
    std::string qualifiedMatch;
    std::string plainMatch;
    for (const std::string& candidate : sids) {
        std::string imagePath;
        if (registry.readRegString(RegRoot::LocalMachine, std::string(kProfileListKey) + "\\" + candidate,
                                   "ProfileImagePath", imagePath) != REG_READ_OK)
            continue;
        const std::string::size_type last = findLastBackslash(lead, imagePath);
        if (last == std::string::npos) continue;
        const std::string folder = imagePath.substr(last + 1);
        if (!account.domain.empty() && sameIgnoringAsciiCase(lead, account.qualified, folder))
            qualifiedMatch = candidate;
        else if (sameIgnoringAsciiCase(lead, account.user, folder))
            plainMatch = candidate;
    }
    // No match at all leaves the SID empty: the per-user reads then find nothing.
    sid = !account.domain.empty() && !qualifiedMatch.empty() ? qualifiedMatch : plainMatch;
    return true;
}

bool resolveTargetLocalAppData(Platform& platform, Registry& registry, ReportWriter& report,
                               std::optional<std::string>& localAppData) {
    localAppData.reset();
    const LeadBytes lead = leadBytesOf(platform);
    // The running account's directory; when the shell cannot give it, it is
    // empty and the directory stays unknown.
    char buffer[260] = {};
    std::string directory;
    if (platform.getLocalAppDataFolder(buffer)) directory.assign(buffer, strnlen(buffer, sizeof(buffer)));

    std::string logon;
    if (registry.readRegString(RegRoot::LocalMachine, kLogonUiKey, "LastLoggedOnSAMUser", logon) != REG_READ_OK) {
        report.writeFailure(catalogue::kLastLoggedOnSamUserUnreadable);
        return false;
    }
    const AccountName account = splitAccountName(lead, logon);
    // A local account's profile folder may carry the computer name as suffix.
    const std::string candidate = account.domain.empty() || account.domain == "."
                                      ? account.user + "." + computerName(platform)
                                      : account.qualified;

    const std::string::size_type users = findIgnoringAsciiCase(lead, directory, kUsersDirectory);
    if (users == std::string::npos) return true;
    const std::string::size_type folderStart = users + std::strlen(kUsersDirectory);

    // The running account's folder name, put back as the target user's.
    std::string runningFolder = directory.substr(folderStart);
    replaceFirstIgnoreCase(lead, runningFolder, kAppDataLocal, "");
    directory.replace(folderStart, runningFolder.size(), candidate);

    // Without the suffixed folder, the plain one is taken untested.
    std::string profile = directory;
    replaceFirstIgnoreCase(lead, profile, kAppDataLocal, "");
    if (!platform.pathFileExists(profile)) directory.replace(folderStart, candidate.size(), account.user);

    localAppData = directory;
    return true;
}

}  // namespace orvex
