// The service's browser extension as Chrome and Edge record it in the
// Preferences and Secure Preferences of their Default profile.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "probes/chromium/preferences_document.h"
#include "report/report_writer.h"

namespace orvex {

inline constexpr char kExtensionId[] = "lkdmfhaebpjcognbimfealhdpkcogjbn";

// Items item to item + 7: the extension in Chrome and Edge. Returns item + 8.
// Writes its eight lines whatever the documents hold, or when the directory
// is unknown (directoryKnown false).
int probeBrowserExtension(Platform& platform, ReportWriter& report, bool directoryKnown, const std::string& directory,
                          int item);

// One state line: "on", "off" or not installed (also for a document not loaded).
int reportExtensionState(ReportWriter& report, const PreferencesDocument& document, std::string_view label, int item);

// One version line: the manifest's version or "-".
int reportExtensionVersion(ReportWriter& report, const PreferencesDocument& document, std::string_view label,
                           int item);

}  // namespace orvex
