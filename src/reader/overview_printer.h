// The overview, for a person at the desk (UTF-8): files read and not read,
// runs complete and not, the items that need action or are unread in the
// latest runs, most frequent first, and how many latest runs have the
// extension on in no browser. Counts only: memory does not grow with the
// number of files.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"
#include "reader/run_facts.h"

namespace orvex::reader {

std::unique_ptr<Printer> makeOverviewPrinter(const Output& output, const PrinterSettings& settings);

std::string overviewText(const OverviewCounts& counts);

}  // namespace orvex::reader
