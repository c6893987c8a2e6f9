// Items 31 to 38: whether the service's extension is on or off in Chrome and
// Edge, and which version of it they recorded, judged from each of the two
// preference documents of the Default profile on its own.
#include "probes/chromium/browser_extension.h"

#include <cstdint>

#include "probes/chromium/preferences_document.h"

namespace orvex {

using namespace extension_texts;

namespace {

// Truncated toward zero to a 32-bit integer: 1 is on, 0 is off; anything
// else, a number beyond the 32-bit range included, is neither.
const char* stateWord(double state) {
    if (!(state > -2147483649.0 && state < 2147483648.0)) return kNotInstalled;
    switch (static_cast<std::int32_t>(state)) {
    case 1: return kOn;
    case 0: return kOff;
    default: return kNotInstalled;
    }
}

// Current browsers no longer write "state" but "disable_reasons": a list,
// empty while the extension is enabled, or in older versions a number, 0
// while it is enabled.
const char* disableReasonsWord(const EntryMember& reasons) {
    if (reasons.type == EntryMember::Array) return reasons.empty ? kOn : kOff;
    if (reasons.type == EntryMember::Number) return reasons.number == 0 ? kOn : kOff;
    return kNotInstalled;
}

const char* extensionState(const PreferencesDocument& document) {
    if (!document.loaded) return kNotInstalled;
    // A "state" of any other type than a number decides too: not installed.
    if (document.state.type != EntryMember::Absent)
        return document.state.type == EntryMember::Number ? stateWord(document.state.number) : kNotInstalled;
    return disableReasonsWord(document.disableReasons);
}

std::string_view extensionVersion(const PreferencesDocument& document) {
    if (!document.loaded || document.version.empty()) return kNoVersion;
    return document.version;
}

// One browser's four lines. Each document is loaded just before its state
// line and kept for its version line; both are released when the browser is
// done.
int reportBrowser(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData,
                  const DocumentRow* rows, int item) {
    PreferencesDocument documents[2];
    for (int i = 0; i < 2; ++i) {
        documents[i] = loadPreferencesDocument(platform, localAppData, rows[i].suffix);
        item = reportExtensionState(report, documents[i], rows[i].stateLabel, item);
    }
    for (int i = 0; i < 2; ++i)
        item = reportExtensionVersion(platform, report, documents[i], rows[i].versionLabel, item);
    return item;
}

}  // namespace

int reportExtensionState(ReportWriter& report, const PreferencesDocument& document, std::string_view label,
                         int item) {
    return report.writeItem(item, label, extensionState(document));
}

int reportExtensionVersion(Platform& platform, ReportWriter& report, const PreferencesDocument& document,
                           std::string_view label, int item) {
    const std::string_view version = extensionVersion(document);
    if (version == kNoVersion) return report.writeItem(item, label, kNoVersion);
    // The document is UTF-8, the report is in the ANSI code page.
    return report.writeItem(item, label, platform.wideToAnsiExact(platform.utf8ToWide(std::string(version))));
}

int probeBrowserExtension(Platform& platform, ReportWriter& report, const std::optional<std::string>& localAppData,
                          int item) {
    item = reportBrowser(platform, report, localAppData, &kDocuments[0], item);  // Chrome
    return reportBrowser(platform, report, localAppData, &kDocuments[2], item);  // Edge
}

}  // namespace orvex
