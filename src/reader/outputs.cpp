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

// One object on one line. picojson writes every "/" as "\\/" (put back
// plain: the dates and paths stay readable) and the C1 control characters
// (U+0080 to U+009F, which some terminals obey) as they are (escaped here).
std::string jsonText(const picojson::value& value) {
    static const char kHex[] = "0123456789abcdef";
    const std::string json = value.serialize();
    std::string line;
    line.reserve(json.size() + 1);
    const auto special = [](char c) { return c == '\\' || c == '\xC2'; };
    auto done = json.begin();
    for (auto at = std::find_if(done, json.end(), special); at != json.end() && at + 1 != json.end();
         at = std::find_if(done, json.end(), special)) {
        line.append(done, at);
        done = at + 2;
        const unsigned char next = static_cast<unsigned char>(at[1]);
        if (*at == '\\') {
            if (next != '/') line += '\\';
            line += at[1];
        } else if (next >= 0x80 && next < 0xA0) {
            line += "\\u00";
            line += kHex[next >> 4];
            line += kHex[next & 0xF];
        } else {
            line.append(at, at + 2);
        }
    }
    line.append(done, json.end());
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
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0;  // U+0080 to U+009F
        if (c < 0x20 || c == 0x7F || c1) {
            shown += '?';
            i += c1 ? 1 : 0;
        } else {
            shown += text[i];
        }
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
    picojson::object object;
    object["file"] = picojson::value(file);
    for (const char* none : {"run", "encoding", "started", "complete", "ended", "changed"})
        object[none] = picojson::value();
    for (const char* empty : {"failures", "items", "findings"}) object[empty] = picojson::value(picojson::array());
    object["attention"] = picojson::value(true);
    object["error"] = picojson::value(message);
    // Named: clang's analyzer (scripts/lint.sh) misses a temporary's destructor here and calls it a leak.
    const picojson::value record(std::move(object));
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
