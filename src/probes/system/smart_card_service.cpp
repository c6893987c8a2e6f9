// Item 5: the state of the smart card service, asked of the local Service
// Control Manager.
#include "probes/system/smart_card_service.h"

#include <cstdint>

#include "platform/handles.h"

namespace orvex {

namespace {

const char kLabel[] = "．サービス情報 Smart Card Services：";
const char kUnavailable[] = "．サービス情報 Smart Card Services：情報を取得できませんでした。";

const char* stateMessage(uint32_t state) {
    switch (state) {
    case 1: return "スマートカードサービスは実行中ではありません";
    case 2: return "スマートカードサービスは起動中です";
    case 3: return "スマートカードサービスは停止中です";
    case 4: return "スマートカードサービスは実行中です";
    case 5: return "スマートカードサービスの再開は未処理です";
    case 6: return "スマートカードサービスの一時停止は未処理です";
    case 7: return "スマートカードサービスは一時停止されています";
    default: return "スマートカードサービスの状態が取得できませんでした";
    }
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
