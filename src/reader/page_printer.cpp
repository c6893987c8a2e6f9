#include "reader/page_printer.h"

#include <cstring>
#include <map>
#include <vector>

#include "reader/page_markup.h"
#include "reader/page_spool.h"
#include "reader/printable.h"
#include "reader/program_io.h"
#include "reader/run_facts.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

// Each file's grid row and section go to the spool as soon as the file is
// done; the chart, which needs every file's counts, comes first on the page.
class PagePrinter : public Printer {
public:
    PagePrinter(std::string path, const Output& output) : path_(std::move(path)), output_(output) {}

    bool open() {
        std::string message;
        if (spool_.open(path_, message)) return true;
        output_.err("OrvexEnvRead: " + message + "\n");
        return false;
    }

    void run(const std::string&, const Run&, const RunFacts& facts) override { counts_.addRun(facts); }

    void fileDone(const std::string& file, const Run& latest, const RunFacts& facts, int runs) override {
        counts_.addLatest(latest, facts);
        addRow(gridRow(++files_, file, latest));
        for (const LineToAct& line : facts.toAct) noteHint(line);
        addSection(fileSection(files_, file, latest, facts, runs));
    }

    void fileNotRead(const std::string& file, const std::string& message) override {
        counts_.addNotRead();
        addRow(gridRowNotRead(++files_, file, message));
        addSection(notReadSection(files_, file, message));
    }

    // Named in a list of their own after the files' sections.
    void filePassedOver(const std::string& file, const std::string& reason) override {
        counts_.addPassedOver();
        passedOver_ += passedOverEntry(file, reason);
    }

    bool finish() override {
        if (files_ % kRowsPerBlock != 0) {
            spool_.addRow(gridBlockEnd());
            spool_.addSection(sectionBlockEnd());
        }
        std::string hints;
        for (const auto& [kind, entry] : hints_) hints += entry;
        const int error = spool_.assemble(pageHead() + pageOverview(counts_) + gridHead(), sectionsHead(hintsList(hints)),
                                          passedOverList(passedOver_) + pageEnd());
        if (error == 0) return true;
        output_.err("OrvexEnvRead: ページを書き切れませんでした（" + validUtf8(std::strerror(error)) + "）：" +
                    printable(validUtf8(path_)) + "\n");
        return false;
    }

private:
    // The entry of what to do about such a line, made when the first file
    // has one: a line's kind is its item, its hint, and its text where that
    // is its form's own.
    void noteHint(const LineToAct& line) {
        if (line.item == 0) return;
        const std::string key = std::string(verdictName(line.verdict)) + '\n' + line.hint + '\n' +
                                (line.fixed ? line.text : std::string());
        const auto kind = std::pair{line.item, key};
        if (hints_.count(kind) == 0) hints_.emplace(kind, hintEntry(line));
    }

    // A grid row and a section (the files_-th), each in its block.
    void addRow(const std::string& row) {
        if (files_ % kRowsPerBlock == 1) spool_.addRow(gridBlockStart());
        spool_.addRow(row);
        if (files_ % kRowsPerBlock == 0) spool_.addRow(gridBlockEnd());
    }
    void addSection(const std::string& section) {
        if (files_ % kRowsPerBlock == 1) spool_.addSection(sectionBlockStart());
        spool_.addSection(section);
        if (files_ % kRowsPerBlock == 0) spool_.addSection(sectionBlockEnd());
    }

    std::string path_;
    const Output& output_;
    PageSpool spool_;
    OverviewCounts counts_;
    int files_ = 0;  // files done or not read, numbering their row and section
    std::string passedOver_;  // the list's entries
    std::map<std::pair<int, std::string>, std::string> hints_;  // a kind of line to act on, and its entry
};

}  // namespace

std::unique_ptr<Printer> makePagePrinter(const std::string& path, const Output& output) {
    // A file there already is replaced only when it is a page: a result file
    // named by mistake is never emptied.
    const InputFile existing = openForReading(path);
    if (existing.problem != InputFile::Problem::None && !existing.absent) {
        const std::string why = existing.problem == InputFile::Problem::Folder     ? std::string("フォルダーです")
                                : existing.problem == InputFile::Problem::NotAFile ? std::string("ファイルではありません")
                                                                                   : existing.reason;
        output.err("OrvexEnvRead: ページに書けません（" + why + "）：" + printable(validUtf8(path)) + "\n");
        return nullptr;
    }
    if (existing.file) {
        char head[kPageStart.size()] = {};
        const std::size_t read = std::fread(head, 1, sizeof head, existing.file.get());
        if (read != 0 && std::string_view(head, read) != kPageStart) {
            output.err("OrvexEnvRead: ページではないファイルがあるので書きません。別の名前を指定してください：" +
                       printable(validUtf8(path)) + "\n");
            return nullptr;
        }
    }
    auto printer = std::make_unique<PagePrinter>(path, output);
    return printer->open() ? std::move(printer) : nullptr;
}

}  // namespace orvex::reader
