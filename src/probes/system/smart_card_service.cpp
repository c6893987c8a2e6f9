// Item 5: the state of the smart card service, asked of the local Service
// Control Manager.
#include "probes/system/smart_card_service.h"

#include <cstdint>

#include "platform/handles.h"

namespace orvex {

using namespace smart_card_texts;

namespace {

std::string_view stateMessage(uint32_t state) {
    return state >= 1 && state <= 7 ? kStateMessages[state - 1] : kStateMessages[7];
}

}  // namespace

int checkSmartCardService(Platform& platform, ReportWriter& report, int item) {
    ServiceOwner manager(platform);
    manager.adopt(platform.openScManager(kScManagerConnect));
    if (!manager) return report.writeItem(item, kUnavailable);
    ServiceOwner service(platform);
    service.adopt(platform.openService(manager.get(), "SCardSvr", kServiceQueryStatus));
    uint32_t state = 0;
    const bool known = service && platform.queryServiceState(service.get(), state);
    // The service handle goes before the manager's, on every path.
    service.reset();
    manager.reset();
    if (!known) return report.writeItem(item, kUnavailable);
    return report.writeItem(item, kLabel, stateMessage(state), "(", static_cast<int32_t>(state), ")");
}

}  // namespace orvex
