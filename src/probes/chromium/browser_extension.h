// The service's browser extension as Chrome and Edge record it in the
// Preferences and Secure Preferences of their Default profile.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "probes/chromium/preferences_document.h"
#include "report/report_writer.h"

namespace orvex {

inline constexpr char kExtensionId[] = "lkdmfhaebpjcognbimfealhdpkcogjbn";

// The extension in Chrome and Edge, from the target user's local application
// data directory: eight items, written whatever the documents hold, or
// without a directory.
void probeBrowserExtension(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData);

// One state line: "on", "off" or not installed (also for a document not loaded).
void reportExtensionState(ReportWriter& report, const PreferencesDocument& document,
                          const catalogue::LabelledItem& line);

// One version line: the manifest's version, converted from UTF-8 to the ANSI
// code page, or "-".
void reportExtensionVersion(Platform& platform, ReportWriter& report, const PreferencesDocument& document,
                            const catalogue::LabelledItem& line);

}  // namespace orvex
