// The result file on Windows: appended to as the system appends, and written
// by one run of the tool at a time.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace orvex {

// Opens the file append-only (created when missing; others may go on reading
// and writing it) and waits for this run's turn at it: while another run of
// the tool is writing the file, this one waits until that run ends, at most
// about a minute. The turn lasts as long as the stream. Every flush of the
// stream goes to the end of the file in one piece. nullptr when the file
// cannot be opened or the turn does not come in time.
std::unique_ptr<std::ostream> openResultFileInTurn(const std::u16string& path);

}  // namespace orvex
