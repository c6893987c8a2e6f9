#include "reader/overview_printer.h"

namespace orvex::reader {

namespace {

class OverviewPrinter : public Printer {
public:
    explicit OverviewPrinter(const Output& output) : output_(output) {}

    void run(const std::string&, const Run&, const RunFacts& facts) override { counts_.addRun(facts); }
    void fileDone(const std::string&, const Run& latest, const RunFacts& facts, int) override {
        counts_.addLatest(latest, facts);
    }
    void fileNotRead(const std::string&, const std::string&) override { counts_.addNotRead(); }
    void filePassedOver(const std::string&, const std::string&) override { counts_.addPassedOver(); }
    bool finish() override {
        output_.out(overviewText(counts_), true);
        return true;
    }

private:
    const Output& output_;
    OverviewCounts counts_;
};

}  // namespace

std::unique_ptr<Printer> makeOverviewPrinter(const Output& output, const PrinterSettings&) {
    return std::make_unique<OverviewPrinter>(output);
}

std::string overviewText(const OverviewCounts& counts) {
    using std::to_string;
    std::string text = "■ 概要\n";
    const auto line = [&text](const std::string& piece) { text += "  " + piece + "\n"; };
    line("読んだファイル：" + to_string(counts.filesRead) + "（読めなかったファイル：" +
         to_string(counts.filesNotRead) + "）");
    if (counts.filesPassedOver != 0)
        line("読まなかったファイル：" + to_string(counts.filesPassedOver) +
             "（結果ファイルでない名前や種類のもの。--all で名前を表示）");
    line("実行：最後まで終わった " + to_string(counts.runsComplete) + "、途中で終わった " +
         to_string(counts.runsNotComplete));
    const std::vector<int> items = counts.mostFrequent();
    if (items.empty()) {
        line("最新の実行で要対応・読めずの項目：なし");
    } else {
        line("最新の実行で要対応・読めずの項目（多い順）：");
        for (int item : items)
            line("  " + to_string(item) + "．" + itemLabel(item) + "：" +
                 to_string(counts.itemsNeedingAttention[static_cast<std::size_t>(item - 1)]) + " ファイル");
    }
    line("拡張機能がどのブラウザでも有効でない最新の実行：" + to_string(counts.extensionOnNowhere));
    return text + "\n";
}

}  // namespace orvex::reader
