// What a run tells the desk, the same in every output form: how it ended,
// what no single item shows (findings), whether someone has to act and on
// which lines, what changed since the run before, the words for each
// verdict, and where a week of files stands (the overview's counts). The
// forms only lay these out. What to do is said to the desk, or to the person
// at the PC (Audience, verdicts.h) where the file is read beside the tool.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "reader/result_file.h"

namespace orvex::reader {

// ---- How a run ended ---------------------------------------------------------

// How it ended, and what to do when it did not end complete.
std::string howItEnded(const Run& run, Audience audience = Audience::Desk);
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
    bool fixed = false;  // the text is its form's own, alike in every file (fixedText)
};
// The item lines in item order, then the findings.
std::vector<LineToAct> linesToAct(const Run& run, Audience audience = Audience::Desk);

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

// ---- A run's facts, computed once when it is read -------------------------------

// Everything the forms say of a run beyond its lines: each form lays these
// out and decides nothing of its own.
struct RunFacts {
    RunEnd end = RunEnd::Cut;
    std::string howItEnded;  // how it ended, and what to do when not complete
    std::vector<Finding> findings;
    bool attention = false;  // needsAttention
    std::vector<LineToAct> toAct;
    // How many item lines have each verdict (later items: unknown), and how
    // many of the items this reader knows the run lacks.
    int ok = 0, action = 0, unread = 0, info = 0, unknown = 0, missing = 0;
    std::vector<int> laterItems;  // the numbers of the later OrvexEnv's items, in order

    // The run before it in the file, when there is one: its number and
    // start, every item whose verdict differs, those fixed since (action or
    // unread to ok) and those that newly need attention.
    bool hasPrevious = false;
    int previousNumber = 0;
    std::string previousStarted;
    std::vector<Change> changes;
    std::vector<int> fixed, worse;
};

// previous: the run before it in the same file, or nullptr; audience: whom
// what to do addresses.
RunFacts factsOf(const Run& run, const Run* previous, Audience audience = Audience::Desk);

// ---- Where a week of files stands ----------------------------------------------

// Counts only, however many files are read.
struct OverviewCounts {
    int filesRead = 0;         // files that hold at least one run
    int filesNotRead = 0;      // files that cannot be read or hold no run
    int filesPassedOver = 0;   // files in a folder that were not read for what they are (not .txt, no file)
    int runsComplete = 0;      // of every run read
    int runsNotComplete = 0;
    int extensionOnNowhere = 0;  // latest runs with the extension on in no browser
    // By item number - 1: in how many files the latest run has the item
    // action or unread.
    std::array<int, kItemCount> itemsNeedingAttention{};

    void addRun(const RunFacts& facts);
    void addLatest(const Run& latest, const RunFacts& facts);
    void addNotRead() { ++filesNotRead; }
    void addPassedOver() { ++filesPassedOver; }
    // Item numbers that need attention in at least one file, most frequent
    // first (lower numbers first among equals).
    std::vector<int> mostFrequent() const;
};

}  // namespace orvex::reader
