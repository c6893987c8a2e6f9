// The three output forms.
#include "reader/outputs.h"

#include <picojson.h>

#include <algorithm>
#include <optional>

#include "reader/printer.h"
#include "reader/text_conversion.h"
#include "report/catalogue.h"

namespace orvex::reader {

using namespace catalogue;

namespace {

const char kIndent[] = "  ";

std::string number(int n) { return std::to_string(n); }

// 8, 9, 10, 12 as "8～10、12".
std::string itemList(const std::vector<int>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size();) {
        std::size_t j = i;
        while (j + 1 < items.size() && items[j + 1] == items[j] + 1) ++j;
        if (!text.empty()) text += "、";
        text += number(items[i]);
        if (j > i) text += "～" + number(items[j]);
        i = j + 1;
    }
    return text;
}

std::string afterLastItem(const Run& run) {
    return run.lastItem == 0 ? std::string("開始の直後") : "項目 " + number(run.lastItem) + " の後";
}

}  // namespace

std::string howItEnded(const Run& run) {
    switch (run.end()) {
    case RunEnd::Complete: return "最後まで実行されています。";
    case RunEnd::Failure: {
        const auto endedAt = [&run](const FailureSite& site) {
            return run.endingFailure == site.errorNumber || run.endingFailure == site.fileNumber;
        };
        if (endedAt(kLastLoggedOnUserUnreadable))
            return "途中で終わっています。最後にログオンしたユーザーをレジストリから読めませんでした。"
                   "パソコンの利用者が Windows にサインインし直してから、もう一度 OrvexEnv を実行してください。";
        if (endedAt(kProfileListUnreadable))
            return "途中で終わっています。ユーザーのプロファイル一覧をレジストリから読めませんでした。"
                   "パソコンの管理者に相談してください。";
        // The account name is looked up after the pop-up lines, before the extension's.
        if (endedAt(kLastLoggedOnSamUserUnreadable))
            return "項目 " + number(kPopupAllowList.hosts.back().number) +
                   " の後で終わっています。最後にログオンしたユーザーのアカウント名をレジストリから読めず、項目 " +
                   number(kChromeExtension.states.front().number) +
                   " 以降は調べられていません。パソコンの利用者が Windows にサインインし直してから、"
                   "もう一度 OrvexEnv を実行してください。";
        return "途中で終わっています。もう一度 OrvexEnv を実行してください。";
    }
    case RunEnd::Interrupted:
        return afterLastItem(run) + "で終わり、次の実行が始まっています。もう一度 OrvexEnv を実行して、"
                                    "最後まで終わるのを待ってもらってください。";
    case RunEnd::Cut:
        return "ファイルが" + afterLastItem(run) + "で切れています。結果ファイルを全部送ってもらってください。";
    case RunEnd::ItemsMissing: {
        std::vector<int> missing;
        for (int item = 1; item <= kItemCount; ++item)
            if (!run.items[static_cast<std::size_t>(item - 1)].present) missing.push_back(item);
        return "終わりの区切り線はありますが、項目 " + itemList(missing) +
               " がありません（ファイルが書き換えられた可能性があります）。もう一度 OrvexEnv を実行してもらってください。";
    }
    }
    return std::string();
}

std::string findingText(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: {
        std::string items;
        for (int item : extensionStateItems()) items += (items.empty() ? "" : "、") + number(item);
        return "拡張機能はどのブラウザでも有効になっていません（項目 " + items + "）。";
    }
    }
    return std::string();
}

std::string findingHint(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: return "Chrome か Edge で拡張機能を追加して、有効にしてください。";
    }
    return std::string();
}

