#include "reader/taxpayer_printer.h"

#include "reader/printable.h"
#include "reader/run_facts.h"

namespace orvex::reader {

namespace {

const char kScreenIndent[] = "  ";

// What to do when what the screen says does not help: the file, as it is, to the desk.
const char kSend[] = "このフォルダーの OrvexEnv.txt を、ヘルプデスクに送ってください"
                     "（メールの本文に貼り付けず、ファイルのまま添付してください）：";

std::string screenText(const std::string& file, const Run& run, const RunFacts& facts) {
    std::string text = "■ OrvexEnv の結果（" +
                       (run.started.empty() ? std::string("実行開始の時刻が読めません") : run.started + " の実行") + "）\n";
    const auto line = [&text](const std::string& piece) { text += kScreenIndent + piece + "\n"; };
    if (!facts.attention) {
        line("直すところはありません。");
        return text + "\n";
    }
    if (facts.end != RunEnd::Complete) line(facts.howItEnded);
    if (!facts.toAct.empty()) line("直すところが " + std::to_string(facts.toAct.size()) + " か所あります。");
    text += "\n";
    for (const LineToAct& act : facts.toAct) {
        line(act.item == 0 ? printable(act.text) : std::to_string(act.item) + "．" + itemLabel(act.item));
        line("  → " + act.hint);
    }
    text += "\n";
    line("直したら、もう一度 OrvexEnv.exe を実行してから、OrvexEnvRead.exe で確かめてください。");
    line("それでも直らないときや、直し方が分からないときは、" + std::string(kSend));
    line(kScreenIndent + printable(file));
    return text + "\n";
}

std::string notReadText(const std::string& file) {
    std::string text = "■ OrvexEnv の結果を読み取れませんでした\n";
    const auto line = [&text](const std::string& piece) { text += kScreenIndent + piece + "\n"; };
    line("もう一度 OrvexEnv.exe を実行してから、OrvexEnvRead.exe を実行してください。");
    line("それでも読み取れないときは、" + std::string(kSend));
    line(kScreenIndent + printable(file));
    return text + "\n";
}

class TaxpayerPrinter : public Printer {
public:
    TaxpayerPrinter(const Output& output, Outcome& outcome) : output_(output), outcome_(outcome) {}

    void run(const std::string&, const Run&, const RunFacts&) override {}
    void fileDone(const std::string& file, const Run& latest, const RunFacts& facts, int) override {
        output_.out(screenText(file, latest, facts), true);
    }
    void fileNotRead(const std::string& file, const std::string&) override { output_.out(notReadText(file), true); }
    void filePassedOver(const std::string& file, const std::string&) override {
        output_.out(notReadText(file), true);
        outcome_.notRead = true;
    }
    bool finish() override { return true; }

private:
    const Output& output_;
    Outcome& outcome_;
};

}  // namespace

std::unique_ptr<Printer> makeTaxpayerPrinter(const Output& output, Outcome& outcome) {
    return std::make_unique<TaxpayerPrinter>(output, outcome);
}

std::string noResultText(const std::string& folder, bool writable) {
    std::string text = "■ OrvexEnv の結果ファイル（OrvexEnv.txt）がありません\n";
    const auto line = [&text](const std::string& piece) { text += kScreenIndent + piece + "\n"; };
    line(printable(folder));
    if (writable) {
        line("先に、このフォルダーの OrvexEnv.exe を実行してください。結果が OrvexEnv.txt に書かれます。");
        line("それから、もう一度 OrvexEnvRead.exe を実行してください。");
        line("zip ファイルを開いて、その中から実行したときは、先に zip ファイルを展開（すべて展開）して、"
             "展開したフォルダーで実行してください。");
    } else {
        line("このフォルダーにはファイルを作れないため、OrvexEnv.exe も結果を書けません。");
        line("OrvexEnv.exe と OrvexEnvRead.exe の入ったフォルダーを、デスクトップなどに移してから、"
             "OrvexEnv.exe を実行してください。");
    }
    return text + "\n";
}

}  // namespace orvex::reader
