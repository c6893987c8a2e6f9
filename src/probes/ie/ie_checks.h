// The Internet Explorer settings of the target user, read under
// HKEY_USERS\<sid>. Each check writes its fixed number of lines, numbered from
// item, and returns the next item number.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// The texts of the lines each check writes.

// label, value name, result, zone-map path, verdict
namespace trusted_sites_texts {
inline constexpr char kLabel[] = "．ブラウザ設定 信頼済みサイトの設定(";
inline constexpr char kResult[] = ")取得結果：";
inline constexpr char kSet[] = " 設定されています。";
inline constexpr char kNotSet[] = " 設定されていません。";
}  // namespace trusted_sites_texts

// kOk or kNotDefault, level, kClose; or kReadFailed, reader status
namespace security_zone_texts {
inline constexpr uint32_t kDefaultLevel = 0x11000;
inline constexpr char kOk[] = "．ブラウザ設定 セキュリティゾーン：OK (NO.";
inline constexpr char kNotDefault[] = "．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.";
inline constexpr char kClose[] = ")";
inline constexpr char kReadFailed[] = "．ブラウザ設定 セキュリティゾーン：情報取得に失敗しました。";
}  // namespace security_zone_texts

// The verdict that ends an add-on line and a pop-up line (full-width colon).
namespace verdict_texts {
inline constexpr char kOk[] = "：OK";
inline constexpr char kNg[] = "：NG";
}  // namespace verdict_texts

// label, display name, verdict
namespace addon_texts {
inline constexpr char kLabel[] = "．ブラウザ設定 アドオンの管理：";
using verdict_texts::kNg;
using verdict_texts::kOk;

struct Addon {
    std::string_view displayName;  // as the line shows it
    std::string_view classId;      // braces, upper case
};
// In the byte order of the display names, the order of the lines.
inline constexpr std::array<Addon, 3> kAddons = {{
    {"IQuennel Class", "{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}"},
    {"Quennel Control", "{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}"},
    {"XML HTTP 6.0", "{88D96A0A-F192-11D4-A65F-0040963251E5}"},
}};
}  // namespace addon_texts

// kOk; or kNg, agency domain, kNgEnd
namespace compatibility_texts {
inline constexpr char kOk[] = "．ブラウザ設定 互換表示設定：OK";
inline constexpr char kNg[] = "．ブラウザ設定 互換表示設定：NG（";
inline constexpr char kNgEnd[] = "が登録されています）";
}  // namespace compatibility_texts

// label, full host name, verdict
namespace popup_texts {
inline constexpr char kLabel[] = "．ブラウザ設定 ポップアップブロック設定：";
using verdict_texts::kNg;
using verdict_texts::kOk;
}  // namespace popup_texts

int checkTrustedSites(Registry& registry, ReportWriter& report, const std::string& sid, int item);       // 9 lines
int checkSecurityZone(Registry& registry, ReportWriter& report, const std::string& sid, int item);       // 1 line
int checkAddonSettings(Registry& registry, ReportWriter& report, const std::string& sid, int item);      // 3 lines
int checkCompatibilityView(Registry& registry, ReportWriter& report, const std::string& sid, int item);  // 1 line
int checkPopupAllowList(Registry& registry, ReportWriter& report, const std::string& sid, int item);     // 9 lines

}  // namespace orvex
