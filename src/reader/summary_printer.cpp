#include "reader/summary_printer.h"

#include "reader/overview_printer.h"
#include "reader/printable.h"
#include "reader/run_facts.h"

namespace orvex::reader {

namespace {

const char kIndent[] = "  ";

class SummaryPrinter : public Printer {
public:
    SummaryPrinter(const Output& output, bool allRuns) : output_(output), allRuns_(allRuns) {}

    void run(const std::string& file, const Run& run, const RunFacts& facts) override {
        counts_.addRun(facts);
        if (allRuns_) output_.out(summaryText(file, run, facts, 0), true);
    }
    void fileDone(const std::string& file, const Run& latest, const RunFacts& facts, int runs) override {
        ++files_;
        counts_.addLatest(latest, facts);
        if (!allRuns_) output_.out(summaryText(file, latest, facts, runs), true);
    }
    void fileNotRead(const std::string&, const std::string&) override {
        ++files_;
        counts_.addNotRead();
    }
    // Named with --all; counted in the overview.
    void filePassedOver(const std::string& file, const std::string& reason) override {
        ++files_;
        counts_.addPassedOver();
        if (allRuns_) output_.out("■ " + printable(file) + "\n" + kIndent + reason + "\n\n", true);
    }
    bool finish() override {
        if (files_ > 1) output_.out(overviewText(counts_), true);
        return true;
    }

private:
    const Output& output_;
    bool allRuns_;
    int files_ = 0;
    OverviewCounts counts_;
};

std::string words(Verdict verdict) { return verdictWords(verdict); }

}  // namespace

std::unique_ptr<Printer> makeSummaryPrinter(const Output& output, const PrinterSettings& settings) {
    return std::make_unique<SummaryPrinter>(output, settings.allRuns);
}

std::string summaryText(const std::string& file, const Run& run, const RunFacts& facts, int runsInFile) {
    using std::to_string;
    std::string text = "■ " + printable(file);
    if (runsInFile == 0)
        text += "：" + to_string(run.number) + " 回目の実行";
    else if (runsInFile > 1)
        text += "：" + to_string(runsInFile) + " 回分の実行のうち最新（" + to_string(run.number) + " 回目）";
    text += "\n";
    const auto line = [&text](const std::string& piece) { text += kIndent + piece + "\n"; };

    line("実行開始：" + (run.started.empty() ? std::string("（時刻が読めません）") : run.started));
    line("結果：" + facts.howItEnded);
    for (const std::string& failure : run.failures) line("記録された失敗：" + printable(failure));

    int found = 0;  // findings: lines of the run as a whole
    for (const LineToAct& act : facts.toAct) {
        line("[" + words(act.verdict) + "] " + printable(act.text));
        line("         → " + act.hint);
        found += act.item == 0 ? 1 : 0;
    }

    std::string counts = words(Verdict::Ok) + "：" + to_string(facts.ok) + " / " + to_string(kItemCount) + " 項目（" +
                         words(Verdict::Action) + " " + to_string(facts.action) + "、" + words(Verdict::Unread) + " " +
                         to_string(facts.unread) + "、" + words(Verdict::Info) + " " + to_string(facts.info);
    if (facts.missing != 0) counts += "、" + std::string(verdictWords(std::nullopt)) + " " + to_string(facts.missing);
    if (facts.unknown != 0) counts += "、" + words(Verdict::Unknown) + " " + to_string(facts.unknown);
    if (found != 0) counts += "、実行全体の" + words(Verdict::Action) + " " + to_string(found);
    line(counts + "）");

    if (facts.hasPrevious) {
        const std::string before = to_string(facts.previousNumber) + " 回目";
        if (!facts.fixed.empty()) line(before + "から直った項目：" + itemList(facts.fixed));
        if (!facts.worse.empty()) line(before + "から新たに要対応・読めずになった項目：" + itemList(facts.worse));
        if (facts.fixed.empty() && facts.worse.empty())
            line(before + "から直った項目も、新たに要対応になった項目もありません。");
    }

    if (!facts.laterItems.empty())
        line("注意：新しい版の OrvexEnv の項目 " + itemList(facts.laterItems) +
             " があります（この OrvexEnvRead では判定できません）。");
    if (run.repeatedItems != 0)
        line("注意：同じ番号の項目が " + to_string(run.repeatedItems) + " 行重なっています（最初の行で判定しています）。");
    if (run.outOfOrder) line("注意：項目の順番が入れ替わっています。");
    if (run.otherLines != 0)
        line("注意：OrvexEnv の書く形でない行が " + to_string(run.otherLines) + " 行あります（判定には使っていません）。");
    if (run.longLines != 0)
        line("注意：長すぎる行が " + to_string(run.longLines) + " 行あり、それぞれ先頭の " +
             to_string(kMaxLineBytes / 1024) + " KiB だけを読んでいます。");
    return text + "\n";
}

}  // namespace orvex::reader
