// Not built yet: writes nothing.
#include "probes/ie/ie_checks.h"

namespace orvex {

int checkPopupAllowList(Registry&, ReportWriter&, const std::string&, int item) { return item; }

}  // namespace orvex
