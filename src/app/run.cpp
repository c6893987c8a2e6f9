// The run: open the result file, write the header, fix the registry view,
// find the target user, then every check in its fixed order.
#include "app/run.h"

#include "platform/ansi_text.h"
#include "platform/host.h"
#include "platform/registry.h"
#include "platform/target_user.h"
#include "probes/chromium/browser_extension.h"
#include "probes/ie/ie_checks.h"
#include "probes/system/os_identification.h"
#include "probes/system/preparation_setups.h"
#include "probes/system/signing_modules.h"
#include "probes/system/smart_card_service.h"

namespace orvex {

namespace {

const char kOpenFailed[] =
    "結果ファイルを作成できませんでした。結果ファイルを開いている場合は、閉じてから本ツールを実行してください。";
const char kAnnouncement[] = "以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）";
const char kSeparator[] = "=================================================";
const char kStartLabel[] = "実行開始：";

std::string startTimeText(std::time_t now) {
    std::tm calendar = {};
    char text[100] = {};
    if (toLocalCalendar(now, calendar)) std::strftime(text, sizeof(text), "%Y/%m/%d %H:%M:%S", &calendar);
    return text;
}

}  // namespace

std::string resultFilePath(Platform& platform, const std::string& argv0) {
    std::string::size_type last = findLastBackslash(platform, argv0);
    std::string directory = last == std::string::npos ? std::string(".") : argv0.substr(0, last);
    return directory + "\\OrvexEnv.txt";
}

std::string bitnessText(uint16_t processorArchitecture) {
    switch (processorArchitecture) {
    case 0: return "32bit";
    case 6: case 7: case 9: case 10: return "64bit";
    default: return "--bit";
    }
}

int runChecks(Platform& platform, ReportWriter& report, const std::string& argv0, std::time_t startTime) {
    const std::string path = resultFilePath(platform, argv0);
    if (!report.openResultFile(toHostPath(path))) {
        report.writeConsoleLine(kOpenFailed);
        report.writeConsoleLine(path);
        platform.pause();
        return -1;
    }
    report.writeConsoleLine(kAnnouncement);
    report.writeConsoleLine(path);
    report.writeFileLine(kSeparator);
    report.writeLine(kStartLabel + startTimeText(startTime));

    // The view is fixed before the first registry read and holds for the whole run.
    const uint16_t architecture = platform.nativeProcessorArchitecture();
    const std::string bitness = bitnessText(architecture);
    Registry registry(platform);
    if (bitness == "64bit") registry.setViewFlag(kKeyWow64_64Key);

    std::string sid;
    if (!resolveTargetUserSid(platform, registry, report, sid)) return -1;

    checkOsIdentification(platform, report, bitness, architecture);  // 1-4
    checkSmartCardService(platform, report);                          // 5
    checkSigningModules(platform, registry, report);                  // 6-7

    int item = 8;
    item = checkTrustedSites(registry, report, sid, item);       // 8-16
    item = checkSecurityZone(registry, report, sid, item);       // 17
    item = checkAddonSettings(registry, report, sid, item);      // 18-20
    item = checkCompatibilityView(registry, report, sid, item);  // 21
    item = checkPopupAllowList(registry, report, sid, item);     // 22-30

    LocalAppData localAppData;
    if (!resolveTargetLocalAppData(platform, registry, report, localAppData)) return -1;

    item = probeBrowserExtension(platform, report, localAppData.known, localAppData.directory, item);  // 31-38
    checkPreparationSetups(registry, report, item);                                                    // 39-41

    report.writeFileLine(kSeparator);
    return 0;
}

}  // namespace orvex
