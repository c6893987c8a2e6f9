// Item 21: whether the target user's compatibility-view list holds the agency
// domain. The list is not parsed: it stores each site as a 16-bit count and
// that many UTF-16LE code units, so an entry for the agency domain shows up as
// exactly that byte pattern somewhere in the value.
#include <algorithm>
#include <vector>

#include "probes/ie/ie_checks.h"
#include "probes/ie/service_hosts.h"

namespace orvex {

using namespace compatibility_texts;

namespace {

const char kListKey[] = "\\Software\\Microsoft\\Internet Explorer\\BrowserEmulation\\ClearableListData";
const char kListValue[] = "UserFilter";

// Every byte offset is tried, odd ones included; bytes compare exactly.
bool holdsNeedle(const std::vector<unsigned char>& list, const std::vector<unsigned char>& needle) {
    if (list.size() < needle.size()) return false;
    return std::search(list.begin(), list.end(), needle.begin(), needle.end()) != list.end();
}

}  // namespace

int checkCompatibilityView(Registry& registry, ReportWriter& report, const std::string& sid, int item) {
    static const std::vector<unsigned char> needle = compatibilityNeedle();
    std::vector<unsigned char> list;
    // A list that cannot be read holds nothing.
    const bool listed = registry.readRegBinary(sid + kListKey, kListValue, list) == REG_READ_OK &&
                        holdsNeedle(list, needle);
    if (listed) return report.writeItem(item, kNg, kAgencyDomain, kNgEnd);
    return report.writeItem(item, kOk);
}

}  // namespace orvex
