// The page, written as files are done: each file's grid row and section go
// to their own file beside the page at once, so that memory holds one file's
// runs whatever the number of files; the page is put together at the end.
#include "reader/html_printer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "reader/findings.h"
#include "reader/outputs.h"
#include "reader/program_io.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

std::string number(int n) { return std::to_string(n); }

// The words the summary uses for each verdict; missing: a line the run lacks.
const char* verdictWords(const std::string_view name) {
    if (name == "ok") return "問題なし";
    if (name == "action") return "要対応";
    if (name == "unread") return "読めず";
    if (name == "info") return "参考";
    return "記録なし";
}

const char kDoctype[] = "<!DOCTYPE html>\n";

const char kHead[] =
    "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width\">\n<title>OrvexEnv 結果ファイルの一覧</title>\n"
    "<style>\n"
    "body{font-family:sans-serif;margin:1em 2em;color:#222;line-height:1.45}\n"
    "h1{font-size:1.4em;margin:.2em 0}h2{font-size:1.15em;border-bottom:2px solid #888;margin-top:1.6em}\n"
    "h3{font-size:1em;margin:0 0 .3em;word-break:break-all}\n"
    ".chart{border-collapse:collapse}.chart th,.chart td{padding:1px 8px 1px 0;text-align:left;font-weight:normal}\n"
    ".chart .count{text-align:right;font-weight:bold}.chart svg{display:block;width:320px;height:14px}\n"
    ".chart rect{fill:#c9302c}.chart rect.all{fill:#eee}\n"
    ".key{display:inline-block;width:1.1em;height:1.1em;vertical-align:middle;margin:0 .3em 0 1em;"
    "border:1px solid #999}\n"
    ".ok{background:#8fd18f}.action{background:#e8553f}.unread{background:#f4b841}.info{background:#a9cbee}"
    ".missing{background:#d4d4d4}\n"
    ".scroll{overflow:auto;max-height:80vh;border:1px solid #ccc}\n"
    // The grid is a heading table and one table for each block of rows; a
    // block out of sight is not laid out until it is scrolled to, which is
    // what lets a page of 10,000 files open in seconds. Fixed column widths
    // keep the blocks' columns under the heading's.
    ".grid{border-collapse:collapse;font-size:10px;table-layout:fixed;width:calc(24em + 41 * 18px)}\n"
    ".grid tr>*{width:18px;border:1px solid #fff}.grid tr>:first-child{width:24em}\n"
    ".grid.head{position:sticky;top:0;z-index:1;background:#fff}\n"
    ".grid thead th{padding:1px 0;font-weight:normal}\n"
    ".rows{content-visibility:auto;contain-intrinsic-size:auto 1800px}.rows thead{display:none}\n"
    ".grid tbody th{text-align:left;font-weight:normal;overflow:hidden;text-overflow:ellipsis;"
    "white-space:nowrap;padding:0 6px 0 2px}\n"
    ".grid td{height:16px;padding:0;text-align:center;font-weight:bold}\n"
    ".grid td.action::after{content:\"!\"}.grid td.unread::after{content:\"?\"}"
    ".grid td.missing::after{content:\"-\"}\n"
    ".grid td.why{background:#f7f7f7;text-align:left;font-weight:normal;padding:0 4px}\n"
    // A section out of sight is not laid out until it is scrolled to (a
    // page of many files opens sooner; printing and finding lay out all).
    "section.file{border-left:4px solid #8fd18f;padding:.2em .8em;margin:1em 0;content-visibility:auto;"
    "contain-intrinsic-size:auto 12em}\n"
    "section.file.attention{border-left-color:#e8553f}section.file.notread{border-left-color:#f4b841}\n"
    "section.file p,section.file ul{margin:.2em 0}section.file li{margin:.15em 0}\n"
    ".tag{display:inline-block;padding:0 .4em;border-radius:3px;font-size:.9em;margin-right:.3em}\n"
    ".status{font-weight:bold}.run{display:inline-block;padding:0 .4em;border:1px solid #888;border-radius:3px;"
    "font-size:.9em;margin-right:.3em;color:#444;background:#fff}.run.incomplete{border-color:#c9302c;color:#c9302c}\n"
    ".hint{display:block;color:#444}.line{word-break:break-all}.meta{color:#555}\n"
    "@media print{body{margin:0;font-size:9pt}.scroll{overflow:visible;max-height:none;border:0}"
    ".grid.head{display:none}.rows thead{display:table-header-group}"
    ".grid{width:100%}.grid tr>*{width:auto}.grid tr>:first-child{width:9em}"
    "section.file,.chart tr,.grid tr{break-inside:avoid}a{color:inherit;text-decoration:none}"
    "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}\n"
    "</style>\n</head>\n<body>\n";

