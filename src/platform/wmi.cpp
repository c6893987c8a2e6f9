// Not built yet: writes nothing.
#include "platform/wmi.h"

namespace orvex {

int getWmiProperty(Platform&, const std::string&, const std::string&, std::string&) { return 1; }

}  // namespace orvex
