// Not built yet: writes nothing.
#include "probes/system/signing_modules.h"

namespace orvex {

void checkSigningModules(Platform&, Registry&, ReportWriter&) {}

}  // namespace orvex
