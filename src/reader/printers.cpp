// The printers of the summary, the overview, JSON Lines and CSV.
#include "reader/printers.h"

#include "reader/outputs.h"

namespace orvex::reader {

namespace {

class SummaryPrinter : public Printer {
public:
    SummaryPrinter(const Output& output, bool allRuns) : output_(output), allRuns_(allRuns) {}

    void run(const std::string& file, const Run& run, const Run* previous) override {
        counts_.addRun(run);
        if (allRuns_) output_.out(summary(file, run, 0, previous), true);
    }
    void fileDone(const std::string& file, const Run* latest, const Run* previous, int runs) override {
        ++files_;
        if (latest == nullptr) return;
        counts_.addLatest(*latest);
        if (!allRuns_) output_.out(summary(file, *latest, runs, previous), true);
    }
    void fileNotRead(const std::string&, const std::string&) override {
        ++files_;
        counts_.addNotRead();
    }
    void finish() override {
        if (files_ > 1) output_.out(overview(counts_), true);
    }

private:
    const Output& output_;
    bool allRuns_;
    int files_ = 0;
    OverviewCounts counts_;
};

class OverviewPrinter : public Printer {
public:
    explicit OverviewPrinter(const Output& output) : output_(output) {}

    void run(const std::string&, const Run& run, const Run*) override { counts_.addRun(run); }
    void fileDone(const std::string&, const Run* latest, const Run*, int) override {
        if (latest != nullptr) counts_.addLatest(*latest);
    }
    void fileNotRead(const std::string&, const std::string&) override { counts_.addNotRead(); }
    void finish() override { output_.out(overview(counts_), true); }

private:
    const Output& output_;
    OverviewCounts counts_;
};

class JsonPrinter : public Printer {
public:
    explicit JsonPrinter(const Output& output) : output_(output) {}

    void run(const std::string& file, const Run& run, const Run* previous) override {
        output_.out(jsonLine(file, run, previous), false);
    }
    void fileDone(const std::string&, const Run*, const Run*, int) override {}
    // A batch import sees every file, the ones not read too.
    void fileNotRead(const std::string& file, const std::string& message) override {
        output_.out(jsonError(file, message), false);
    }
    void finish() override {}

private:
    const Output& output_;
};

class CsvPrinter : public Printer {
public:
    explicit CsvPrinter(const Output& output) : output_(output) { output_.out(csvHeader(), false); }

    void run(const std::string& file, const Run& run, const Run*) override { output_.out(csvRow(file, run), false); }
    void fileDone(const std::string&, const Run*, const Run*, int) override {}
    void fileNotRead(const std::string&, const std::string&) override {}
    void finish() override {}

private:
    const Output& output_;
};

}  // namespace

std::unique_ptr<Printer> makeSummaryPrinter(const Output& output, bool allRuns) {
    return std::make_unique<SummaryPrinter>(output, allRuns);
}
std::unique_ptr<Printer> makeOverviewPrinter(const Output& output) { return std::make_unique<OverviewPrinter>(output); }
std::unique_ptr<Printer> makeJsonPrinter(const Output& output) { return std::make_unique<JsonPrinter>(output); }
std::unique_ptr<Printer> makeCsvPrinter(const Output& output) { return std::make_unique<CsvPrinter>(output); }

}  // namespace orvex::reader
