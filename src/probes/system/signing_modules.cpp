// The two signing components, registered as COM in-process servers. Each
// reports where it is not registered, or the last-write date of the
// registered file, or why that date could not be read.
#include "probes/system/signing_modules.h"

#include <cstdio>
#include <cstring>

#include "platform/handles.h"

namespace orvex {

namespace {

// Each component's line, and its registration: native first, then 32-bit.
struct SigningComponent {
    const catalogue::SigningComponentItem& item;
    const char* nativeKey;
    const char* wow64Key;
};

const SigningComponent kComponents[] = {
    {catalogue::kSigningModule, "CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32",
     "WOW6432Node\\CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32"},
    {catalogue::kSigningControl, "CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32",
     "WOW6432Node\\CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32"},
};

}  // namespace

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

void checkSigningModules(Platform& platform, Registry& registry, ReportWriter& report) {
    for (const SigningComponent& component : kComponents) {
        const catalogue::SigningComponentItem& item = component.item;
        std::string path;
        // The first registration found is the one reported, whatever becomes of its file.
        // A native registration read through the 64-bit view names a file of the
        // native file system: System32 there is not the 32-bit tool's SysWOW64.
        FileView view = FileView::Process;
        if (registry.readRegString(RegRoot::ClassesRoot, component.nativeKey, "", path) == REG_READ_OK) {
            if (registry.view() == RegistryView::Native64) view = FileView::Native;
        } else if (registry.readRegString(RegRoot::ClassesRoot, component.wow64Key, "", path) != REG_READ_OK) {
            report.writeItem(item.number, item.notRegistered);
            continue;
        }
        std::string date;
        switch (getFileUpdateDate(platform, path, date, view)) {
        case 0: report.writeItem(item.number, item.dateLabel, date); break;
        case -1: report.writeItem(item.number, item.fileMissing); break;
        default: report.writeItem(item.number, item.unreadable); break;
        }
    }
}

}  // namespace orvex
