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

// A run's record on one line, with its line end. previous: the run before it
// in the file, whose verdicts "changed" compares with; nullptr for a file's
// first run, whose "changed" is null.
std::string jsonRecord(const std::string& file, const Run& run, const Run* previous);
// The record of a file that cannot be read or holds no run.
std::string jsonNotRead(const std::string& file, const std::string& message);

}  // namespace orvex::reader
