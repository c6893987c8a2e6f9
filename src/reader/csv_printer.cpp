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

    void run(const std::string& file, const Run& run, const Run*) override { output_.out(csvRow(file, run), false); }
    void fileDone(const std::string&, const Run&, const Run*, int) override {}
    void fileNotRead(const std::string&, const std::string&) override {}
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
    return row + "\r\n";
}

std::string csvRow(const std::string& file, const Run& run) {
    std::string row = csvField(file) + "," + csvField(std::to_string(run.number)) + "," + csvField(run.started) + "," +
                      csvField(run.complete() ? "true" : "false") + "," + csvField(endName(run.end())) + "," +
                      csvField(needsAttention(run) ? "true" : "false");
    for (const ItemLine& entry : run.items) {
        row += "," + csvField(entry.present ? entry.text : std::string());
        row += "," + csvField(entry.present ? verdictName(entry.judgement.verdict) : "");
    }
    return row + "\r\n";
}

}  // namespace orvex::reader
