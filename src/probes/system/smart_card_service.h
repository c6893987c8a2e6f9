#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

namespace smart_card_texts {
// The message for the state code, then the code in brackets.
inline constexpr char kLabel[] = "．サービス情報 Smart Card Services：";
// The whole line when the service or its state cannot be read.
inline constexpr char kUnavailable[] = "．サービス情報 Smart Card Services：情報を取得できませんでした。";
inline constexpr uint32_t kRunning = 4;  // SERVICE_RUNNING
// The messages of the state codes 1 to 7, then the one for any other code.
inline constexpr std::array<std::string_view, 8> kStateMessages = {
    "スマートカードサービスは実行中ではありません",        // 1 stopped
    "スマートカードサービスは起動中です",                  // 2 start pending
    "スマートカードサービスは停止中です",                  // 3 stop pending
    "スマートカードサービスは実行中です",                  // 4 running
    "スマートカードサービスの再開は未処理です",            // 5 continue pending
    "スマートカードサービスの一時停止は未処理です",        // 6 pause pending
    "スマートカードサービスは一時停止されています",        // 7 paused
    "スマートカードサービスの状態が取得できませんでした",  // any other
};
}  // namespace smart_card_texts

// Item 5.
// One item; returns item + 1.
int checkSmartCardService(Platform& platform, ReportWriter& report, int item);

}  // namespace orvex
