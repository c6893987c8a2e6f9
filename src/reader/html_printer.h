// The page: one self-contained HTML file (UTF-8, inline CSS and SVG, no
// script, nothing fetched) for the files read: a bar chart of the items that
// most often need action, a grid of files by items coloured by verdict, and
// each file's latest run with what to do and what changed since the run
// before.
#pragma once

#include <memory>
#include <string>

#include "reader/command.h"
#include "reader/printer.h"

namespace orvex::reader {

// A printer writing the page to path. The grid's rows and the files' sections
// wait in two files beside it (path + ".grid.tmp", path + ".files.tmp") until
// finish() puts the chart, which needs every file's counts, before them.
// nullptr, after a message on output.err, when the page cannot be created; a
// page that cannot be written to its end is reported on output.err too.
std::unique_ptr<Printer> makeHtmlPrinter(const std::string& path, const Output& output);

// text with &, <, >, " and ' as character references and every control
// character shown as "?": safe as an element's text and as a quoted attribute.
std::string htmlText(std::string_view text);

}  // namespace orvex::reader
