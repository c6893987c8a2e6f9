// Items 18-20: whether the target user has switched off, in Internet
// Explorer's add-on management, one of the three components the service needs.
#include <map>
#include <string_view>

#include "probes/ie/ie_checks.h"

namespace orvex {

using namespace addon_texts;

namespace {

const char kSettingsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
const char kFlagsValue[] = "Flags";

// Display name -> class identifier. Visited in the map's order, the byte
// order of the display names, which is the order of the report lines.
const std::map<std::string_view, std::string_view>& addons() {
    static const std::map<std::string_view, std::string_view> table = [] {
        std::map<std::string_view, std::string_view> entries;
        for (const Addon& addon : kAddons) entries.emplace(addon.displayName, addon.classId);
        return entries;
    }();
    return table;
}

}  // namespace

int checkAddonSettings(Registry& registry, ReportWriter& report, const std::string& sid, int item) {
    for (const auto& [name, classId] : addons()) {
        std::string key = sid + kSettingsKey;
        key.append(classId);
        // Only a readable non-zero DWORD switches the add-on off; anything else leaves it on.
        uint32_t flags = 0;
        const bool off = registry.readRegDword(key, kFlagsValue, flags) == REG_READ_OK && flags != 0;
        item = report.writeItem(item, kLabel, name, off ? kNg : kOk);
    }
    return item;
}

}  // namespace orvex
