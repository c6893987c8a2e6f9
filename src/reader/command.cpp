// The reader's command line: options, then every file in turn.
#include "reader/command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "reader/html_printer.h"
#include "reader/outputs.h"
#include "reader/program_io.h"
#include "reader/result_file.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

enum class Form { Summary, Json, Csv };

struct Options {
    Form form = Form::Summary;
    bool allRuns = false;
    bool help = false;
    std::optional<std::string> page;  // --html FILE
    std::vector<std::string> files;
};

const char kUsage[] =
    u8"使い方: OrvexEnvRead [--all | --json | --csv] [--html ページ.html] 結果ファイル...\n"
    u8"  (なし)  各ファイルの最新の実行の要約（要対応の項目と、することの手がかり）\n"
    u8"  --all   すべての実行の要約\n"
    u8"  --json  すべての実行を JSON Lines で（UTF-8、1 行に 1 実行）\n"
    u8"  --csv   すべての実行を CSV で（UTF-8、BOM 付き、CR LF、1 行に 1 実行）\n"
    u8"  --html ページ.html  各ファイルの最新の実行を一覧にしたページ（HTML）も書く\n"
    u8"  --      これより後の引数はすべてファイル名（- で始まるファイル名の前に）\n"
    u8"終了コード: 0 すべての最新の実行が最後まで終わり問題なし、1 要対応あり、2 読めないファイルあり\n";

std::string errorLine(const std::string& message) { return u8"OrvexEnvRead: " + message + "\n"; }

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, const Output& output) {
    Options options;
    bool json = false, csv = false, optionsEnd = false;
    for (auto at = arguments.begin(); at != arguments.end(); ++at) {
        const std::string& argument = *at;
        if (optionsEnd || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--all") {
            options.allRuns = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "--csv") {
            csv = true;
        } else if (argument == "--html") {
            if (++at == arguments.end()) {
                output.err(errorLine(u8"--html の後に、書くページのファイル名を書いてください。"));
                return std::nullopt;
            }
            options.page = *at;
        } else {
            output.err(errorLine(u8"知らないオプションです: " + printable(validUtf8(argument)) +
                                 u8"（- で始まるファイル名は -- の後に書いてください）"));
            return std::nullopt;
        }
    }
    if (json && csv) {
        output.err(errorLine(u8"--json と --csv は一緒に使えません。"));
        return std::nullopt;
    }
    if (options.files.empty() && !options.help) return std::nullopt;
    options.form = json ? Form::Json : csv ? Form::Csv : Form::Summary;
    return options;
}

// Reads one file and writes what the options ask for; returns its exit code.
// page: the page's printer, nullptr without --html.
int readFile(const Options& options, const std::string& argument, const Output& output, Printer* page) {
    const std::string name = validUtf8(argument);
    // A file that is not read is named on standard error and, in JSON Lines,
    // has a record of its own, so that a batch import sees every file.
    const auto notRead = [&](const std::string& message) {
        output.err(errorLine(printable(name) + ": " + message));
        if (options.form == Form::Json) output.out(jsonError(name, message), false);
        if (page != nullptr) page->fileNotRead(name, message);
        return 2;
    };
    const InputFile input = openForReading(argument);
    switch (input.problem) {
    case InputFile::Problem::None: break;
    case InputFile::Problem::CannotOpen: return notRead(u8"ファイルを開けません（" + input.reason + u8"）。");
    case InputFile::Problem::Folder: return notRead(u8"フォルダーです。結果ファイルを指定してください。");
    case InputFile::Problem::NotAFile:
        return notRead(u8"ファイルではありません（パイプや装置などは読みません）。結果ファイルを指定してください。");
    }

    std::optional<Run> latest;
    bool latestNeedsAttention = false;
    std::optional<Run> pageLatest, pagePrevious;  // for the page: the last two runs
    ResultFileReader reader([&](Run& run) {
        latestNeedsAttention = needsAttention(run);
        if (page != nullptr) {
            page->run(name, run, pageLatest ? &*pageLatest : nullptr);
            pagePrevious = std::move(pageLatest);
            pageLatest = run;
        }
        switch (options.form) {
        case Form::Json: output.out(jsonLine(name, run), false); break;
        case Form::Csv: output.out(csvRow(name, run), false); break;
        case Form::Summary:
            if (options.allRuns)
                output.out(summary(name, run, 0), true);
            else
                latest = std::move(run);
            break;
        }
    });

    static std::vector<char> buffer(std::size_t{256} * 1024);
    bool readFailed = false;
    int readError = 0;
    for (;;) {
        const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), input.file);
        if (read < buffer.size() && std::ferror(input.file) != 0) {
            readFailed = true;
            readError = errno;
        }
        reader.feed(buffer.data(), read);
        if (read < buffer.size()) break;
    }
    static_cast<void>(std::fclose(input.file));  // read only: nothing to lose
    reader.finish();
    if (latest) output.out(summary(name, *latest, reader.runs()), true);

    if (readFailed) return notRead(u8"読み込みの途中で失敗しました（" + validUtf8(std::strerror(readError)) + u8"）。");
    if (reader.runs() == 0)
        return notRead(reader.utf16() ? u8"UTF-16（Unicode）で保存されたファイルは読めません。"
                                        u8"ANSI（Shift_JIS）か UTF-8 で保存し直してください。"
                                      : u8"OrvexEnv の実行の記録（「実行開始：」の行）がありません。");
    if (page != nullptr) page->fileDone(name, &*pageLatest, pagePrevious ? &*pagePrevious : nullptr, reader.runs());
    return latestNeedsAttention ? 1 : 0;
}

}  // namespace

int runReader(const std::vector<std::string>& arguments, const Output& output) {
    const std::optional<Options> options = parseOptions(arguments, output);
    if (!options) {
        output.err(kUsage);
        return 2;
    }
    if (options->help) {
        output.out(kUsage, true);
        return 0;
    }
    // A page that cannot be written to its end makes the exit code 2, as a
    // file that cannot be read does.
    bool pageFailed = false;
    Output pageOutput{output.out, [&output, &pageFailed](const std::string& text) {
                          pageFailed = true;
                          output.err(text);
                      }};
    std::unique_ptr<Printer> page;
    if (options->page) {
        page = makeHtmlPrinter(*options->page, pageOutput);
        if (!page) return 2;
    }
    if (options->form == Form::Csv) output.out(csvHeader(), false);

    int exitCode = 0;
    for (const std::string& file : options->files) {
        const int code = readFile(*options, file, output, page.get());
        if (code > exitCode) exitCode = code;
    }
    if (page) page->finish();
    return pageFailed ? 2 : exitCode;
}

}  // namespace orvex::reader