namespace {

// The bytes of the control character or layout character (bidirectional
// controls and isolates, zero-width spaces, joiners and marks, line and
// paragraph separators) that begins at text[at]; 0 when none does.
std::size_t controlAt(std::string_view text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    const unsigned char c = byte(at);
    if (c < 0x20 || c == 0x7F) return 1;
    if (c == 0xC2 && byte(at + 1) >= 0x80 && byte(at + 1) < 0xA0) return 2;  // U+0080 to U+009F
    if (c == 0xD8 && byte(at + 1) == 0x9C) return 2;                          // U+061C
    const unsigned second = byte(at + 1), third = byte(at + 2);
    if (c == 0xE2 && second == 0x80 && ((third >= 0x8B && third <= 0x8F) || (third >= 0xA8 && third <= 0xAE)))
        return 3;  // U+200B to U+200F, U+2028 to U+202E
    if (c == 0xE2 && second == 0x81 && third >= 0xA0 && third <= 0xAF) return 3;  // U+2060 to U+206F
    if (c == 0xEF && second == 0xBB && third == 0xBF) return 3;                    // U+FEFF
    return 0;
}

// One object on one line. picojson writes every "/" as "\\/" (put back
// plain: the dates and paths stay readable) and the C1 control characters
// (U+0080 to U+009F, which some terminals obey) and the characters that
// change how text is laid out (bidirectional controls, zero-width ones) as
// they are: escaped here, as the C0 ones are.
std::string jsonText(const picojson::value& value) {
    static const char kHex[] = "0123456789abcdef";
    const std::string json = value.serialize();
    std::string line;
    line.reserve(json.size() + 1);
    std::size_t done = 0;  // what lies before done is in the line
    for (std::size_t at = 0; at < json.size();) {
        const bool escape = json[at] == '\\' && at + 1 < json.size();
        const std::size_t control = static_cast<unsigned char>(json[at]) >= 0x80 ? controlAt(json, at) : 0;
        if (!escape && control == 0) {
            ++at;
            continue;
        }
        line.append(json, done, at - done);
        if (escape) {
            if (json[at + 1] != '/') line += '\\';
            line += json[at + 1];
            at += 2;
        } else {
            // The code point of the two- or three-byte sequence.
            unsigned point = static_cast<unsigned char>(json[at]) & (control == 2 ? 0x1F : 0x0F);
            for (std::size_t i = 1; i < control; ++i)
                point = point << 6 | (static_cast<unsigned char>(json[at + i]) & 0x3F);
            line += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) line += kHex[point >> shift & 0xF];
            at += control;
        }
        done = at;
    }
    line.append(json, done, std::string::npos);
    return line + "\n";
}

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

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t control = controlAt(text, i);
        shown += control != 0 ? std::string_view("?") : text.substr(i, 1);
        i += control != 0 ? control : 1;
    }
    return shown;
}

std::string summary(const std::string& file, const Run& run, int runsInFile, const Run* previous) {
    std::string text = "■ " + printable(file);
    if (runsInFile == 0)
        text += "：" + number(run.number) + " 回目の実行";
    else if (runsInFile > 1)
        text += "：" + number(runsInFile) + " 回分の実行のうち最新（" + number(run.number) + " 回目）";
    text += "\n";
    const auto line = [&text](const std::string& piece) { text += kIndent + piece + "\n"; };

    line("実行開始：" + (run.started.empty() ? std::string("（時刻が読めません）") : run.started));
    line("結果：" + howItEnded(run));
    for (const std::string& failure : run.failures) line("記録された失敗：" + printable(failure));

    for (int item = 1; item <= kItemCount; ++item) {
        const ItemLine& entry = run.items[static_cast<std::size_t>(item - 1)];
        if (!entry.present) continue;
        const Verdict verdict = entry.judgement.verdict;
        if (!needsAction(verdict)) continue;
        line((verdict == Verdict::Action ? "[要対応] " : "[読めず] ") + printable(entry.text));
        line("         → " + hint(item, entry.judgement));
    }
    const std::vector<Finding> found = findings(run);
    for (Finding finding : found) {
        line("[要対応] " + findingText(finding));
        line("         → " + findingHint(finding));
    }

    const int present = kItemCount - [&run] {
        int missing = 0;
        for (const ItemLine& entry : run.items) missing += entry.present ? 0 : 1;
        return missing;
    }();
    std::string counts = "問題なし：" + number(run.count(Verdict::Ok)) + " / " + number(kItemCount) +
                         " 項目（要対応 " + number(run.count(Verdict::Action)) + "、読めず " +
                         number(run.count(Verdict::Unread)) + "、参考 " + number(run.count(Verdict::Info));
    if (present < kItemCount) counts += "、記録なし " + number(kItemCount - present);
    if (!found.empty()) counts += "、実行全体の要対応 " + number(static_cast<int>(found.size()));
    line(counts + "）");

    if (previous != nullptr) {
        std::vector<int> fixed, worse;
        for (const Change& change : changes(*previous, run)) {
            if (needsAction(change.from) && change.to == Verdict::Ok) fixed.push_back(change.item);
            if (!needsAction(change.from) && needsAction(change.to)) worse.push_back(change.item);
        }
        const std::string before = number(previous->number) + " 回目";
        if (!fixed.empty()) line(before + "から直った項目：" + itemList(fixed));
        if (!worse.empty()) line(before + "から新たに要対応・読めずになった項目：" + itemList(worse));
        if (fixed.empty() && worse.empty()) line(before + "から直った項目も、新たに要対応になった項目もありません。");
    }

    if (run.repeatedItems != 0)
        line("注意：同じ番号の項目が " + number(run.repeatedItems) + " 行重なっています（最初の行で判定しています）。");
    if (run.outOfOrder) line("注意：項目の順番が入れ替わっています。");
    if (run.otherLines != 0)
        line("注意：OrvexEnv の書く形でない行が " + number(run.otherLines) + " 行あります（判定には使っていません）。");
    if (run.longLines != 0)
        line("注意：長すぎる行が " + number(run.longLines) + " 行あり、それぞれ先頭の " +
             number(static_cast<int>(kMaxLineBytes / 1024)) + " KiB だけを読んでいます。");
    text += "\n";
    return text;
}

