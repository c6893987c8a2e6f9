// Items 39 to 41: the installed version of each preparation setup, from its
// Uninstall entry in the native view first and the 32-bit view second.
#include "probes/system/preparation_setups.h"

namespace orvex {

using namespace setup_texts;

int checkPreparationSetups(Registry& registry, ReportWriter& report, int item) {
    for (const PreparationSetup& setup : kSetups) {
        std::string version;
        // Once the native entry gives a version, the 32-bit one is not read.
        if (registry.readRegString(RegRoot::LocalMachine, setup.nativeKey, "DisplayVersion", version) == REG_READ_OK ||
            registry.readRegString(RegRoot::LocalMachine, setup.wow64Key, "DisplayVersion", version) == REG_READ_OK)
            item = report.writeItem(item, setup.installed, version);
        else
            item = report.writeItem(item, setup.notInstalled);
    }
    return item;
}

}  // namespace orvex
