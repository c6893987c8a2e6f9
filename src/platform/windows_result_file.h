// The result file on Windows: appended to as the system appends, and written
// by one run of the tool at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace orvex {

// A run's turn at the result file is an exclusive byte-range lock on the file
// itself, on the last byte below the largest offset a file position can have
// (positions are signed 64-bit numbers). No file ever reaches that byte, so
// the lock keeps out no reader and no append: only another run's lock. The
// system holds it for the file, not for a session or a user, so it works
// between runs of two users of one PC, and the redirector carries it to the
// server of a shared folder. It goes with the handle, also when a run ends
// early or is killed. (The test bed's stand-in for another run takes the
// same range.)
constexpr std::uint64_t kTurnOffset = 0x7FFFFFFFFFFFFFFEull;
constexpr std::uint32_t kTurnBytes = 1;

// Opens the file append-only (created when missing; others may go on reading
// and writing it) and waits for this run's turn at it: while another run of
// the tool is writing the file, this one waits until that run ends, at most
// about a minute. The turn lasts as long as the stream. Every flush of the
// stream goes to the end of the file in one piece. nullptr when the file
// cannot be opened or the turn does not come in time.
std::unique_ptr<std::ostream> openResultFileInTurn(const std::u16string& path);

}  // namespace orvex
