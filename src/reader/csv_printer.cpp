#include "reader/csv_printer.h"

#include <string_view>

#include "reader/printable.h"
#include "reader/run_facts.h"

namespace orvex::reader {

namespace {

// However many files, one byte-order mark and one header row.
class CsvPrinter : public Printer {
public:
    explicit CsvPrinter(const Output& output) : output_(output) { output_.out(csvHeader(), false); }

    void run(const std::string& file, const Run& run, const RunFacts& facts) override {
        output_.out(csvRow(file, run, facts), false);
    }
    void fileDone(const std::string&, const Run&, const RunFacts&, int) override {}
    void fileNotRead(const std::string& file, const std::string& message) override {
        output_.out(csvNotRead(file, message, false), false);
    }
    void filePassedOver(const std::string& file, const std::string& reason) override {
        output_.out(csvNotRead(file, reason, true), false);
    }
    bool finish() override { return true; }

private:
    const Output& output_;
};

// Quoted, and safe for a spreadsheet: a field that begins as a formula would
// gets a leading "'", which spreadsheets show as text.
std::string csvField(const std::string& text) {
    std::string field = "\"";
    if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos) field += '\'';
    for (char c : printable(text)) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

}  // namespace

std::unique_ptr<Printer> makeCsvPrinter(const Output& output, const PrinterSettings&) {
    return std::make_unique<CsvPrinter>(output);
}

std::string csvHeader() {
    std::string row = "\uFEFF" "\"file\",\"run\",\"started\",\"complete\",\"ended\",\"attention\"";
    for (int item = 1; item <= kItemCount; ++item)
        row += ",\"item " + std::to_string(item) + "\",\"verdict " + std::to_string(item) + "\"";
    return row + ",\"later items\",\"error\",\"passed over\"\r\n";
}

std::string csvRow(const std::string& file, const Run& run, const RunFacts& facts) {
    std::string row = csvField(file) + "," + csvField(std::to_string(run.number)) + "," + csvField(run.started) + "," +
                      csvField(facts.end == RunEnd::Complete ? "true" : "false") + "," + csvField(endName(facts.end)) +
                      "," + csvField(facts.attention ? "true" : "false");
    for (const ItemLine& entry : run.items) {
        row += "," + csvField(entry.present ? entry.text : std::string());
        row += "," + csvField(entry.present ? verdictName(entry.judgement.verdict) : "");
    }
    // A later OrvexEnv's items, which have no columns of their own: their lines, one after another.
    std::string later;
    for (const LaterItem& item : run.laterItems) later += (later.empty() ? "" : " / ") + item.text;
    return row + "," + csvField(later) + ",\"\",\"false\"\r\n";
}

std::string csvNotRead(const std::string& file, const std::string& message, bool passedOver) {
    std::string row = csvField(file) + ",\"\",\"\",\"\",\"\"," + csvField(passedOver ? "false" : "true");
    for (int item = 1; item <= kItemCount; ++item) row += ",\"\",\"\"";
    return row + ",\"\"," + csvField(message) + "," + csvField(passedOver ? "true" : "false") + "\r\n";
}

}  // namespace orvex::reader
