// CSV for a spreadsheet (UTF-8 with a byte-order mark, CR LF, every field
// quoted): one header row, then one row per run: file, run, started,
// complete, ended, attention, then the text and verdict of every item.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

std::unique_ptr<Printer> makeCsvPrinter(const Output& output, const PrinterSettings& settings);

// The byte-order mark and the header row.
std::string csvHeader();
std::string csvRow(const std::string& file, const Run& run);

}  // namespace orvex::reader
