// Not built yet: writes nothing.
#include "probes/system/os_identification.h"

namespace orvex {

void checkOsIdentification(Platform&, ReportWriter&, const std::string&, uint16_t) {}

}  // namespace orvex
