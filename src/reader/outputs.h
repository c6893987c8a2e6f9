// What the reader writes, all of it UTF-8: a summary a person reads at a
// glance, JSON Lines for a ticket system, CSV for a spreadsheet.
#pragma once

#include <string>
#include <string_view>

#include "reader/findings.h"
#include "reader/result_file.h"

namespace orvex::reader {

// A line of the run as UTF-8, whatever the file's encoding.
std::string lineText(const Run& run, const std::string& text);

// UTF-8 text with every control character (C0, DEL, C1) shown as "?": what
// a file holds never reaches a terminal or a spreadsheet as a command.
std::string printable(std::string_view text);

// How a run ended, and what to do when it did not end complete.
std::string howItEnded(const Run& run);

// A finding as a line to act on, and what to do about it.
std::string findingText(Finding finding);
std::string findingHint(Finding finding);

// The summary of one run. file: the name as given; runsInFile: how many runs
// the file holds when the run is shown as its latest, 0 when every run is shown.
std::string summary(const std::string& file, const Run& run, int runsInFile);

// One JSON object on one line, with its line end.
std::string jsonLine(const std::string& file, const Run& run);
// The JSON object of a file that cannot be read or holds no run.
std::string jsonError(const std::string& file, const std::string& message);

// The byte-order mark and the header row; then one row per run.
std::string csvHeader();
std::string csvRow(const std::string& file, const Run& run);

}  // namespace orvex::reader
