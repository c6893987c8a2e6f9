// The reader's command line: options, then every file in turn.
#include "reader/command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reader/html_printer.h"
#include "reader/outputs.h"
#include "reader/printers.h"
#include "reader/program_io.h"
#include "reader/result_file.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace fs = std::filesystem;

namespace {

enum class Form { Summary, Overview, Json, Csv };

struct Options {
    Form form = Form::Summary;
    bool allRuns = false;
    bool help = false;
    std::vector<std::string> files;
    std::vector<std::string> lists;  // --files-from: files naming a file per line; "-" standard input
    std::optional<std::string> page;  // --html FILE
};

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
    "  --files-from 一覧  一覧のファイル（- なら標準入力）の 1 行に 1 つずつ書かれたファイルも読む\n"
    "  --          これより後の引数はすべてファイル名（- で始まるファイル名の前に）\n"
    "フォルダーを指定すると、その下（サブフォルダーも）の .txt のファイルをすべて読みます。\n"
    "終了コード: 0 すべての最新の実行が最後まで終わり問題なし、1 要対応あり、2 読めないファイルあり\n";

std::string errorLine(const std::string& message) { return "OrvexEnvRead: " + message + "\n"; }

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, const Output& output) {
    Options options;
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
            options.allRuns = true;
        } else if (argument == "--overview" || argument == "--json" || argument == "--csv") {
            ++forms;
            options.form = argument == "--overview" ? Form::Overview : argument == "--json" ? Form::Json : Form::Csv;
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
        output.err(errorLine("--overview、--json、--csv は一緒に使えません。"));
        return std::nullopt;
    }
    if (options.files.empty() && options.lists.empty() && !options.help) return std::nullopt;
    return options;
}

std::unique_ptr<Printer> makePrinter(const Options& options, const Output& output) {
    switch (options.form) {
    case Form::Summary: return makeSummaryPrinter(output, options.allRuns);
    case Form::Overview: return makeOverviewPrinter(output);
    case Form::Json: return makeJsonPrinter(output);
    case Form::Csv: return makeCsvPrinter(output);
    }
    return nullptr;
}

