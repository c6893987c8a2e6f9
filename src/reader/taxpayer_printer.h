// The screen for the person at the PC (UTF-8): OrvexEnvRead.exe started with
// nothing on its command line beside OrvexEnv.exe shows the latest run of the
// result file there: how many lines to fix, each with what to do, then where
// to send the file when that does not help; or, when there is nothing there
// to show, why and what to do instead. Its words address that person
// (Audience::Taxpayer), never the desk.
#pragma once

#include <memory>
#include <string>

#include "reader/outcome.h"
#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

// The one file read. One that is no result file (passed over for what it
// is) counts as not read in outcome: it is the only one.
std::unique_ptr<Printer> makeTaxpayerPrinter(const Output& output, Outcome& outcome);

// The folder holds no OrvexEnv.txt: run OrvexEnv.exe first or, where no file
// can be made in the folder (writable false), move the folder.
std::string noResultText(const std::string& folder, bool writable);

}  // namespace orvex::reader
