#include "reader/outcome.h"

namespace orvex::reader {

int exitCode(const Outcome& outcome) {
    if (outcome.usageError || outcome.notRead || outcome.unwritten) return 2;
    return outcome.attention ? 1 : 0;
}

}  // namespace orvex::reader
