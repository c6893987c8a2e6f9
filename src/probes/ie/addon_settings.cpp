// Items 18-20: whether the target user has switched off, in Internet
// Explorer's add-on management, one of the three components the service needs.
#include <map>
#include <string_view>

#include "probes/ie/ie_checks.h"

namespace orvex {

namespace {

const char kSettingsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
const char kFlagsValue[] = "Flags";

const char kLabel[] = "．ブラウザ設定 アドオンの管理：";
const char kOk[] = "：OK";
const char kNg[] = "：NG";

// Display name -> class identifier. Visited in the map's order, the byte
// order of the display names, which is the order of the report lines.
const std::map<std::string_view, std::string_view>& addons() {
    static const std::map<std::string_view, std::string_view> table = {
        {"IQuennel Class", "{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}"},
        {"Quennel Control", "{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}"},
        {"XML HTTP 6.0", "{88D96A0A-F192-11D4-A65F-0040963251E5}"},
    };
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
