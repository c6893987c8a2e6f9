// Whether Internet Explorer maps each service host to the trusted-sites zone
// (zone 2) for the target user.
#include "probes/ie/ie_checks.h"

namespace orvex {

using catalogue::kTrustedSites;

namespace {

constexpr uint32_t kTrustedSitesZone = 2;

}  // namespace

void checkTrustedSites(Registry& registry, ReportWriter& report, const std::string& sid) {
    for (const catalogue::HostItem& line : kTrustedSites.hosts) {
        const std::string path = zoneMapPath(line.host);
        const std::string valueName(line.host.zoneValueName);
        // Only the host's own scheme counts: a "*" entry or the other scheme does not.
        uint32_t zone = 0;
        const bool set = registry.readRegDword(sid + path, valueName, zone) == REG_READ_OK && zone == kTrustedSitesZone;
        report.writeItem(line.number, kTrustedSites.label, valueName, kTrustedSites.result, path,
                         set ? kTrustedSites.set : kTrustedSites.notSet);
    }
}

}  // namespace orvex
