// The few things that differ between Windows and the hosts the tests run on.
#pragma once

#include <string>

namespace orvex {

// A Windows path as the host's file functions take it: unchanged on Windows;
// elsewhere (the native tests) the backslashes become slashes.
std::string toHostPath(const std::string& windowsPath);

}  // namespace orvex
