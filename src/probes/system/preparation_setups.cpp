// The installed version of each preparation setup, from its Uninstall entry
// in the native view first and the 32-bit view second.
#include "probes/system/preparation_setups.h"

namespace orvex {

namespace {

struct PreparationSetup {
    const catalogue::SetupItem& item;
    const char* nativeKey;
    const char* wow64Key;
};

const PreparationSetup kSetups[] = {
    {catalogue::kRubenaSetup,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}"},
    {catalogue::kWebSetup,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}"},
    {catalogue::kSoramuSetup,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}"},
};

}  // namespace

void checkPreparationSetups(Registry& registry, ReportWriter& report) {
    for (const PreparationSetup& setup : kSetups) {
        std::string version;
        // Once the native entry gives a version, the 32-bit one is not read.
        if (registry.readRegString(RegRoot::LocalMachine, setup.nativeKey, "DisplayVersion", version) == REG_READ_OK ||
            registry.readRegString(RegRoot::LocalMachine, setup.wow64Key, "DisplayVersion", version) == REG_READ_OK)
            report.writeItem(setup.item.number, setup.item.installed, version);
        else
            report.writeItem(setup.item.number, setup.item.notInstalled);
    }
}

}  // namespace orvex