std::string jsonLine(const std::string& file, const Run& run, const Run* previous) {
    picojson::array failures;
    for (const std::string& failure : run.failures) failures.emplace_back(failure);
    picojson::array items;
    for (int item = 1; item <= kItemCount; ++item) {
        const ItemLine& entry = run.items[static_cast<std::size_t>(item - 1)];
        if (!entry.present) continue;
        picojson::object object;
        object["item"] = picojson::value(static_cast<double>(item));
        object["text"] = picojson::value(entry.text);
        object["verdict"] = picojson::value(verdictName(entry.judgement.verdict));
        items.emplace_back(std::move(object));
    }
    picojson::array found;
    for (Finding finding : findings(run)) found.emplace_back(findingName(finding));
    picojson::object object;
    object["file"] = picojson::value(file);
    object["run"] = picojson::value(static_cast<double>(run.number));
    object["encoding"] = picojson::value(run.encoding == Encoding::Utf8 ? "utf-8" : "cp932");
    object["started"] = run.started.empty() ? picojson::value() : picojson::value(run.started);
    object["complete"] = picojson::value(run.complete());
    object["ended"] = picojson::value(endName(run.end()));
    object["failures"] = picojson::value(std::move(failures));
    object["items"] = picojson::value(std::move(items));
    object["findings"] = picojson::value(std::move(found));
    object["attention"] = picojson::value(needsAttention(run));
    // A file's first run has nothing to be compared with.
    object["changed"] = picojson::value();
    if (previous != nullptr) {
        picojson::array changed;
        for (const Change& change : changes(*previous, run)) {
            picojson::object entry;
            entry["item"] = picojson::value(static_cast<double>(change.item));
            entry["from"] = picojson::value(changeVerdictName(change.from));
            entry["to"] = picojson::value(changeVerdictName(change.to));
            changed.emplace_back(std::move(entry));
        }
        object["changed"] = picojson::value(std::move(changed));
    }
    object["error"] = picojson::value();
    return jsonText(picojson::value(std::move(object)));
}

std::string overview(const OverviewCounts& counts) {
    std::string text = "■ 概要\n";
    const auto line = [&text](const std::string& piece) { text += kIndent + piece + "\n"; };
    line("読んだファイル：" + number(counts.filesRead) + "（読めなかったファイル：" + number(counts.filesNotRead) +
         "）");
    line("実行：最後まで終わった " + number(counts.runsComplete) + "、途中で終わった " +
         number(counts.runsNotComplete));
    const std::vector<int> items = counts.mostFrequent();
    if (items.empty()) {
        line("最新の実行で要対応・読めずの項目：なし");
    } else {
        line("最新の実行で要対応・読めずの項目（多い順）：");
        for (int item : items)
            line(kIndent + number(item) + "．" + itemLabel(item) + "：" +
                 number(counts.itemsNeedingAttention[static_cast<std::size_t>(item - 1)]) + " ファイル");
    }
    line("拡張機能がどのブラウザでも有効でない最新の実行：" + number(counts.extensionOnNowhere));
    return text + "\n";
}

// The keys of a run's record, so that an engine that takes its columns from
// the first records it sees loads every record alike: what a file not read
// lacks is null or an empty list, and it needs the desk's attention.
std::string jsonError(const std::string& file, const std::string& message) {
    picojson::value record(picojson::object_type, false);
    picojson::object& object = record.get<picojson::object>();
    object["file"] = picojson::value(file);
    for (const char* none : {"run", "encoding", "started", "complete", "ended", "changed"})
        object[none] = picojson::value();
    for (const char* empty : {"failures", "items", "findings"}) object[empty] = picojson::value(picojson::array());
    object["attention"] = picojson::value(true);
    object["error"] = picojson::value(message);
    return jsonText(record);
}

std::string csvHeader() {
    std::string row = "\uFEFF" "\"file\",\"run\",\"started\",\"complete\",\"ended\",\"attention\"";
    for (int item = 1; item <= kItemCount; ++item)
        row += ",\"item " + number(item) + "\",\"verdict " + number(item) + "\"";
    return row + "\r\n";
}

std::string csvRow(const std::string& file, const Run& run) {
    std::string row = csvField(file) + "," + csvField(number(run.number)) + "," + csvField(run.started) + "," +
                      csvField(run.complete() ? "true" : "false") + "," + csvField(endName(run.end())) + "," +
                      csvField(needsAttention(run) ? "true" : "false");
    for (const ItemLine& entry : run.items) {
        row += "," + csvField(entry.present ? entry.text : std::string());
        row += "," + csvField(entry.present ? verdictName(entry.judgement.verdict) : "");
    }
    return row + "\r\n";
}

}  // namespace orvex::reader
