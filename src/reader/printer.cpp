// What several printers share: changes between runs, the overview's counts.
#include "reader/printer.h"

#include <algorithm>

#include "reader/findings.h"

namespace orvex::reader {

namespace {

std::optional<Verdict> verdictOf(const Run& run, int item) {
    const ItemLine& line = run.items[static_cast<std::size_t>(item - 1)];
    return line.present ? std::optional<Verdict>(line.judgement.verdict) : std::nullopt;
}

class BothPrinters : public Printer {
public:
    BothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second)
        : first_(std::move(first)), second_(std::move(second)) {}

    void run(const std::string& file, const Run& run, const Run* previous) override {
        first_->run(file, run, previous);
        second_->run(file, run, previous);
    }
    void fileDone(const std::string& file, const Run* latest, const Run* previous, int runs) override {
        first_->fileDone(file, latest, previous, runs);
        second_->fileDone(file, latest, previous, runs);
    }
    void fileNotRead(const std::string& file, const std::string& message) override {
        first_->fileNotRead(file, message);
        second_->fileNotRead(file, message);
    }
    void finish() override {
        first_->finish();
        second_->finish();
    }

private:
    std::unique_ptr<Printer> first_, second_;
};

}  // namespace

std::unique_ptr<Printer> bothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second) {
    return std::make_unique<BothPrinters>(std::move(first), std::move(second));
}

std::vector<Change> changes(const Run& before, const Run& after) {
    std::vector<Change> changed;
    for (int item = 1; item <= kItemCount; ++item) {
        const std::optional<Verdict> from = verdictOf(before, item);
        const std::optional<Verdict> to = verdictOf(after, item);
        if (from != to) changed.push_back({item, from, to});
    }
    return changed;
}

const char* changeVerdictName(const std::optional<Verdict>& verdict) {
    return verdict ? verdictName(*verdict) : "missing";
}

void OverviewCounts::addRun(const Run& run) { ++(run.complete() ? runsComplete : runsNotComplete); }

void OverviewCounts::addLatest(const Run& latest) {
    ++filesRead;
    for (int item = 1; item <= kItemCount; ++item)
        if (needsAction(verdictOf(latest, item))) ++itemsNeedingAttention[static_cast<std::size_t>(item - 1)];
    for (Finding finding : findings(latest))
        if (finding == Finding::ExtensionOnNowhere) ++extensionOnNowhere;
}

std::vector<int> OverviewCounts::mostFrequent() const {
    std::vector<int> items;
    for (int item = 1; item <= kItemCount; ++item)
        if (itemsNeedingAttention[static_cast<std::size_t>(item - 1)] > 0) items.push_back(item);
    std::stable_sort(items.begin(), items.end(), [this](int a, int b) {
        return itemsNeedingAttention[static_cast<std::size_t>(a - 1)] >
               itemsNeedingAttention[static_cast<std::size_t>(b - 1)];
    });
    return items;
}

}  // namespace orvex::reader
