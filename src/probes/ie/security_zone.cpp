// The security level of the trusted-sites zone for the target user; only the
// zone's default level is OK.
#include "probes/ie/ie_checks.h"

namespace orvex {

using catalogue::kSecurityZone;

namespace {

const char kZoneKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const char kLevelValue[] = "CurrentLevel";

}  // namespace

void checkSecurityZone(Registry& registry, ReportWriter& report, const std::string& sid) {
    uint32_t level = 0;
    const int status = registry.readRegDword(sid + kZoneKey, kLevelValue, level);
    if (status != REG_READ_OK)
        return report.writeItem(kSecurityZone.number, kSecurityZone.readFailed, status);  // -3 or -2, signed
    // The level is a 32-bit unsigned number: all bits set prints as 4294967295.
    const bool isDefault = level == catalogue::kDefaultSecurityLevel;
    report.writeItem(kSecurityZone.number, isDefault ? kSecurityZone.ok : kSecurityZone.notDefault, level,
                     kSecurityZone.close);
}

}  // namespace orvex
