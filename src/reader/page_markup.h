// The page's markup, as functions of what they show: the heading with the
// styles, the overview with its chart, the grid of files by items (its
// heading, blocks and rows) and each file's section. Every text a file or
// its name holds is escaped; nothing is fetched and nothing runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reader/result_file.h"
#include "reader/run_facts.h"

namespace orvex::reader {

// How every page this reader writes begins: a file there that begins
// otherwise is no page of its own, and is never written over.
inline constexpr std::string_view kPageStart = "<!DOCTYPE html>\n";

// text with &, <, >, " and ' as character references and every control
// character shown as "?": safe as an element's text and as a quoted attribute.
std::string htmlText(std::string_view text);

// From the start of the page to the start of its body: the title and the styles.
const std::string& pageHead();
// The heading with the number of files, the totals and the chart of the
// items that most often need action.
std::string pageOverview(const OverviewCounts& counts);

// The grid: its heading, then its rows in blocks of kRowsPerBlock, each
// block laid out only when in sight; id numbers a file's row and section.
inline constexpr int kRowsPerBlock = 100;
std::string gridHead();
std::string gridBlockStart();
std::string gridBlockEnd();
// The files' sections come in blocks of kRowsPerBlock too.
std::string sectionBlockStart();
std::string sectionBlockEnd();
std::string gridRow(int id, const std::string& file, const Run& latest);
std::string gridRowNotRead(int id, const std::string& file, const std::string& message);

// Between the grid and the files' sections, with the list of what to do.
std::string sectionsHead(const std::string& hints);
// A file's latest run: whether to act and on how many lines, how it ended,
// each line to act on with its hint, what changed since the run before.
std::string fileSection(int id, const std::string& file, const Run& latest, const RunFacts& facts, int runs);
// What to do about a kind of line (an item, the text its form gives, the
// hint), once for every file that has it: an entry of the list (in item
// order), and the list.
std::string hintEntry(const LineToAct& line);
std::string hintsList(const std::string& entries);
std::string notReadSection(int id, const std::string& file, const std::string& message);
// The files passed over (not read for what they are), after the sections:
// an entry each, and the list around them (nothing when there is none).
std::string passedOverEntry(const std::string& file, const std::string& reason);
std::string passedOverList(const std::string& entries);
std::string pageEnd();

}  // namespace orvex::reader
