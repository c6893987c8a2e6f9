// The service's web hosts as Internet Explorer must know them: the two parent
// domains and the nine hosts under them. Their names stand in the report's
// lines (report/catalogue.h numbers a line for each host, in the trusted-sites
// order and again in the pop-up order), and the trusted-sites, compatibility-view
// and pop-up checks read the registry by them.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// The agency's own domain and the citizen portal's domain.
constexpr std::string_view kAgencyDomain = "orvex.example";
constexpr std::string_view kPortalDomain = "citizenportal.example";
// The service's own sub-domain of the agency domain (second label of the first four hosts).
constexpr std::string_view kServiceLabel = "efile";

struct ServiceHost {
    std::string_view prefix;         // left of the parent domain, one key name; empty: the parent itself
    std::string_view parent;         // kAgencyDomain or kPortalDomain
    std::string_view zoneValueName;  // scheme under which the zone map is read
};

inline constexpr ServiceHost kWebClientHost{"www.efile", kAgencyDomain, "https"};
inline constexpr ServiceHost kDownloadHost{"dl.efile", kAgencyDomain, "http"};
inline constexpr ServiceHost kStartOfUseHost{"start.efile", kAgencyDomain, "https"};
inline constexpr ServiceHost kReceptionHost{"recv.efile", kAgencyDomain, "https"};
inline constexpr ServiceHost kCalculationHost{"calc.assist", kAgencyDomain, "https"};
inline constexpr ServiceHost kIdFederationHost{"idf", kPortalDomain, "https"};
inline constexpr ServiceHost kImageHost{"img", kPortalDomain, "https"};
inline constexpr ServiceHost kPortalServiceHost{"svc", kPortalDomain, "https"};
inline constexpr ServiceHost kPortalDomainHost{"", kPortalDomain, "https"};

constexpr bool operator==(const ServiceHost& a, const ServiceHost& b) {
    return a.prefix == b.prefix && a.parent == b.parent && a.zoneValueName == b.zoneValueName;
}

// prefix.parent, or the parent alone for a host without a prefix.
std::string fullHostName(const ServiceHost& host);

// The zone-map key of a host below a user's hive root; begins with a backslash.
std::string zoneMapPath(const ServiceHost& host);

}  // namespace orvex
