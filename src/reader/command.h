// The reader's run: the command line read, the form of standard output and
// the page made, every name read into them; or the result file beside the
// program for the person at the PC. What it came to for the exit code. Exit
// codes as exitCode's (outcome.h).
#pragma once

#include <string>
#include <vector>

#include "reader/outcome.h"
#include "reader/output.h"

namespace orvex::reader {

// arguments: without the program's name.
Outcome runReader(const std::vector<std::string>& arguments, const Output& output);

// Started with nothing on its command line beside OrvexEnv.exe (double-clicked
// in the taxpayer's folder): OrvexEnv.txt in folder, the latest run for the
// person at the PC.
Outcome runBesideTool(const std::string& folder, const Output& output);

}  // namespace orvex::reader
