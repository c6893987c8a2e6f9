#pragma once

#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// Items 39 to 41, one row each, with the texts of their lines.
namespace setup_texts {
struct PreparationSetup {
    const char* nativeKey;
    const char* wow64Key;
    const char* installed;  // the version follows
    const char* notInstalled;
};

inline constexpr PreparationSetup kSetups[] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{7A0C3E51-84B2-4F69-9D17-C25E6B08A3F4}",
     "．ルベナ事前準備セットアップ：",
     "．ルベナ事前準備セットアップ：インストールされていません"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{2E9B6D03-5F41-4C8A-B7E2-0A3D95C16F87}",
     "．Orvexソフト（WEB版）事前準備セットアップ：",
     "．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}",
     "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{C61F0A98-3B27-4E05-8A6D-F14B29E7C530}",
     "．ソラム事前準備セットアップ：",
     "．ソラム事前準備セットアップ：インストールされていません"},
};
}  // namespace setup_texts

// Items firstItem to firstItem + 2 (39 to 41).
// Three items, one per setup; returns item + 3.
int checkPreparationSetups(Registry& registry, ReportWriter& report, int item);

}  // namespace orvex
