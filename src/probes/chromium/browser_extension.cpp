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
const char* disableReasonsWord(const picojson::value& reasons) {
    if (reasons.is<picojson::array>()) return reasons.get<picojson::array>().empty() ? kOn : kOff;
    if (reasons.is<double>()) return reasons.get<double>() == 0 ? kOn : kOff;
    return kNotInstalled;
}

const char* extensionState(const picojson::value& root) {
    if (!root.is<picojson::object>()) return kNotInstalled;
    const picojson::object& top = root.get<picojson::object>();
    // A "state" of any other type than a number decides too: not installed.
    if (const picojson::object* entry = findKeyPath(top, {"extensions", "settings", kExtensionId}, "state")) {
        const picojson::value& state = entry->at("state");
        return state.is<double>() ? stateWord(state.get<double>()) : kNotInstalled;
    }
    if (const picojson::object* entry = findKeyPath(top, {"extensions", "settings", kExtensionId}, "disable_reasons"))
        return disableReasonsWord(entry->at("disable_reasons"));
    return kNotInstalled;
}

std::string_view extensionVersion(const picojson::value& root) {
    if (!root.is<picojson::object>()) return kNoVersion;
    const picojson::object* manifest =
        findKeyPath(root.get<picojson::object>(), {"extensions", "settings", kExtensionId, "manifest"}, "version");
    if (manifest == nullptr) return kNoVersion;
    const picojson::value& version = manifest->at("version");
    if (!version.is<std::string>() || version.get<std::string>().empty()) return kNoVersion;
    return version.get<std::string>();
}

// One browser's four lines. Each document is loaded just before its state
// line and kept for its version line; both are released when the browser is
// done.
int reportBrowser(Platform& platform, ReportWriter& report, bool directoryKnown, const std::string& directory,
                  const DocumentRow* rows, int item) {
    PreferencesDocument documents[2];
    for (int i = 0; i < 2; ++i) {
        documents[i] = loadPreferencesDocument(directoryKnown, directory, rows[i].suffix);
        item = documents[i].loaded ? reportExtensionState(report, documents[i].root, rows[i].stateLabel, item)
                                   : report.writeItem(item, rows[i].stateLabel, kNotInstalled);
    }
    for (int i = 0; i < 2; ++i)
        item = documents[i].loaded
                   ? reportExtensionVersion(platform, report, documents[i].root, rows[i].versionLabel, item)
                   : report.writeItem(item, rows[i].versionLabel, kNoVersion);
    return item;
}

}  // namespace

const picojson::object* findKeyPath(const picojson::object& object, std::initializer_list<std::string> intermediates,
                                    const std::string& last) {
    const picojson::object* current = &object;
    for (const std::string& name : intermediates) {
        const auto member = current->find(name);
        if (member == current->end() || !member->second.is<picojson::object>()) return nullptr;
        current = &member->second.get<picojson::object>();
    }
    return current->count(last) != 0 ? current : nullptr;
}

int reportExtensionState(ReportWriter& report, const picojson::value& root, std::string_view label, int item) {
    return report.writeItem(item, label, extensionState(root));
}

int reportExtensionVersion(Platform& platform, ReportWriter& report, const picojson::value& root,
                           std::string_view label, int item) {
    const std::string_view version = extensionVersion(root);
    if (version == kNoVersion) return report.writeItem(item, label, kNoVersion);
    // The document is UTF-8, the report is in the ANSI code page.
    return report.writeItem(item, label, platform.wideToAnsiExact(platform.utf8ToWide(std::string(version))));
}

int probeBrowserExtension(Platform& platform, ReportWriter& report, bool directoryKnown, const std::string& directory,
                          int item) {
    item = reportBrowser(platform, report, directoryKnown, directory, &kDocuments[0], item);  // Chrome
    return reportBrowser(platform, report, directoryKnown, directory, &kDocuments[2], item);  // Edge
}

}  // namespace orvex
