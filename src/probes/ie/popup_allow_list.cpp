// Whether Internet Explorer's pop-up blocker allows each service host for the
// target user. The allow list keeps one value per host, named after the full
// host name; an allowed host's value is two zero bytes.
#include <vector>

#include "probes/ie/ie_checks.h"

namespace orvex {

using catalogue::kPopupAllowList;

namespace {

// Ends in a backslash; it names the allow-list key itself.
const char kAllowKey[] = "\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow\\";

bool isAllowedMark(const std::vector<unsigned char>& data) {
    return data.size() == 2 && data[0] == 0 && data[1] == 0;
}

}  // namespace

void checkPopupAllowList(Registry& registry, ReportWriter& report, const std::string& sid) {
    const std::string key = sid + kAllowKey;
    for (const catalogue::HostItem& line : kPopupAllowList.hosts) {
        const std::string name = fullHostName(line.host);
        // Only the host's own name counts: an entry for its parent domain does not cover it.
        std::vector<unsigned char> data;
        const bool allowed = registry.readRegBinary(key, name, data) == REG_READ_OK && isAllowedMark(data);
        report.writeItem(line.number, kPopupAllowList.label, name, allowed ? kPopupAllowList.ok : kPopupAllowList.ng);
    }
}

}  // namespace orvex
