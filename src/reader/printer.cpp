#include "reader/printer.h"

namespace orvex::reader {

namespace {

class BothPrinters : public Printer {
public:
    BothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second)
        : first_(std::move(first)), second_(std::move(second)) {}

    void run(const std::string& file, const Run& run, const RunFacts& facts) override {
        first_->run(file, run, facts);
        second_->run(file, run, facts);
    }
    void fileDone(const std::string& file, const Run& latest, const RunFacts& facts, int runs) override {
        first_->fileDone(file, latest, facts, runs);
        second_->fileDone(file, latest, facts, runs);
    }
    void fileNotRead(const std::string& file, const std::string& message) override {
        first_->fileNotRead(file, message);
        second_->fileNotRead(file, message);
    }
    void filePassedOver(const std::string& file, const std::string& reason) override {
        first_->filePassedOver(file, reason);
        second_->filePassedOver(file, reason);
    }
    bool finish() override {
        const bool first = first_->finish();
        return second_->finish() && first;
    }

private:
    std::unique_ptr<Printer> first_, second_;
};

}  // namespace

std::unique_ptr<Printer> bothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second) {
    return std::make_unique<BothPrinters>(std::move(first), std::move(second));
}

}  // namespace orvex::reader
