// What the reader writes, all of it UTF-8: a summary a person reads at a
// glance, JSON Lines for a ticket system, CSV for a spreadsheet.
#pragma once

#include <string>
#include <string_view>

#include "reader/findings.h"
#include "reader/result_file.h"

namespace orvex::reader {

// UTF-8 text with every control character (C0, DEL, C1) shown as "?": what
// a file holds never reaches a terminal or a spreadsheet as a command.
std::string printable(std::string_view text);

// How a run ended, and what to do when it did not end complete.
std::string howItEnded(const Run& run);

// A finding as a line to act on, and what to do about it.
std::string findingText(Finding finding);
std::string findingHint(Finding finding);

// The summary of one run. file: the name as given; runsInFile: how many runs
// the file holds when the run is shown as its latest, 0 when every run is shown;
// previous: the run before it in the file, whose items it is compared with
// (what was fixed since, what newly needs action), or nullptr.
std::string summary(const std::string& file, const Run& run, int runsInFile, const Run* previous = nullptr);

// One JSON object on one line, with its line end; with previous (the run
// before it in the file) its "changed" lists the items whose verdict differs,
// without it "changed" is null.
std::string jsonLine(const std::string& file, const Run& run, const Run* previous = nullptr);

// Where a week of files stands, for a person.
struct OverviewCounts;
std::string overview(const OverviewCounts& counts);
// The JSON object of a file that cannot be read or holds no run: a run's keys,
// null or empty, with the message in "error".
std::string jsonError(const std::string& file, const std::string& message);

// The byte-order mark and the header row; then one row per run.
std::string csvHeader();
std::string csvRow(const std::string& file, const Run& run);

}  // namespace orvex::reader