// A file's name as its grid row shows it: the last folder and the file's
// name after "…" when there are more (the whole name is the row's tooltip).
std::string rowName(const std::string& file) {
    const std::size_t last = file.find_last_of("/\\");
    if (last == std::string::npos || last == 0) return file;
    const std::size_t folder = file.find_last_of("/\\", last - 1);
    return folder == std::string::npos || folder == 0 ? file : "…" + file.substr(folder);
}

// A tag with the verdict's colour and words.
std::string verdictTag(const std::string_view name) {
    return "<span class=\"tag " + std::string(name) + "\">" + verdictWords(name) + "</span>";
}

class HtmlPrinter : public Printer {
public:
    HtmlPrinter(std::string path, OwnedFile page, const Output& output)
        : path_(std::move(path)), page_(std::move(page)), output_(output) {}

    ~HtmlPrinter() override {
        for (Part* part : {&grid_, &files_})
            if (part->file) {
                part->file = OwnedFile();
                removeFile(part->path);
            }
    }

    // Opens the two files beside the page; false after a message when one cannot be.
    bool openParts() {
        for (auto [part, suffix] : {std::pair{&grid_, ".grid.tmp"}, std::pair{&files_, ".files.tmp"}}) {
            part->path = path_ + suffix;
            std::string reason;
            part->file = openForWriting(part->path, reason);
            if (!part->file) {
                output_.err("OrvexEnvRead: ページの一時ファイルを作れません（" + reason + "）：" +
                            printable(validUtf8(part->path)) + "\n");
                return false;
            }
        }
        return true;
    }

    void run(const std::string&, const Run& run, const Run*) override { counts_.addRun(run); }

    void fileDone(const std::string& file, const Run* latest, const Run* previous, int runs) override {
        if (latest == nullptr) {
            fileNotRead(file, "実行の記録がありません。");
            return;
        }
        counts_.addLatest(*latest);
        const std::string id = number(++seen_);
        const std::string name = htmlText(file);

        std::string row = "<tr id=\"g" + id + "\"><th><a href=\"#f" + id + "\" title=\"" + name + "\">" +
                          htmlText(rowName(file)) + "</a></th>";
        for (int item = 1; item <= kItemCount; ++item) {
            const ItemLine& entry = latest->items[static_cast<std::size_t>(item - 1)];
            // Kept light for a page of many files: no end tags (HTML allows
            // it), and an ok cell without its line, which is the item's
            // expected text (the column's heading names the item).
            if (entry.present && entry.judgement.verdict == Verdict::Ok)
                row += "<td class=ok>";
            else if (entry.present)
                row += std::string("<td class=") + verdictName(entry.judgement.verdict) + " title=\"" +
                       htmlText(entry.text) + "\">";
            else
                row += "<td class=missing title=\"" + number(item) + "：記録なし\">";
        }
        writeRow(row + "\n");
        write(files_, section(id, name, *latest, previous, runs));
    }

    void fileNotRead(const std::string& file, const std::string& message) override {
        counts_.addNotRead();
        const std::string id = number(++seen_);
        const std::string name = htmlText(file);
        writeRow("<tr id=\"g" + id + "\" class=notread><th><a href=\"#f" + id + "\" title=\"" + name + "\">" +
                         htmlText(rowName(file)) + "</a></th><td class=why colspan=" + number(kItemCount) + ">読めません：" +
                         htmlText(message) + "\n");
        write(files_, "<section class=\"file notread\" id=\"f" + id + "\">\n<h3>" + name +
                          "</h3>\n<p>" + verdictTag("unread") + htmlText(message) + "</p>\n</section>\n");
    }

    void finish() override {
        write(page_, kHead);
        write(page_, overview());
        if (seen_ % kRowsPerBlock != 0) write(grid_, kBlockEnd);
        write(page_, gridHead());
        copyPart(grid_);
        write(page_, "</div>\n</section>\n<section>\n<h2>ファイルごとの最新の実行</h2>\n");
        copyPart(files_);
        write(page_, "</section>\n</body>\n</html>\n");
        const int closed = page_.close();
        if (error_ == 0) error_ = closed;
        if (error_ != 0)
            output_.err("OrvexEnvRead: ページを書き切れませんでした（" + validUtf8(std::strerror(error_)) + "）：" +
                        printable(validUtf8(path_)) + "\n");
    }

private:
    struct Part {
        std::string path;
        OwnedFile file;
    };

