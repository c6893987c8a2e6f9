// What a run of the reader came to, as the parts that know report it: the
// command line, the reading loop, the printers and the program's own output.
// The exit code follows from it in one place.
#pragma once

namespace orvex::reader {

struct Outcome {
    bool usageError = false;  // the command line was wrong
    bool notRead = false;     // a file, an entry of a folder or a list could not be read, or holds no run
    bool attention = false;   // the latest run of a file needs attention
    bool unwritten = false;   // an output (standard output, the page) could not take everything
};

// 0 when the latest run of no file needs attention; 1 when one does; 2 when
// something was not read or not written, or the command line was wrong:
// nothing is lost without a word, and nothing unread passes as all clear.
int exitCode(const Outcome& outcome);

}  // namespace orvex::reader