// Reads one file into the printer, run by run; returns its exit code. Only
// the run before the current one and the latest are kept.
int readFile(const std::string& argument, Printer& printer, const Output& output) {
    const std::string name = validUtf8(argument);
    // A file that is not read is named on standard error and told to the printer.
    const auto notRead = [&](const std::string& message) {
        output.err(errorLine(printable(name) + ": " + message));
        printer.fileNotRead(name, message);
        return 2;
    };
    const InputFile input = openForReading(argument);
    switch (input.problem) {
    case InputFile::Problem::None: break;
    case InputFile::Problem::CannotOpen: return notRead("ファイルを開けません（" + input.reason + "）。");
    case InputFile::Problem::Folder: return notRead("フォルダーです。結果ファイルを指定してください。");
    case InputFile::Problem::NotAFile:
        return notRead("ファイルではありません（パイプや装置などは読みません）。結果ファイルを指定してください。");
    }

    std::optional<Run> latest, beforeLatest;
    ResultFileReader reader([&](Run& run) {
        printer.run(name, run, latest ? &*latest : nullptr);
        beforeLatest = std::move(latest);
        latest = std::move(run);
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

    if (latest) printer.fileDone(name, &*latest, beforeLatest ? &*beforeLatest : nullptr, reader.runs());
    if (readFailed) return notRead("読み込みの途中で失敗しました（" + validUtf8(std::strerror(readError)) + "）。");
    if (reader.runs() == 0)
        return notRead(reader.utf16() ? "UTF-16（Unicode）で保存されたファイルは読めません。"
                                        "ANSI（Shift_JIS）か UTF-8 で保存し直してください。"
                                      : "OrvexEnv の実行の記録（「実行開始：」の行）がありません。");
    return needsAttention(*latest) ? 1 : 0;
}

bool endsInTxt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".txt";
}

// The regular files below a folder whose names end in .txt, in any case,
// sorted by their paths' bytes; false when the folder cannot be read through.
bool filesBelow(const std::string& folder, std::vector<std::string>& files, std::string& reason) {
    std::error_code error;
    fs::recursive_directory_iterator entry(fs::u8path(folder), fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        std::error_code ignored;
        const std::string path = entry->path().u8string();
        if (endsInTxt(path) && entry->is_regular_file(ignored)) files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    if (error) reason = validUtf8(error.message());
    return !error;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(fs::u8path(path), error);
}

// Reads what one name stands for: a file, or every result file below a folder.
class Inputs {
public:
    Inputs(Printer& printer, const Output& output) : printer_(printer), output_(output) {}

    void read(const std::string& path) {
        if (!isFolder(path)) {
            note(readFile(path, printer_, output_));
            return;
        }
        std::vector<std::string> files;
        std::string reason;
        const bool whole = filesBelow(path, files, reason);
        for (const std::string& file : files) note(readFile(file, printer_, output_));
        if (!whole) fail(path, "フォルダーを最後まで読めませんでした（" + reason + "）。");
        else if (files.empty()) fail(path, "フォルダーの中に .txt のファイルがありません。");
    }

    // A command-line argument: on Windows, * and ? are expanded here.
    void readArgument(const std::string& argument) {
        if (argument.find_first_of("*?") == std::string::npos) return read(argument);
        const std::vector<std::string> matches = expandWildcards(argument);
        if (matches.empty()) fail(argument, "当てはまるファイルがありません。");
        for (const std::string& match : matches) read(match);
    }

    // The files a list names, one per line (CR LF or LF); empty lines are passed over.
    void readList(const std::string& list) {
        std::FILE* file = stdin;
        if (list != "-") {
            const InputFile input = openForReading(list);
            if (input.problem != InputFile::Problem::None) {
                fail(list, "ファイルの一覧を開けません" +
                               (input.reason.empty() ? std::string("。") : "（" + input.reason + "）。"));
                return;
            }
            file = input.file;
        }
        std::string line;
        for (int c = 0; c != EOF;) {
            c = std::getc(file);
            if (c != EOF && c != '\n') {
                line += static_cast<char>(c);
                continue;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            if (!line.empty()) read(listedPath(line));
            line.clear();
        }
        if (std::ferror(file) != 0) fail(list, "ファイルの一覧を最後まで読めませんでした。");
        if (file != stdin) static_cast<void>(std::fclose(file));
    }

    int exitCode() const { return exitCode_; }

private:
    void note(int code) { exitCode_ = code > exitCode_ ? code : exitCode_; }
    void fail(const std::string& path, const std::string& message) {
        const std::string name = validUtf8(path);
        output_.err(errorLine(printable(name) + ": " + message));
        printer_.fileNotRead(name, message);
        note(2);
    }

    Printer& printer_;
    const Output& output_;
    int exitCode_ = 0;
};

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
    std::unique_ptr<Printer> printer = makePrinter(*options, output);
    // With --html the page is written beside what goes to standard output; a
    // page that cannot be made or written to its end is exit code 2.
    bool pageFailed = false;
    Output pageOutput = output;
    pageOutput.err = [&](const std::string& text) {
        pageFailed = true;
        output.err(text);
    };
    if (options->page) {
        std::unique_ptr<Printer> page = makeHtmlPrinter(*options->page, pageOutput);
        if (!page) return 2;
        printer = bothPrinters(std::move(printer), std::move(page));
    }
    Inputs inputs(*printer, output);
    for (const std::string& argument : options->files) inputs.readArgument(argument);
    for (const std::string& list : options->lists) inputs.readList(list);
    printer->finish();
    return pageFailed && inputs.exitCode() < 2 ? 2 : inputs.exitCode();
}

}  // namespace orvex::reader
