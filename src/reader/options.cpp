#include "reader/options.h"

#include <algorithm>
#include <string_view>

#include "reader/csv_printer.h"
#include "reader/json_printer.h"
#include "reader/overview_printer.h"
#include "reader/printable.h"
#include "reader/summary_printer.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

// The forms of standard output, by their options; the first is the one
// without an option. A new form is its printer's file and a line here (and
// one in kUsage).
struct Form {
    std::string_view option;
    MakePrinter make;
};
constexpr Form kForms[] = {
    {"", makeSummaryPrinter},
    {"--overview", makeOverviewPrinter},
    {"--json", makeJsonPrinter},
    {"--csv", makeCsvPrinter},
};

std::string errorLine(const std::string& message) { return "OrvexEnvRead: " + message + "\n"; }

const Form* formOf(std::string_view argument) {
    for (const Form& form : kForms)
        if (!form.option.empty() && form.option == argument) return &form;
    return nullptr;
}

}  // namespace

const char kUsage[] =
    "使い方: OrvexEnvRead [--all | --overview | --json | --csv] [--html ページ.html] [--files-from 一覧]\n"
    "                    結果ファイルかフォルダー...\n"
    "  (なし)      各ファイルの最新の実行の要約（要対応の項目と、することの手がかり、前回から変わった項目）、\n"
    "              ファイルが 2 つ以上なら最後に概要\n"
    "  --all       すべての実行の要約\n"
    "  --overview  概要だけ（読んだファイル、実行、要対応の多い項目）\n"
    "  --json      すべての実行を JSON Lines で（UTF-8、1 行に 1 実行）\n"
    "  --csv       すべての実行を CSV で（UTF-8、BOM 付き、CR LF、1 行に 1 実行）\n"
    "  --html ページ.html  各ファイルの最新の実行を一覧にしたページ（HTML）も書く\n"
    "  --files-from 一覧  一覧のファイル（- なら標準入力）の 1 行に 1 つずつ（NUL 区切りも）書かれたファイルも読む\n"
    "  -           標準入力から結果ファイルを 1 つ読む（メールから貼り付けた結果など）\n"
    "  --          これより後の引数はすべてファイル名（- で始まるファイル名の前に）\n"
    "フォルダーを指定すると、その下（サブフォルダーも）の .txt のファイルをすべて読みます。\n"
    "終了コード: 0 すべての最新の実行が最後まで終わり問題なし、1 要対応あり、2 読めないファイルあり\n";

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, const Output& output) {
    Options options;
    options.form = kForms[0].make;
    int forms = 0;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnd || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--all") {
            options.settings.allRuns = true;
        } else if (const Form* form = formOf(argument)) {
            ++forms;
            options.form = form->make;
        } else if (argument == "--html") {
            if (i + 1 == arguments.size()) {
                output.err(errorLine("--html の後に、書くページのファイル名を書いてください。"));
                return std::nullopt;
            }
            options.page = arguments[++i];
        } else if (argument == "--files-from") {
            if (i + 1 == arguments.size()) {
                output.err(errorLine("--files-from の後に一覧のファイル名（標準入力なら -）を書いてください。"));
                return std::nullopt;
            }
            options.lists.push_back(arguments[++i]);
        } else {
            output.err(errorLine("知らないオプションです: " + printable(validUtf8(argument)) +
                                 "（- で始まるファイル名は -- の後に書いてください）"));
            return std::nullopt;
        }
    }
    if (forms > 1) {
        std::string names;
        for (const Form& form : kForms)
            if (!form.option.empty()) names += (names.empty() ? "" : "、") + std::string(form.option);
        output.err(errorLine(names + " は一緒に使えません。"));
        return std::nullopt;
    }
    // --all chooses the summary's runs; the other forms have theirs.
    if (options.settings.allRuns && options.form != kForms[0].make) {
        output.err(errorLine("--all は要約だけのオプションです（--overview は数だけを、--json と --csv はいつもすべての実行を書きます）。"));
        return std::nullopt;
    }
    // Standard input is one stream: a result file or a list, once.
    const auto fromStandardInput = [](const std::vector<std::string>& names) {
        return std::count(names.begin(), names.end(), "-");
    };
    if (fromStandardInput(options.files) + fromStandardInput(options.lists) > 1) {
        output.err(errorLine("標準入力（-）から読めるのは、結果ファイルか一覧のどちらか 1 つだけです。"));
        return std::nullopt;
    }
    if (options.files.empty() && options.lists.empty() && !options.help) return std::nullopt;
    return options;
}

}  // namespace orvex::reader
