#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "report/report_writer.h"

namespace orvex {

// The labels of items 1 to 4 (their failure lines: report/failure_sites.h).
namespace os_texts {
inline constexpr char kNameLabel[] = "．OS情報 種類（名称）：";           // the name follows
inline constexpr char kVersionLabel[] = "．OS情報 種類（バージョン）：";  // major.minor
inline constexpr char kBuildLabel[] = "．OS情報 ビルドバージョン：";      // build(service pack)
inline constexpr char kBitnessLabel[] = "．OS情報 bit数：";               // bitness(architecture)
}  // namespace os_texts

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

// Items 1 to 4.
// Items item to item + 3; returns item + 4.
int checkOsIdentification(Platform& platform, ReportWriter& report, const std::string& bitness,
                          uint16_t processorArchitecture, int item);

}  // namespace orvex
