// What a run tells the desk, the same in every output form: how it ended,
// what no single item shows (findings), whether someone has to act and on
// which lines, what changed since the run before, the words for each
// verdict, and where a week of files stands (the overview's counts). The
// forms only lay these out.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "reader/result_file.h"

namespace orvex::reader {

// ---- How a run ended ---------------------------------------------------------

// What to tell the desk, and what to do when it did not end complete.
std::string howItEnded(const Run& run);
// "complete", "failure", "interrupted", "cut", "items-missing".
const char* endName(RunEnd end);

// ---- What no single item shows ------------------------------------------------

enum class Finding {
    ExtensionOnNowhere,  // every state line is there and none says on: no browser can file
};

// The numbers of the extension's state lines: Chrome's two documents, then Edge's.
std::array<int, 4> extensionStateItems();
std::vector<Finding> findings(const Run& run);
// "extension-on-nowhere".
const char* findingName(Finding finding);

// ---- Whether someone has to act, and on what ----------------------------------

// An item needs action or could not be read, a finding is present, or the
// run did not end complete.
bool needsAttention(const Run& run);

// A line the desk acts on: an item line judged action or unread, or a
// finding (item 0, verdict action); hint: what to do.
struct LineToAct {
    int item = 0;
    Verdict verdict = Verdict::Action;
    std::string text;  // the line as the file holds it, or the finding in words
    std::string hint;
};
// The item lines in item order, then the findings.
std::vector<LineToAct> linesToAct(const Run& run);

// The words for a verdict: "問題なし", "要対応", "読めず", "参考", "不明"
// (an item of a later OrvexEnv); "記録なし" for a line the run lacks.
const char* verdictWords(const std::optional<Verdict>& verdict);

// Item numbers as a person reads them: 8, 9, 10, 12 as "8～10、12".
std::string itemList(const std::vector<int>& items);

// ---- What changed since the run before -----------------------------------------

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

// ---- Where a week of files stands ----------------------------------------------

// Counts only, however many files are read.
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
