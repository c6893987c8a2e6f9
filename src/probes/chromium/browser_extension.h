// The service's browser extension as Chrome and Edge record it in the
// Preferences and Secure Preferences of their Default profile.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "probes/chromium/preferences_document.h"
#include "report/report_writer.h"

namespace orvex {

inline constexpr char kExtensionId[] = "lkdmfhaebpjcognbimfealhdpkcogjbn";

// The texts of the eight lines.
namespace extension_texts {
inline constexpr char kNotInstalled[] = "インストールされていません";
inline constexpr char kOn[] = "on";
inline constexpr char kOff[] = "off";
inline constexpr char kNoVersion[] = "-";

struct DocumentRow {
    const char* suffix;  // appended to the local application data directory
    const char* stateLabel;
    const char* versionLabel;
};

// In loading order; each browser is two rows, Preferences first.
inline constexpr DocumentRow kDocuments[4] = {
    {"\\Google\\Chrome\\User Data\\Default\\Preferences",
     "．Chrome拡張機能(Chrome用)：Preferences：",
     "．Chrome拡張機能(Chrome用)(バージョン)：Preferences："},
    {"\\Google\\Chrome\\User Data\\Default\\Secure Preferences",
     "．Chrome拡張機能(Chrome用)：Secure Preferences：",
     "．Chrome拡張機能(Chrome用)(バージョン)：Secure Preferences："},
    {"\\Microsoft\\Edge\\User Data\\Default\\Preferences",
     "．Chrome拡張機能(Edge用)：Preferences：",
     "．Chrome拡張機能(Edge用)(バージョン)：Preferences："},
    {"\\Microsoft\\Edge\\User Data\\Default\\Secure Preferences",
     "．Chrome拡張機能(Edge用)：Secure Preferences：",
     "．Chrome拡張機能(Edge用)(バージョン)：Secure Preferences："},
};
}  // namespace extension_texts

// Items item to item + 7: the extension in Chrome and Edge, from the target
// user's local application data directory. Returns item + 8. Writes its
// eight lines whatever the documents hold, or without a directory.
int probeBrowserExtension(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData,
                          int item);

// One state line: "on", "off" or not installed (also for a document not loaded).
int reportExtensionState(ReportWriter& report, const PreferencesDocument& document, std::string_view label, int item);

// One version line: the manifest's version, converted from UTF-8 to the ANSI
// code page, or "-".
int reportExtensionVersion(Platform& platform, ReportWriter& report, const PreferencesDocument& document,
                           std::string_view label, int item);

}  // namespace orvex
