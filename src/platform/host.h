// The few things that differ between Windows and the hosts the tests run on.
#pragma once

#include <ctime>
#include <string>

namespace orvex {

// A Windows path as the host's file functions take it: unchanged on Windows;
// elsewhere (the native tests) the backslashes become slashes.
std::string toHostPath(const std::string& windowsPath);

// localtime_s on Windows, localtime_r elsewhere.
bool toLocalCalendar(std::time_t when, std::tm& calendar);

}  // namespace orvex
