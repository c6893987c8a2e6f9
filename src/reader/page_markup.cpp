#include "reader/page_markup.h"

#include "reader/printable.h"

namespace orvex::reader {

namespace {

using std::to_string;

// A tag with the verdict's colour and words.
std::string verdictTag(const std::optional<Verdict>& verdict) {
    return "<span class=\"tag " + std::string(changeVerdictName(verdict)) + "\">" + verdictWords(verdict) + "</span>";
}

// A file's name as its grid row shows it: the last folder and the file's
// name after "…" when there are more (the whole name is the row's tooltip).
std::string rowName(const std::string& file) {
    const std::size_t last = file.find_last_of("/\\");
    if (last == std::string::npos || last == 0) return file;
    const std::size_t folder = file.find_last_of("/\\", last - 1);
    return folder == std::string::npos || folder == 0 ? file : "…" + file.substr(folder);
}

// The start of a grid row: the file's name, linked to its section.
std::string rowStart(int id, const std::string& file, const char* rowClass) {
    return "<tr id=\"g" + to_string(id) + "\"" + rowClass + "><th><a href=\"#f" + to_string(id) + "\" title=\"" +
           htmlText(file) + "\">" + htmlText(rowName(file)) + "</a></th>";
}

// The grid's heading row: on screen once, above the blocks; in print at
// the top of each block and of each printed page.
const std::string& headRow() {
    static const std::string row = [] {
        std::string text = "<thead><tr><th>ファイル</th>";
        for (int item = 1; item <= kItemCount; ++item)
            text += "<th title=\"" + to_string(item) + " " + htmlText(itemLabel(item)) + "\">" + to_string(item) +
                    "</th>";
        return text + "</tr></thead>";
    }();
    return row;
}

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

const std::string& pageHead() {
    static const std::string head = std::string(kPageStart) +    "<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
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
        // One column of 18px for each item.
        ".grid{border-collapse:collapse;font-size:10px;table-layout:fixed;width:calc(24em + " +
        to_string(kItemCount) + " * 18px)}\n"
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
    // A block of sections out of sight is not laid out until it is
    // scrolled to (a page of many files opens sooner; printing and finding
    // lay out all).
    ".files{content-visibility:auto;contain-intrinsic-size:auto 9000px}\n"
    "section.file{border-left:4px solid #8fd18f;padding:.2em .8em;margin:1em 0}\n"
    "section.file.attention{border-left-color:#e8553f}section.file.notread{border-left-color:#f4b841}\n"
    "section.file p,section.file ul{margin:.2em 0}section.file li{margin:.15em 0}\n"
    "ul.hints li{margin:.4em 0}\n"
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
    return head;
}

std::string pageOverview(const OverviewCounts& counts) {
    std::string text = "<h1>OrvexEnv 結果ファイル " + to_string(counts.filesRead + counts.filesNotRead) +
                       " 件</h1>\n<section id=\"overview\">\n<h2>概要</h2>\n<p class=totals>読めたファイル <b class=files-read>" +
                       to_string(counts.filesRead) + "</b> 件、読めないファイル <b class=files-not-read>" +
                       to_string(counts.filesNotRead) + "</b> 件。実行は最後まで " + to_string(counts.runsComplete) +
                       " 回、途中まで " + to_string(counts.runsNotComplete) + " 回。";
    if (counts.extensionOnNowhere > 0)
        text += "拡張機能がどのブラウザでも有効でないファイル " + to_string(counts.extensionOnNowhere) + " 件。";
    text += "</p>\n";
    const std::vector<int> items = counts.mostFrequent();
    if (items.empty()) return text + "<p>要対応の項目はありません。</p>\n</section>\n";
    text += "<p>最新の実行で要対応か読めずの項目と、そのファイルの数（" + to_string(counts.filesRead) +
            " 件のうち）：</p>\n<table class=chart>\n";
    for (int item : items) {
        const int count = counts.itemsNeedingAttention[static_cast<std::size_t>(item - 1)];
        const int permille = counts.filesRead > 0 ? count * 1000 / counts.filesRead : 0;
        text += "<tr data-item=\"" + to_string(item) + "\"><th>" + to_string(item) + "</th><td>" +
                htmlText(itemLabel(item)) + "</td><td class=count>" + to_string(count) +
                "</td><td><svg viewBox=\"0 0 1000 10\" preserveAspectRatio=\"none\" role=\"img\">"
                "<rect class=all width=\"1000\" height=\"10\"/><rect width=\"" +
                to_string(permille) + "\" height=\"10\"/></svg></td></tr>\n";
    }
    return text + "</table>\n</section>\n";
}

std::string gridHead() {
    std::string text = "<section>\n<h2>ファイル × 項目（最新の実行）</h2>\n<p class=legend>";
    for (const std::optional<Verdict> verdict :
         {std::optional(Verdict::Ok), std::optional(Verdict::Action), std::optional(Verdict::Unread),
          std::optional(Verdict::Info), std::optional<Verdict>()})
        text += "<span class=\"key " + std::string(changeVerdictName(verdict)) + "\"></span>" + verdictWords(verdict);
    return text + "　（問題なしでない升目に重ねるとその行が、番号に重ねると項目の名前が出ます）</p>\n<div class=scroll>\n"
                  "<table class=\"grid head\">" + headRow() + "</table>\n";
}

std::string gridBlockStart() { return "<div class=rows><table class=grid>" + headRow() + "<tbody>\n"; }

std::string gridBlockEnd() { return "</tbody></table></div>\n"; }

std::string sectionBlockStart() { return "<div class=files>\n"; }

std::string sectionBlockEnd() { return "</div>\n"; }

std::string gridRow(int id, const std::string& file, const Run& latest) {
    std::string row = rowStart(id, file, "");
    for (int item = 1; item <= kItemCount; ++item) {
        const ItemLine& entry = latest.items[static_cast<std::size_t>(item - 1)];
        // Items next to each other that are ok (or each info) share one cell.
        const auto plain = [&latest](int n, Verdict verdict) {
            const ItemLine& line = latest.items[static_cast<std::size_t>(n - 1)];
            return n <= kItemCount && line.present && line.judgement.verdict == verdict;
        };
        if (entry.present && (entry.judgement.verdict == Verdict::Ok || entry.judgement.verdict == Verdict::Info)) {
            int span = 1;
            while (plain(item + span, entry.judgement.verdict)) ++span;
            row += std::string("<td class=") + verdictName(entry.judgement.verdict) +
                   (span > 1 ? " colspan=" + to_string(span) : std::string()) + ">";
            item += span - 1;
            continue;
        }
        // Kept light for a page of many files: no end tags (HTML allows
        // it), and a line as its cell's tooltip only where it needs action
        // and holds a value of its own (a number, a line no text fits): any
        // other is its form's text, which the column's heading and the list
        // of what to do give, or a fact the desk need not act on.
        if (entry.present && (!needsAction(entry.judgement.verdict) || fixedText(item, entry.judgement)))
            row += std::string("<td class=") + verdictName(entry.judgement.verdict) + ">";
        else if (entry.present)
            row += std::string("<td class=") + verdictName(entry.judgement.verdict) + " title=\"" +
                   htmlText(entry.text) + "\">";
        else
            row += "<td class=missing>";
    }
    return row + "\n";
}

std::string gridRowNotRead(int id, const std::string& file, const std::string& message) {
    return rowStart(id, file, " class=notread") + "<td class=why colspan=" + to_string(kItemCount) + ">読めません：" +
           htmlText(message) + "\n";
}

std::string sectionsHead(const std::string& hints) {
    return "</div>\n</section>\n" + hints + "<section>\n<h2>ファイルごとの最新の実行</h2>\n";
}

std::string fileSection(int id, const std::string& file, const Run& latest, const RunFacts& facts, int runs) {
    // Kept light for a page of many files. First what the desk must know:
    // whether to act and on how many lines; how the run ended has its own
    // words and look, never a verdict's, and its own line when it did not end.
    const bool complete = facts.end == RunEnd::Complete;
    std::string text = std::string("<section class=\"file") + (facts.attention ? " attention" : "") + "\" id=\"f" +
                       to_string(id) + "\">\n<h3>" + htmlText(file) + "</h3>\n<p class=status>" +
                       (facts.attention ? verdictTag(Verdict::Action) + "対応する行 " + to_string(facts.toAct.size()) + " 行"
                                        : verdictTag(Verdict::Ok) + "対応する行はありません") +
                       (complete ? " <span class=\"run complete\">実行完了</span> "
                                 : " <span class=\"run incomplete\">実行未完了</span> ") +
                       (runs > 1 ? to_string(runs) + " 回分の実行のうち最新（" + to_string(latest.number) + " 回目）、"
                                 : std::string()) +
                       "実行開始：" +
                       (latest.started.empty() ? std::string("（時刻が読めません）") : htmlText(latest.started)) +
                       "</p>\n";
    if (!complete) text += "<p class=end>" + htmlText(facts.howItEnded) + "</p>\n";
    for (const std::string& failure : latest.failures)
        text += "<p>記録された失敗：<span class=line>" + htmlText(failure) + "</span></p>\n";

    // The items to act on by their numbers, for each verdict, with what to
    // do in the list of what to do (once for every file); a line's text
    // where it holds something of its own; a finding in words, with its hint.
    std::string todo, lines, found;
    for (const Verdict verdict : {Verdict::Action, Verdict::Unread}) {
        std::vector<int> items;
        for (const LineToAct& line : facts.toAct)
            if (line.item != 0 && line.verdict == verdict) items.push_back(line.item);
        if (!items.empty())
            todo += std::string("<p class=todo><a href=#hints>") + verdictWords(verdict) + "</a>：" + itemList(items) +
                    "</p>\n";
    }
    for (const LineToAct& line : facts.toAct) {
        if (line.item == 0)
            found += "<p>" + verdictTag(line.verdict) + htmlText(line.text) + "<span class=hint>→ " +
                     htmlText(line.hint) + "</span></p>\n";
        else if (!line.fixed)
            lines += "<p class=line>" + htmlText(line.text) + "</p>\n";
    }
    text += todo + lines + found;
    if (!facts.laterItems.empty())
        text += "<p>新しい版の OrvexEnv の項目 " + itemList(facts.laterItems) +
                " があります（この OrvexEnvRead では判定できません）。</p>\n";
    if (facts.hasPrevious) {
        text += "<p class=changes>前回（" + to_string(facts.previousNumber) + " 回目、" +
                (facts.previousStarted.empty() ? std::string("時刻が読めません") : htmlText(facts.previousStarted)) +
                "）から";
        if (!facts.fixed.empty()) text += "直った項目：" + itemList(facts.fixed) + "。";
        if (!facts.worse.empty()) text += "新たに要対応・読めずになった項目：" + itemList(facts.worse) + "。";
        if (facts.fixed.empty() && facts.worse.empty()) text += "直った項目も、新たに要対応になった項目もありません。";
        text += "</p>\n";
    }
    return text + "</section>\n";
}

std::string notReadSection(int id, const std::string& file, const std::string& message) {
    return "<section class=\"file notread\" id=\"f" + to_string(id) + "\">\n<h3>" + htmlText(file) + "</h3>\n<p>" +
           verdictTag(Verdict::Unread) + htmlText(message) + "</p>\n</section>\n";
}

std::string hintEntry(const LineToAct& line) {
    // The line where every file's is alike; else what it is about.
    return "<li>" + verdictTag(line.verdict) +
           (line.fixed ? "<span class=line>" + htmlText(line.text) + "</span>"
                       : "<b>" + to_string(line.item) + "．" + htmlText(itemLabel(line.item)) + "</b>") +
           "<span class=hint>→ " + htmlText(line.hint) + "</span></li>\n";
}

std::string hintsList(const std::string& entries) {
    if (entries.empty()) return std::string();
    return "<section id=\"hints\">\n<h2>項目ごとにすること</h2>\n<p>各ファイルの「要対応」「読めず」を押すと、ここに来ます。</p>\n"
           "<ul class=hints>\n" + entries + "</ul>\n</section>\n";
}

std::string passedOverEntry(const std::string& file, const std::string& reason) {
    return "<li>" + htmlText(file) + "：" + htmlText(reason) + "</li>\n";
}

std::string passedOverList(const std::string& entries) {
    if (entries.empty()) return std::string();
    return "</section>\n<section id=\"passed-over\">\n<h2>読まなかったファイル</h2>\n<ul>\n" + entries + "</ul>\n";
}

std::string pageEnd() { return "</section>\n</body>\n</html>\n"; }

}  // namespace orvex::reader
