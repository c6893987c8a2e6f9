// The run: open the result file, write the header, fix the registry view,
// find the target user, then every check in its fixed order.
#include "app/run.h"

#include <memory>
#include <optional>
#include <utility>

#include "platform/registry.h"
#include "probes/chromium/browser_extension.h"
#include "probes/ie/ie_checks.h"
#include "probes/system/os_identification.h"
#include "probes/system/preparation_setups.h"
#include "probes/system/signing_modules.h"
#include "probes/system/smart_card_service.h"
#include "probes/system/target_user.h"

namespace orvex {

namespace {

using namespace catalogue;

std::string startTimeText(Platform& platform, std::time_t now) {
    std::tm calendar = {};
    if (!platform.localCalendar(now, calendar)) return std::string();
    char text[100] = {};
    // 0 when the text does not fit; the buffer's contents are undefined then.
    const std::size_t length = std::strftime(text, sizeof(text), "%Y/%m/%d %H:%M:%S", &calendar);
    return std::string(text, length);
}

}  // namespace

std::u16string resultFilePath(const std::u16string& argv0) {
    const std::u16string::size_type last = argv0.rfind(u'\\');
    const std::u16string directory = last == std::u16string::npos ? std::u16string(u".") : argv0.substr(0, last);
    return directory + u"\\OrvexEnv.txt";
}

std::string bitnessText(uint16_t processorArchitecture) {
    switch (processorArchitecture) {
    case 0: return std::string(kOsBitness.bits32);
    case 6: case 7: case 9: case 10: return std::string(kOsBitness.bits64);
    default: return std::string(kOsBitness.otherBits);
    }
}

RegistryView registryViewFor(uint16_t processorArchitecture) {
    switch (processorArchitecture) {
    case 6: case 7: case 9: case 10:
    case 12:  // ARM64: its bitness text stays "--bit", but its registry has two views as x64's has
        return RegistryView::Native64;
    default: return RegistryView::Default;
    }
}

int runChecks(Platform& platform, ReportWriter& report, const std::u16string& argv0, std::time_t startTime) {
    const std::u16string path = resultFilePath(argv0);
    // The console shows the path in the ANSI code page; a character it lacks is '?'.
    const std::string shownPath = platform.wideToAnsiExact(path);
    // Runs started at once take turns: a second run waits here until the first
    // has written its last line, then writes its own whole run.
    std::unique_ptr<std::ostream> resultFile = platform.openForAppend(path);
    if (!resultFile) {
        report.writeConsoleLine(kOpenFailed);
        report.writeConsoleLine(shownPath);
        platform.pause();
        return -1;
    }
    report.attachResultFile(std::move(resultFile));
    report.writeConsoleLine(kAnnouncement);
    report.writeConsoleLine(shownPath);
    report.writeFileLine(kSeparator);
    report.writeLine(std::string(kStartLabel) + startTimeText(platform, startTime));

    // The view is fixed before the first registry read and holds for the whole run.
    const uint16_t architecture = platform.nativeProcessorArchitecture();
    const std::string bitness = bitnessText(architecture);
    Registry registry(platform, registryViewFor(architecture));

    std::string sid;
    if (!resolveTargetUserSid(platform, registry, report, sid)) return -1;

    // Every check writes all of its lines, numbered as the catalogue numbers
    // them, whatever it finds: the report's items follow the order of the checks.
    checkOsIdentification(platform, report, bitness, architecture);
    checkSmartCardService(platform, report);
    checkSigningModules(platform, registry, report);
    checkTrustedSites(registry, report, sid);
    checkSecurityZone(registry, report, sid);
    checkAddonSettings(registry, report, sid);
    checkCompatibilityView(registry, report, sid);
    checkPopupAllowList(registry, report, sid);

    std::optional<std::string> localAppData;
    if (!resolveTargetLocalAppData(platform, registry, report, localAppData)) return -1;

    probeBrowserExtension(platform, report, localAppData);
    checkPreparationSetups(registry, report);

    report.writeFileLine(kSeparator);
    return 0;
}

}  // namespace orvex
