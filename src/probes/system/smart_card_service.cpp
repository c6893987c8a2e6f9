// Not built yet: writes nothing.
#include "probes/system/smart_card_service.h"

namespace orvex {

void checkSmartCardService(Platform&, ReportWriter&) {}

}  // namespace orvex
