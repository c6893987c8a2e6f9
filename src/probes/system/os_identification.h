#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// Laid out as OSVERSIONINFOA.
struct OsVersionRecord {
    uint32_t size = 0;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    char servicePack[128] = {};
};

std::string getOSName(Platform& platform, ReportWriter& report);
bool GetVersion2(Platform& platform, ReportWriter& report, OsVersionRecord& record);

// The OS's name, version, build and bitness: four items.
void checkOsIdentification(Platform& platform, ReportWriter& report, const std::string& bitness,
                           uint16_t processorArchitecture);

}  // namespace orvex
