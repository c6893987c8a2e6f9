// The floor a whole run is measured against: process start-up and the same
// WMI query the OS check makes, nothing else.
#include <iostream>
#include <string>

#include "platform/windows_platform.h"
#include "platform/wmi.h"

int main() {
    orvex::WindowsPlatform platform;
    std::string caption;
    int result = orvex::getWmiProperty(platform, "Win32_OperatingSystem", "Caption", caption);
    std::cout << caption << '\n';
    return result;
}
