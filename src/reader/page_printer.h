// The page (--html FILE): one self-contained HTML file (UTF-8, inline CSS and
// SVG, no script, nothing fetched) for the files read: a bar chart of the
// items that most often need action, a grid of files by items coloured by
// verdict, and each file's latest run with what to do and what changed since
// the run before. It is written beside the form that goes to standard output.
#pragma once

#include <memory>
#include <string>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

// A printer writing the page to path; nullptr, after a message on
// output.err, when path is no regular file (a folder, a FIFO, a device),
// holds a file that is no page (a result file named by mistake), or cannot
// be created. A page that cannot be written to its end makes finish() false
// after a message.
std::unique_ptr<Printer> makePagePrinter(const std::string& path, const Output& output);

}  // namespace orvex::reader
