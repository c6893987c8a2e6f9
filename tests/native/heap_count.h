// The heap as this program's own operator new and delete count it (linked
// into the benchmark only): bytes live now, and the most that were live
// since the peak was last reset.
#pragma once

#include <cstddef>

namespace orvex::heap {

std::size_t liveBytes();
std::size_t peakBytes();
void resetPeak();  // to the bytes live now

}  // namespace orvex::heap
