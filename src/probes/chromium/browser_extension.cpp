// Whether the service's extension is on or off in Chrome and Edge, and which
// version of it they recorded, judged from each of the two preference
// documents of the Default profile on its own.
#include "probes/chromium/browser_extension.h"

#include <cstdint>
#include <string_view>

#include "probes/chromium/preferences_document.h"

namespace orvex {

namespace {

const catalogue::ExtensionValues& kValues = catalogue::kExtensionValues;

// A browser's two documents below the local application data directory, in
// the order of its lines: Preferences, Secure Preferences.
struct Browser {
    const catalogue::BrowserExtensionItems& lines;
    const char* documents[2];
};

const Browser kChrome = {catalogue::kChromeExtension,
                         {"\\Google\\Chrome\\User Data\\Default\\Preferences",
                          "\\Google\\Chrome\\User Data\\Default\\Secure Preferences"}};
const Browser kEdge = {catalogue::kEdgeExtension,
                       {"\\Microsoft\\Edge\\User Data\\Default\\Preferences",
                        "\\Microsoft\\Edge\\User Data\\Default\\Secure Preferences"}};

// Truncated toward zero to a 32-bit integer: 1 is on, 0 is off; anything
// else, a number beyond the 32-bit range included, is neither.
std::string_view stateWord(double state) {
    if (!(state > -2147483649.0 && state < 2147483648.0)) return kValues.notInstalled;
    switch (static_cast<std::int32_t>(state)) {
    case 1: return kValues.on;
    case 0: return kValues.off;
    default: return kValues.notInstalled;
    }
}

// Current browsers no longer write "state" but "disable_reasons": a list,
// empty while the extension is enabled, or in older versions a number, 0
// while it is enabled.
std::string_view disableReasonsWord(const EntryMember& reasons) {
    if (reasons.type == EntryMember::Array) return reasons.empty ? kValues.on : kValues.off;
    if (reasons.type == EntryMember::Number) return reasons.number == 0 ? kValues.on : kValues.off;
    return kValues.notInstalled;
}

std::string_view extensionState(const PreferencesDocument& document) {
    if (!document.loaded) return kValues.notInstalled;
    // A "state" of any other type than a number decides too: not installed.
    if (document.state.type != EntryMember::Absent)
        return document.state.type == EntryMember::Number ? stateWord(document.state.number) : kValues.notInstalled;
    return disableReasonsWord(document.disableReasons);
}

// One browser's four lines. Each document is loaded just before its state
// line and kept for its version line; both are released when the browser is
// done.
void reportBrowser(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData,
                   const Browser& browser) {
    PreferencesDocument documents[2];
    for (int i = 0; i < 2; ++i) {
        documents[i] = loadPreferencesDocument(platform, localAppData, browser.documents[i]);
        reportExtensionState(report, documents[i], browser.lines.states[i]);
    }
    for (int i = 0; i < 2; ++i) reportExtensionVersion(platform, report, documents[i], browser.lines.versions[i]);
}

}  // namespace

void reportExtensionState(ReportWriter& report, const PreferencesDocument& document,
                          const catalogue::LabelledItem& line) {
    report.writeItem(line.number, line.label, extensionState(document));
}

void reportExtensionVersion(Platform& platform, ReportWriter& report, const PreferencesDocument& document,
                            const catalogue::LabelledItem& line) {
    if (!document.loaded || document.version.empty())
        return report.writeItem(line.number, line.label, kValues.noVersion);
    // The document is UTF-8, the report is in the ANSI code page.
    report.writeItem(line.number, line.label, platform.wideToAnsiExact(platform.utf8ToWide(document.version)));
}

void probeBrowserExtension(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData) {
    reportBrowser(platform, report, localAppData, kChrome);
    reportBrowser(platform, report, localAppData, kEdge);
}

}  // namespace orvex
