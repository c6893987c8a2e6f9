// Items 8-16: whether Internet Explorer maps each service host to the
// trusted-sites zone (zone 2) for the target user.
#include "probes/ie/ie_checks.h"
#include "probes/ie/service_hosts.h"

namespace orvex {

using namespace trusted_sites_texts;

namespace {

constexpr uint32_t kTrustedSitesZone = 2;

}  // namespace

int checkTrustedSites(Registry& registry, ReportWriter& report, const std::string& sid, int item) {
    for (const ServiceHost& host : kServiceHosts) {
        const std::string path = zoneMapPath(host);
        const std::string valueName(host.zoneValueName);
        // Only the host's own scheme counts: a "*" entry or the other scheme does not.
        uint32_t zone = 0;
        const bool set = registry.readRegDword(sid + path, valueName, zone) == REG_READ_OK && zone == kTrustedSitesZone;
        item = report.writeItem(item, kLabel, valueName, kResult, path, set ? kSet : kNotSet);
    }
    return item;
}

}  // namespace orvex
