#include "probes/ie/service_hosts.h"

namespace orvex {

namespace {

const char kZoneMapDomains[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\";

constexpr std::size_t labelCount(std::string_view name) {
    if (name.empty()) return 0;
    std::size_t labels = 1;
    for (char c : name) labels += c == '.' ? 1 : 0;
    return labels;
}

constexpr std::string_view lastLabel(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// The table's shape is fixed; only the names in it are ours to choose.
constexpr bool tableHasItsShape() {
    bool seen[kServiceHosts.size() + 1] = {};
    for (std::size_t row = 0; row < kServiceHosts.size(); ++row) {
        const ServiceHost& host = kServiceHosts[row];
        const int position = host.popupPosition;
        if (position < 1 || position > static_cast<int>(kServiceHosts.size()) || seen[position]) return false;
        seen[position] = true;
        const bool agency = row < 5;
        if (host.parent != (agency ? kAgencyDomain : kPortalDomain)) return false;
        if (host.zoneValueName != (row == 1 ? std::string_view("http") : std::string_view("https"))) return false;
        const std::size_t wanted = agency ? 2 : row < 8 ? 1 : 0;
        if (labelCount(host.prefix) != wanted) return false;
        if (agency && ((lastLabel(host.prefix) == kServiceLabel) != (row < 4))) return false;
    }
    return true;
}
static_assert(tableHasItsShape(), "service host table out of shape");

}  // namespace

std::string fullHostName(const ServiceHost& host) {
    std::string name;
    if (!host.prefix.empty()) {
        name.append(host.prefix);
        name += '.';
    }
    name.append(host.parent);
    return name;
}

std::string zoneMapPath(const ServiceHost& host) {
    std::string path = kZoneMapDomains;
    path.append(host.parent);
    if (!host.prefix.empty()) {
        path += '\\';
        path.append(host.prefix);  // one key name, dots and all
    }
    return path;
}

std::array<const ServiceHost*, kServiceHosts.size()> hostsInPopupOrder() {
    std::array<const ServiceHost*, kServiceHosts.size()> ordered = {};
    for (const ServiceHost& host : kServiceHosts) ordered[static_cast<std::size_t>(host.popupPosition - 1)] = &host;
    return ordered;
}

std::vector<unsigned char> compatibilityNeedle() {
    static_assert(kAgencyDomain.size() <= 0xFFFF, "the count is 16 bits");
    const std::size_t count = kAgencyDomain.size();
    std::vector<unsigned char> needle;
    needle.reserve(2 + 2 * count);
    needle.push_back(static_cast<unsigned char>(count & 0xFF));
    needle.push_back(static_cast<unsigned char>((count >> 8) & 0xFF));
    for (char c : kAgencyDomain) {
        needle.push_back(static_cast<unsigned char>(c));  // ASCII: the low byte of the code unit
        needle.push_back(0);
    }
    return needle;
}

}  // namespace orvex
