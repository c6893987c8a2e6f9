// Not built yet: writes nothing.
#include "probes/chromium/browser_extension.h"

namespace orvex {

int probeBrowserExtension(ReportWriter&, bool, const std::string&, int item) { return item; }

}  // namespace orvex
