// The shape every output form has: the reading loop hands each printer the
// runs of every file as they end, then says when a file is done, when one
// could not be read and when the last is done. Summary, overview, JSON Lines,
// CSV and the page are printers; what is common to several of them (what
// changed between two runs, the overview's counts) is here.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reader/result_file.h"

namespace orvex::reader {

class Printer {
public:
    virtual ~Printer() = default;
    // A run of file as soon as it has ended; previous: the run before it in
    // the same file, nullptr for the file's first.
    virtual void run(const std::string& file, const Run& run, const Run* previous) = 0;
    // The file has been read to its end. latest: its last run (nullptr when
    // it holds none); previous: the run before that one (nullptr when none);
    // runs: how many runs it holds.
    virtual void fileDone(const std::string& file, const Run* latest, const Run* previous, int runs) = 0;
    // A file that cannot be read or holds no run; message: why, for a person.
    virtual void fileNotRead(const std::string& file, const std::string& message) = 0;
    // After the last file.
    virtual void finish() = 0;
};

// One printer that hands everything to first, then to second (the page
// beside what goes to standard output).
std::unique_ptr<Printer> bothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second);

// An item whose verdict differs between two runs of a file; a verdict that
// is empty stands for a line the run does not have.
struct Change {
    int item = 0;
    std::optional<Verdict> from;
    std::optional<Verdict> to;
};

// The items whose verdict differs from before to after, in item order.
std::vector<Change> changes(const Run& before, const Run& after);

// "ok", "action", "unread", "info", or "missing" for a line the run lacks.
const char* changeVerdictName(const std::optional<Verdict>& verdict);

// Where a week of files stands: counts only, however many files are read.
struct OverviewCounts {
    int filesRead = 0;         // files that hold at least one run
    int filesNotRead = 0;      // files that cannot be read or hold no run
    int runsComplete = 0;      // of every run read
    int runsNotComplete = 0;
    int extensionOnNowhere = 0;  // latest runs with the extension on in no browser
    // By item number - 1: in how many files the latest run has the item
    // action or unread.
    std::array<int, kItemCount> itemsNeedingAttention{};

    void addRun(const Run& run);
    void addLatest(const Run& latest);
    void addNotRead() { ++filesNotRead; }
    // Item numbers that need attention in at least one file, most frequent
    // first (lower numbers first among equals).
    std::vector<int> mostFrequent() const;
};

}  // namespace orvex::reader
