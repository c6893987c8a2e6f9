// The summary, for a person at the desk (UTF-8): each file's latest run, or
// every run with --all, with how it ended, each line to act on with what to
// do, how many items are ok and what changed since the run before; when more
// than one file was given, the overview last.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

std::unique_ptr<Printer> makeSummaryPrinter(const Output& output, const PrinterSettings& settings);

// The summary of one run. file: the name as shown; facts: the run's, what
// was fixed since the run before and what newly needs action included;
// runsInFile: how many runs the file holds when the run is shown as its
// latest, 0 when every run is shown.
std::string summaryText(const std::string& file, const Run& run, const RunFacts& facts, int runsInFile);

}  // namespace orvex::reader
