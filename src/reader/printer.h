// The shape of every output form. The reading loop hands each printer the
// runs of every file as they end, then says when a file is done, when one
// could not be read and when the last is done. Each form is a printer in a
// file of its own:
//   summary_printer   for a person: each file's latest run (every run with
//                     --all), what to do and what changed, then the overview
//   overview_printer  for a person: where the files stand, counts only
//   json_printer      JSON Lines, one record per run or file not read
//   csv_printer       CSV for a spreadsheet, one row per run
//   page_printer      a self-contained HTML page, beside one of the above
// What several forms share lies in run_facts.h.
#pragma once

#include <memory>
#include <string>

#include "reader/result_file.h"
#include "reader/run_facts.h"

namespace orvex::reader {

class Printer {
public:
    virtual ~Printer() = default;
    // A run of file as soon as it has ended, with its facts (compared with
    // the run before it in the same file, if any).
    virtual void run(const std::string& file, const Run& run, const RunFacts& facts) = 0;
    // The file has been read to its end. latest: its last run, with its
    // facts; runs: how many runs it holds.
    virtual void fileDone(const std::string& file, const Run& latest, const RunFacts& facts, int runs) = 0;
    // A file that cannot be read or holds no run; message: why, for a person.
    virtual void fileNotRead(const std::string& file, const std::string& message) = 0;
    // A file in a folder that is not read for what it is (a name not ending
    // in .txt, no regular file, this reader's own output); reason: why, for
    // a person. Nothing is wrong with it: it is only named, never lost.
    virtual void filePassedOver(const std::string& file, const std::string& reason) = 0;
    // After the last file; false when the printer could not write everything
    // (a message said why).
    virtual bool finish() = 0;
};

// What the command line asks of the forms beyond which one.
struct PrinterSettings {
    bool allRuns = false;  // --all: the summary of every run, not only each file's latest
};

// One printer that hands everything to first, then to second (the page
// beside what goes to standard output).
std::unique_ptr<Printer> bothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second);

}  // namespace orvex::reader
