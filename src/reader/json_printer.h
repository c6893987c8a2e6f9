// JSON Lines (UTF-8), for a ticket system or a data engine: one record per
// run, and one per file not read, every record with the same keys (the
// record's schema is docs/record.schema.json): a file not read has the run's
// keys as null or empty lists.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

std::unique_ptr<Printer> makeJsonPrinter(const Output& output, const PrinterSettings& settings);

// A run's record on one line, with its line end; "changed" from the facts'
// comparison with the run before, null for a file's first run.
std::string jsonRecord(const std::string& file, const Run& run, const RunFacts& facts);
// The record of a file that cannot be read or holds no run, or (passedOver)
// of a file in a folder passed over for what it is.
std::string jsonNotRead(const std::string& file, const std::string& message, bool passedOver);

}  // namespace orvex::reader
