// The OS product name (from WMI), version, build and service pack (from
// RtlGetVersion, looked up at run time), and the bitness.
#include "probes/system/os_identification.h"

#include <cstring>

#include "platform/handles.h"
#include "platform/wmi.h"

namespace orvex {

using namespace catalogue;

std::string getOSName(Platform& platform, ReportWriter& report) {
    std::string value;
    if (getWmiProperty(platform, "Win32_OperatingSystem", "Caption", value) != 0) {
        report.writeFailure(kOsNameQueryFailed);
        return std::string();
    }
    return value;
}

bool GetVersion2(Platform& platform, ReportWriter& report, OsVersionRecord& record) {
    ModuleOwner ntdll(platform);
    ntdll.adopt(platform.loadLibrary("ntdll.dll"));
    if (!ntdll) {
        report.writeFailure(kNtdllNotLoadable);
        return false;
    }
    const ProcHandle rtlGetVersion = platform.getProcAddress(ntdll.get(), "RtlGetVersion");
    if (rtlGetVersion == 0) {
        ntdll.reset();
        report.writeFailure(kRtlGetVersionMissing);
        return false;
    }

    RtlOsVersion version;
    platform.callRtlGetVersion(rtlGetVersion, version);
    record.majorVersion = version.majorVersion;
    record.minorVersion = version.minorVersion;
    record.buildNumber = version.buildNumber;
    record.platformId = version.platformId;
    record.size = 156;  // sizeof(OSVERSIONINFOA)
    // The low 8 bits of each code unit up to the first zero; the last byte
    // always stays the terminator.
    std::memset(record.servicePack, 0, sizeof(record.servicePack));
    for (std::size_t i = 0; i + 1 < sizeof(record.servicePack) && version.servicePack[i] != 0; ++i)
        record.servicePack[i] = static_cast<char>(version.servicePack[i] & 0xFF);
    return true;  // the owner frees the module
}

void checkOsIdentification(Platform& platform, ReportWriter& report, const std::string& bitness,
                           uint16_t processorArchitecture) {
    report.writeItem(kOsName.number, kOsName.label, getOSName(platform, report));

    // Printed with whatever the lookup left: zeros and an empty text after a failure.
    OsVersionRecord record;
    static_cast<void>(GetVersion2(platform, report, record));
    const std::string servicePack(record.servicePack, strnlen(record.servicePack, sizeof(record.servicePack)));
    report.writeItem(kOsVersion.number, kOsVersion.label, record.majorVersion, ".", record.minorVersion);
    report.writeItem(kOsBuild.number, kOsBuild.label, record.buildNumber, "(", servicePack, ")");

    report.writeItem(kOsBitness.number, kOsBitness.label, bitness, "(", processorArchitecture, ")");
}

}  // namespace orvex
