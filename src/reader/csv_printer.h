// CSV for a spreadsheet (UTF-8 with a byte-order mark, CR LF, every field
// quoted): one header row, then one row per run: file, run, started,
// complete, ended, attention, the text and verdict of every item this reader
// knows, a later OrvexEnv's item lines, error (why a file was not read) and
// whether it was passed over; and one row per file not read or passed over.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

std::unique_ptr<Printer> makeCsvPrinter(const Output& output, const PrinterSettings& settings);

// The byte-order mark and the header row.
std::string csvHeader();
std::string csvRow(const std::string& file, const Run& run, const RunFacts& facts);
// The row of a file not read (message: why), or passed over.
std::string csvNotRead(const std::string& file, const std::string& message, bool passedOver);

}  // namespace orvex::reader
