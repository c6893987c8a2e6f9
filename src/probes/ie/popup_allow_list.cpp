// Items 22-30: whether Internet Explorer's pop-up blocker allows each service
// host for the target user. The allow list keeps one value per host, named
// after the full host name; an allowed host's value is two zero bytes.
#include <vector>

#include "probes/ie/ie_checks.h"
#include "probes/ie/service_hosts.h"

namespace orvex {

using namespace popup_texts;

namespace {

// Ends in a backslash; it names the allow-list key itself.
const char kAllowKey[] = "\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow\\";

bool isAllowedMark(const std::vector<unsigned char>& data) {
    return data.size() == 2 && data[0] == 0 && data[1] == 0;
}

}  // namespace

int checkPopupAllowList(Registry& registry, ReportWriter& report, const std::string& sid, int item) {
    const std::string key = sid + kAllowKey;
    for (const ServiceHost* host : hostsInPopupOrder()) {
        const std::string name = fullHostName(*host);
        // Only the host's own name counts: an entry for its parent domain does not cover it.
        std::vector<unsigned char> data;
        const bool allowed = registry.readRegBinary(key, name, data) == REG_READ_OK && isAllowedMark(data);
        item = report.writeItem(item, kLabel, name, allowed ? kOk : kNg);
    }
    return item;
}

}  // namespace orvex
