// Whether the target user's compatibility-view list holds the agency domain.
// The list is not parsed: it stores each site as a 16-bit count and that many
// UTF-16LE code units, so an entry for the agency domain shows up as exactly
// that byte pattern somewhere in the value.
#include <algorithm>
#include <vector>

#include "probes/ie/ie_checks.h"

namespace orvex {

using catalogue::kCompatibilityView;

namespace {

const char kListKey[] = "\\Software\\Microsoft\\Internet Explorer\\BrowserEmulation\\ClearableListData";
const char kListValue[] = "UserFilter";

// How the list stores the agency domain: a 16-bit little-endian character
// count, then the characters as UTF-16LE, no terminator.
std::vector<unsigned char> agencyDomainAsStored() {
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

// Every byte offset is tried, odd ones included; bytes compare exactly.
bool holdsNeedle(const std::vector<unsigned char>& list, const std::vector<unsigned char>& needle) {
    if (list.size() < needle.size()) return false;
    return std::search(list.begin(), list.end(), needle.begin(), needle.end()) != list.end();
}

}  // namespace

void checkCompatibilityView(Registry& registry, ReportWriter& report, const std::string& sid) {
    static const std::vector<unsigned char> needle = agencyDomainAsStored();
    std::vector<unsigned char> list;
    // A list that cannot be read holds nothing.
    const bool listed = registry.readRegBinary(sid + kListKey, kListValue, list) == REG_READ_OK &&
                        holdsNeedle(list, needle);
    if (listed)
        return report.writeItem(kCompatibilityView.number, kCompatibilityView.ng, kAgencyDomain,
                                kCompatibilityView.ngEnd);
    report.writeItem(kCompatibilityView.number, kCompatibilityView.ok);
}

}  // namespace orvex
