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

}  // namespace orvex
