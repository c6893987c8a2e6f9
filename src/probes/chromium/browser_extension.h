// The service's browser extension as Chrome and Edge record it in the
// Preferences and Secure Preferences of their Default profile.
#pragma once

#include <picojson.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

inline constexpr char kExtensionId[] = "lkdmfhaebpjcognbimfealhdpkcogjbn";

// Items item to item + 7: the extension in Chrome and Edge. Returns item + 8.
// Writes its eight lines whatever the documents hold, or when the directory
// is unknown (directoryKnown false).
int probeBrowserExtension(Platform& platform, ReportWriter& report, bool directoryKnown, const std::string& directory,
                          int item);

// One state line for a loaded document: "on", "off" or not installed.
int reportExtensionState(ReportWriter& report, const picojson::value& root, std::string_view label, int item);

// One version line for a loaded document: the manifest's version, converted
// from UTF-8 to the ANSI code page, or "-".
int reportExtensionVersion(Platform& platform, ReportWriter& report, const picojson::value& root,
                           std::string_view label, int item);

// Walks object through the intermediate member names (each must name an
// object) and returns the object holding a member named last, whatever that
// member's type; nullptr when any step is missing or not an object.
const picojson::object* findKeyPath(const picojson::object& object, std::initializer_list<std::string> intermediates,
                                    const std::string& last);

}  // namespace orvex
