// The reader's run: the command line read, the form of standard output and
// the page made, every name read into them; what it came to for the exit
// code. Exit codes as exitCode's (outcome.h).
#pragma once

#include <string>
#include <vector>

#include "reader/outcome.h"
#include "reader/output.h"

namespace orvex::reader {

// arguments: without the program's name.
Outcome runReader(const std::vector<std::string>& arguments, const Output& output);

}  // namespace orvex::reader