    void write(const OwnedFile& file, const std::string& text) {
        if (file && error_ == 0 && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
            error_ = errno != 0 ? errno : EIO;
    }
    void write(Part& part, const std::string& text) { write(part.file, text); }

    // A grid row (the seen_-th), in a block of kRowsPerBlock rows.
    static constexpr int kRowsPerBlock = 100;
    static constexpr const char* kBlockEnd = "</tbody></table></div>\n";
    void writeRow(const std::string& row) {
        if (seen_ % kRowsPerBlock == 1) write(grid_, "<div class=rows><table class=grid>" + headRow() + "<tbody>\n");
        write(grid_, row);
        if (seen_ % kRowsPerBlock == 0) write(grid_, kBlockEnd);
    }

    // The part's bytes onto the page; the part is removed.
    void copyPart(Part& part) {
        const int closed = part.file.close();
        if (error_ == 0) error_ = closed;
        const InputFile input = openForReading(part.path);
        if (!input.file) {
            if (error_ == 0) error_ = EIO;
        } else {
            static std::vector<char> buffer(std::size_t{256} * 1024);
            std::size_t read = 0;
            while ((read = std::fread(buffer.data(), 1, buffer.size(), input.file.get())) > 0)
                write(page_, std::string(buffer.data(), read));
            if (std::ferror(input.file.get()) != 0 && error_ == 0) error_ = EIO;
        }
        removeFile(part.path);
    }

    // The heading and the chart of the items that most often need action.
    std::string overview() const {
        const int files = counts_.filesRead + counts_.filesNotRead;
        std::string text = "<h1>OrvexEnv 結果ファイル " + number(files) + " 件</h1>\n<section id=\"overview\">\n"
                           "<h2>概要</h2>\n<p class=totals>読めたファイル <b class=files-read>" +
                           number(counts_.filesRead) + "</b> 件、読めないファイル <b class=files-not-read>" +
                           number(counts_.filesNotRead) + "</b> 件。実行は最後まで " + number(counts_.runsComplete) +
                           " 回、途中まで " + number(counts_.runsNotComplete) + " 回。";
        if (counts_.extensionOnNowhere > 0)
            text += "拡張機能がどのブラウザでも有効でないファイル " + number(counts_.extensionOnNowhere) + " 件。";
        text += "</p>\n";
        const std::vector<int> items = counts_.mostFrequent();
        if (items.empty()) return text + "<p>要対応の項目はありません。</p>\n</section>\n";
        text += "<p>最新の実行で要対応か読めずの項目と、そのファイルの数（" + number(counts_.filesRead) +
                " 件のうち）：</p>\n<table class=chart>\n";
        for (int item : items) {
            const int count = counts_.itemsNeedingAttention[static_cast<std::size_t>(item - 1)];
            const int permille = counts_.filesRead > 0 ? count * 1000 / counts_.filesRead : 0;
            text += "<tr data-item=\"" + number(item) + "\"><th>" + number(item) + "</th><td>" +
                    htmlText(itemLabel(item)) + "</td><td class=count>" + number(count) +
                    "</td><td><svg viewBox=\"0 0 1000 10\" preserveAspectRatio=\"none\" role=\"img\">"
                    "<rect class=all width=\"1000\" height=\"10\"/><rect width=\"" +
                    number(permille) + "\" height=\"10\"/></svg></td></tr>\n";
        }
        return text + "</table>\n</section>\n";
    }

    static std::string gridHead() {
        std::string text = "<section>\n<h2>ファイル × 項目（最新の実行）</h2>\n<p class=legend>";
        for (const char* name : {"ok", "action", "unread", "info", "missing"})
            text += std::string("<span class=\"key ") + name + "\"></span>" + verdictWords(name);
        return text + "　（問題なしでない升目に重ねるとその行が、番号に重ねると項目の名前が出ます）</p>\n<div class=scroll>\n"
                      "<table class=\"grid head\">" + headRow() + "</table>\n";
    }

    // The grid's heading row: on screen once, above the blocks; in print at
    // the top of each block and of each printed page.
    static const std::string& headRow() {
        static const std::string row = [] {
            std::string text = "<thead><tr><th>ファイル</th>";
            for (int item = 1; item <= kItemCount; ++item)
                text += "<th title=\"" + number(item) + " " + htmlText(itemLabel(item)) + "\">" + number(item) + "</th>";
            return text + "</tr></thead>";
        }();
        return row;
    }

    // A file's latest run: how it ended, each line to act on with its hint,
    // what changed since the run before.
    static std::string section(const std::string& id, const std::string& name, const Run& latest,
                               const Run* previous, int runs) {
        std::string todo;
        int lines = 0;
        for (int item = 1; item <= kItemCount; ++item) {
            const ItemLine& entry = latest.items[static_cast<std::size_t>(item - 1)];
            if (!entry.present) continue;
            const Verdict verdict = entry.judgement.verdict;
            if (!needsAction(verdict)) continue;
            todo += "<li>" + verdictTag(verdictName(verdict)) + "<span class=line>" +
                    htmlText(entry.text) + "</span><span class=hint>→ " +
                    htmlText(hint(item, entry.judgement)) + "</span></li>\n";
            ++lines;
        }
        for (Finding finding : findings(latest)) {
            todo += "<li>" + verdictTag("action") + htmlText(findingText(finding)) + "<span class=hint>→ " +
                    htmlText(findingHint(finding)) + "</span></li>\n";
            ++lines;
        }

        // First what the desk must know: whether to act, and on how many lines.
        const bool attention = needsAttention(latest);
        std::string text = std::string("<section class=\"file") + (attention ? " attention" : "") + "\" id=\"f" +
                           id + "\">\n<h3>" + name + "</h3>\n<p class=status>";
        if (attention)
            text += verdictTag("action") + "対応する行 " + number(lines) + " 行" +
                    (latest.complete() ? "" : "、実行が最後まで終わっていません");
        else
            text += verdictTag("ok") + "対応する行はありません";
        text += "</p>\n<p class=meta>";
        if (runs > 1) text += number(runs) + " 回分の実行のうち最新（" + number(latest.number) + " 回目）、";
        // How the run ended has its own words and look, never a verdict's.
        text += "実行開始：" + (latest.started.empty() ? std::string("（時刻が読めません）") : htmlText(latest.started)) +
                "</p>\n<p class=end>" +
                (latest.complete() ? "<span class=\"run complete\">実行完了</span>"
                                   : "<span class=\"run incomplete\">実行未完了</span>") +
                htmlText(howItEnded(latest)) + "</p>\n";
        for (const std::string& failure : latest.failures)
            text += "<p>記録された失敗：<span class=line>" + htmlText(failure) + "</span></p>\n";
        text += todo.empty() ? std::string("<p>要対応の行はありません。</p>\n") : "<ul class=todo>\n" + todo + "</ul>\n";

        if (previous != nullptr) {
            const std::vector<Change> changed = changes(*previous, latest);
            text += "<p>前回（" + number(previous->number) + " 回目、" +
                    (previous->started.empty() ? std::string("時刻が読めません") : htmlText(previous->started)) +
                    "）から" + (changed.empty() ? "変わった項目はありません。</p>\n" : "変わった項目：</p>\n<ul class=changes>\n");
            for (const Change& change : changed)
                text += "<li>" + number(change.item) + " " + htmlText(itemLabel(change.item)) + "：" +
                        verdictTag(changeVerdictName(change.from)) + "→ " + verdictTag(changeVerdictName(change.to)) +
                        "</li>\n";
            if (!changed.empty()) text += "</ul>\n";
        }
        return text + "</section>\n";
    }

    std::string path_;
    OwnedFile page_;
    Output output_;
    Part grid_;
    Part files_;
    OverviewCounts counts_;
    int seen_ = 0;  // files done or not read, numbering their row and section
    int error_ = 0;  // the first failure to write, as errno
};

}  // namespace

std::string htmlText(std::string_view text) {
    std::string escaped;
    const std::string shown = printable(text);
    escaped.reserve(shown.size());
    for (char c : shown) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::unique_ptr<Printer> makeHtmlPrinter(const std::string& path, const Output& output) {
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
        char head[sizeof kDoctype - 1] = {};
        const std::size_t read = std::fread(head, 1, sizeof head, existing.file.get());
        if (read != 0 && std::string_view(head, read) != std::string_view(kDoctype, sizeof kDoctype - 1)) {
            output.err("OrvexEnvRead: ページではないファイルがあるので書きません。別の名前を指定してください：" +
                       printable(validUtf8(path)) + "\n");
            return nullptr;
        }
    }
    std::string reason;
    OwnedFile page = openForWriting(path, reason);
    if (!page) {
        output.err("OrvexEnvRead: ページを作れません（" + reason + "）：" + printable(validUtf8(path)) + "\n");
        return nullptr;
    }
    auto printer = std::make_unique<HtmlPrinter>(path, std::move(page), output);
    if (!printer->openParts()) {
        printer.reset();
        removeFile(path);
        return nullptr;
    }
    return printer;
}

}  // namespace orvex::reader
