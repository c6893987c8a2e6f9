// The reading loop: what each name on the command line or in a list stands
// for (a file, every result file below a folder, on Windows the matches of a
// wildcard), each file read once, run by run, into the printer. What cannot
// be read is named on standard error and told to the printer; nothing given
// passes unread.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "reader/outcome.h"
#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

class Inputs {
public:
    // What is read, and what is not, goes into outcome (notRead, attention).
    // ownOutputs: the files this reader writes (the page), passed over
    // wherever they are met, as is standard output when it is a file;
    // scratch: what waits beside them while it runs, left out without a word;
    // audience: whom the runs' facts address.
    Inputs(Printer& printer, const Output& output, Outcome& outcome, std::vector<std::string> ownOutputs,
           std::vector<std::string> scratch, Audience audience = Audience::Desk)
        : printer_(printer), output_(output), outcome_(outcome), ownOutputs_(std::move(ownOutputs)),
          scratch_(std::move(scratch)), audience_(audience) {
        ownOutputs_.emplace_back();  // standard output
    }

    // A command-line argument: on Windows, * and ? are expanded here; "-"
    // is a result file on standard input.
    void readArgument(const std::string& argument);
    // The files a list names: one per line (LF or CR LF; empty lines are
    // passed over), or, in a list that holds a NUL byte (as "find -print0"
    // writes it, where a name may hold a line end), one before each NUL. A
    // NUL never belongs to a name. "-": standard input.
    void readList(const std::string& list);
    // One file, run by run, whatever its name: only the run before the
    // current one and the latest are held. One that is no result file for
    // what it is (this reader's own output) is passed over when a folder
    // holds it (inFolder), and not read when it was named.
    void readFile(const std::string& path, bool inFolder = false);

private:
    // A file, or every result file below a folder.
    void read(const std::string& path);
    // A file reached before (a name given twice, a folder and a file in it,
    // two spellings of one path) is passed over.
    bool seenBefore(const std::string& path);
    // Names what was not read on standard error and tells the printer.
    void fail(const std::string& path, const std::string& message);
    // Tells the printer of a file passed over for what it is; a file that
    // was named is not read instead (fail): nothing named passes unread as
    // all clear.
    void passOver(const std::string& path, const std::string& reason, bool inFolder = true);
    // The file is one this reader writes: 1 an output, 2 its scratch; 0 neither.
    int ownOutput(const std::string& path);

    Printer& printer_;
    const Output& output_;
    Outcome& outcome_;
    std::vector<std::string> ownOutputs_;  // paths; an empty one stands for standard output
    std::vector<std::string> scratch_;
    Audience audience_;
    std::map<std::string, int> ownIdentities_;  // theirs (as ownOutput says), known once the first file is read
    std::set<std::string> seen_;  // the identities of the files and folders reached
};

}  // namespace orvex::reader
