// The state of the smart card service, asked of the local Service Control
// Manager.
#include "probes/system/smart_card_service.h"

#include <cstdint>
#include <string_view>

#include "platform/handles.h"

namespace orvex {

using catalogue::kSmartCardService;

namespace {

std::string_view stateMessage(uint32_t state) {
    const auto& messages = kSmartCardService.stateMessages;
    return state >= 1 && state <= 7 ? messages[state - 1] : messages[7];
}

}  // namespace

void checkSmartCardService(Platform& platform, ReportWriter& report) {
    const int item = kSmartCardService.number;
    ServiceOwner manager(platform);
    manager.adopt(platform.openScManager(kScManagerConnect));
    if (!manager) return report.writeItem(item, kSmartCardService.unavailable);
    ServiceOwner service(platform);
    service.adopt(platform.openService(manager.get(), "SCardSvr", kServiceQueryStatus));
    uint32_t state = 0;
    const bool known = service && platform.queryServiceState(service.get(), state);
    // The service handle goes before the manager's, on every path.
    service.reset();
    manager.reset();
    if (!known) return report.writeItem(item, kSmartCardService.unavailable);
    report.writeItem(item, kSmartCardService.label, stateMessage(state), "(", static_cast<int32_t>(state), ")");
}

}  // namespace orvex
