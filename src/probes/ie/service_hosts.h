// The service's web hosts as Internet Explorer must know them: the two parent
// domains and the nine hosts under them. The trusted-sites, compatibility-view
// and pop-up checks all take their host names from here.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// The agency's own domain and the citizen portal's domain.
constexpr std::string_view kAgencyDomain = "orvex.example";
constexpr std::string_view kPortalDomain = "citizenportal.example";
// The service's own sub-domain of the agency domain (second label of hosts 1-4).
constexpr std::string_view kServiceLabel = "efile";

struct ServiceHost {
    std::string_view prefix;         // left of the parent domain, one key name; empty: the parent itself
    std::string_view parent;         // kAgencyDomain or kPortalDomain
    std::string_view zoneValueName;  // scheme under which the zone map is read
    int popupPosition;               // 1-based place in the pop-up allow-list check
};

// In trusted-sites order.
inline constexpr std::array<ServiceHost, 9> kServiceHosts = {{
    {"www.efile", kAgencyDomain, "https", 1},    // web client
    {"dl.efile", kAgencyDomain, "http", 2},      // download
    {"start.efile", kAgencyDomain, "https", 3},  // start of use
    {"recv.efile", kAgencyDomain, "https", 8},   // reception
    {"calc.assist", kAgencyDomain, "https", 4},  // calculation
    {"idf", kPortalDomain, "https", 5},          // ID federation
    {"img", kPortalDomain, "https", 6},          // images
    {"svc", kPortalDomain, "https", 7},          // portal service
    {"", kPortalDomain, "https", 9},             // the portal domain itself
}};

// prefix.parent, or the parent alone for a row without a prefix.
std::string fullHostName(const ServiceHost& host);

// The zone-map key of a host below a user's hive root; begins with a backslash.
std::string zoneMapPath(const ServiceHost& host);

// The table in pop-up allow-list order.
std::array<const ServiceHost*, kServiceHosts.size()> hostsInPopupOrder();

// How the compatibility-view list stores the agency domain: a 16-bit
// little-endian character count, then the characters as UTF-16LE, no terminator.
std::vector<unsigned char> compatibilityNeedle();

}  // namespace orvex
