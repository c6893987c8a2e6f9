// The output forms the reading loop feeds: the summary for a person, the
// overview alone, JSON Lines and CSV.
#pragma once

#include <memory>

#include "reader/command.h"
#include "reader/printer.h"

namespace orvex::reader {

// Each file's latest run (every run with allRuns), then, when more than one
// file was given, the overview.
std::unique_ptr<Printer> makeSummaryPrinter(const Output& output, bool allRuns);
// The overview alone.
std::unique_ptr<Printer> makeOverviewPrinter(const Output& output);
// One object per run and one per file not read, all with the same keys
// (docs/record.schema.json).
std::unique_ptr<Printer> makeJsonPrinter(const Output& output);
// One byte-order mark and header row, then one row per run.
std::unique_ptr<Printer> makeCsvPrinter(const Output& output);

}  // namespace orvex::reader
