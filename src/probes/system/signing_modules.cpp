// Items 6 and 7: the two signing components, registered as COM in-process
// servers. Each reports where it is not registered, or the last-write date of
// the registered file, or why that date could not be read.
#include "probes/system/signing_modules.h"

#include <cstdio>
#include <cstring>

#include "platform/handles.h"

namespace orvex {

using namespace signing_texts;

int getFileUpdateDate(Platform& platform, const std::string& path, std::string& text, FileView view) {
    FileOwner file(platform);
    file.adopt(platform.openFileForRead(path, view));
    if (!file) return -1;
    uint64_t lastWrite = 0;
    if (!platform.getFileLastWriteTime(file.get(), lastWrite)) return -2;
    file.reset();

    // Local time with the bias in force now. When a conversion fails, or the
    // text would not fit its 23 characters (a year past 9999), the all-zero
    // date stands: the line never shows a cut or half-made date.
    char date[24] = "0000/00/00 00:00:00.000";
    uint64_t local = 0;
    CalendarTime time;
    if (platform.fileTimeToLocalFileTime(lastWrite, local) && platform.fileTimeToSystemTime(local, time)) {
        char formatted[64] = {};
        const int length = std::snprintf(formatted, sizeof(formatted), "%04d/%02d/%02d %02d:%02d:%02d.%03d",
                                         time.year, time.month, time.day, time.hour, time.minute, time.second,
                                         time.milliseconds);
        if (length == static_cast<int>(sizeof(date)) - 1) std::memcpy(date, formatted, sizeof(date));
    }
    text = date;
    return 0;
}

int checkSigningModules(Platform& platform, Registry& registry, ReportWriter& report, int item) {
    for (const SigningModule& module : kModules) {
        std::string path;
        // The first registration found is the one reported, whatever becomes of its file.
        // A native registration read through the 64-bit view names a file of the
        // native file system: System32 there is not the 32-bit tool's SysWOW64.
        FileView view = FileView::Process;
        if (registry.readRegString(RegRoot::ClassesRoot, module.nativeKey, "", path) == REG_READ_OK) {
            if (registry.view() == RegistryView::Native64) view = FileView::Native;
        } else if (registry.readRegString(RegRoot::ClassesRoot, module.wow64Key, "", path) != REG_READ_OK) {
            item = report.writeItem(item, module.notRegistered);
            continue;
        }
        std::string date;
        switch (getFileUpdateDate(platform, path, date, view)) {
        case 0: item = report.writeItem(item, module.dateLabel, date); break;
        case -1: item = report.writeItem(item, module.fileMissing); break;
        default: item = report.writeItem(item, module.unreadable); break;
        }
    }
    return item;
}

}  // namespace orvex
