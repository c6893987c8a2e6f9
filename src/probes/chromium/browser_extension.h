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
