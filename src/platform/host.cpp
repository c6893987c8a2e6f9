#include "platform/host.h"

namespace orvex {

std::string toHostPath(const std::string& windowsPath) {
#ifdef _WIN32
    return windowsPath;
#else
    std::string path = windowsPath;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
#endif
}

bool toLocalCalendar(std::time_t when, std::tm& calendar) {
#ifdef _WIN32
    return localtime_s(&calendar, &when) == 0;
#else
    return localtime_r(&when, &calendar) != nullptr;
#endif
}

}  // namespace orvex
