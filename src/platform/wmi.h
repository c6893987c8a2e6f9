#pragma once

#include <string>

#include "platform/platform.h"

namespace orvex {

// One string property of every instance of a class in ROOT\CIMV2; value holds
// the last instance's text. 0 when the query ran to its end, 1 when a COM step failed.
int getWmiProperty(Platform& platform, const std::string& className, const std::string& propertyName,
                   std::string& value);

}  // namespace orvex
