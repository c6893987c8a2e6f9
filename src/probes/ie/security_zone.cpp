// Item 17: the security level of the trusted-sites zone for the target user;
// only the zone's default level is OK.
#include "probes/ie/ie_checks.h"

namespace orvex {

using namespace security_zone_texts;

namespace {

const char kZoneKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const char kLevelValue[] = "CurrentLevel";

}  // namespace

int checkSecurityZone(Registry& registry, ReportWriter& report, const std::string& sid, int item) {
    uint32_t level = 0;
    const int status = registry.readRegDword(sid + kZoneKey, kLevelValue, level);
    if (status != REG_READ_OK) return report.writeItem(item, kReadFailed, status);  // -3 or -2, signed
    // The level is a 32-bit unsigned number: all bits set prints as 4294967295.
    return report.writeItem(item, level == kDefaultLevel ? kOk : kNotDefault, level, kClose);
}

}  // namespace orvex
