// Not built yet: writes nothing.
#include "probes/system/preparation_setups.h"

namespace orvex {

void checkPreparationSetups(Registry&, ReportWriter&, int) {}

}  // namespace orvex
