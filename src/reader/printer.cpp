#include "reader/printer.h"

namespace orvex::reader {

namespace {

class BothPrinters : public Printer {
public:
    BothPrinters(std::unique_ptr<Printer> first, std::unique_ptr<Printer> second)
        : first_(std::move(first)), second_(std::move(second)) {}

    void run(const std::string& file, const Run& run, const Run* previous) override {
        first_->run(file, run, previous);
        second_->run(file, run, previous);
    }
    void fileDone(const std::string& file, const Run& latest, const Run* previous, int runs) override {
        first_->fileDone(file, latest, previous, runs);
        second_->fileDone(file, latest, previous, runs);
    }
    void fileNotRead(const std::string& file, const std::string& message) override {
        first_->fileNotRead(file, message);
        second_->fileNotRead(file, message);
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
