// Whether the target user has switched off, in Internet Explorer's add-on
// management, one of the three components the service needs.
#include "probes/ie/ie_checks.h"

namespace orvex {

using catalogue::kAddons;

namespace {

const char kSettingsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
const char kFlagsValue[] = "Flags";

// Each add-on's line and its class identifier (braces, upper case), in the
// order of the lines.
struct Addon {
    const catalogue::AddonItem& item;
    const char* classId;
};

const Addon kAddonSettings[] = {
    {kAddons.iquennelClass, "{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}"},
    {kAddons.quennelControl, "{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}"},
    {kAddons.xmlHttp, "{88D96A0A-F192-11D4-A65F-0040963251E5}"},
};

}  // namespace

void checkAddonSettings(Registry& registry, ReportWriter& report, const std::string& sid) {
    for (const Addon& addon : kAddonSettings) {
        // Only a readable non-zero DWORD switches the add-on off; anything else leaves it on.
        uint32_t flags = 0;
        const bool off = registry.readRegDword(sid + kSettingsKey + addon.classId, kFlagsValue, flags) == REG_READ_OK &&
                         flags != 0;
        report.writeItem(addon.item.number, kAddons.label, addon.item.displayName, off ? kAddons.ng : kAddons.ok);
    }
}

}  // namespace orvex
