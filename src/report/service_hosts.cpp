#include "report/service_hosts.h"

namespace orvex {

namespace {

const char kZoneMapDomains[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\";

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

}  // namespace orvex
