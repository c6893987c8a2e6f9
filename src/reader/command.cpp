// The reader's command line: options, then every file in turn.
#include "reader/command.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
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
int readFile(const std::string& argument, const std::string& name, Printer& printer, const Output& output) {
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
        const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), input.file.get());
        if (read < buffer.size() && std::ferror(input.file.get()) != 0) {
            readFailed = true;
            readError = errno;
        }
        reader.feed(buffer.data(), read);
        if (read < buffer.size()) break;
    }
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

// What a folder holds for the desk: a result file to read, or an entry that
// could not be looked into (problem: why, for a person).
struct Listed {
    std::string path;
    std::string problem;
};

std::string reasonOf(const std::error_code& error) { return validUtf8(error.message()); }

// Every regular file below a folder whose name ends in .txt, in any case, and
// every entry that could not be looked into, sorted by their paths' bytes. A
// link to a file is read, a link to a folder is not followed.
std::vector<Listed> listBelow(const std::string& top) {
    std::vector<Listed> listed;
    std::vector<fs::path> folders = {fs::u8path(top)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        fs::directory_iterator entry(folder, error);
        if (error) {
            listed.push_back({folder.u8string(), "フォルダーを開けません（" + reasonOf(error) + "）。"});
            continue;
        }
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
            const std::string path = entry->path().u8string();
            std::error_code kindError;
            const fs::file_status kind = entry->symlink_status(kindError);
            if (kindError) {
                listed.push_back({path, "ファイルかフォルダーかを確かめられません（" + reasonOf(kindError) + "）。"});
            } else if (fs::is_directory(kind)) {
                folders.push_back(entry->path());
            } else if (endsInTxt(path)) {
                std::error_code ignored;  // a link to nothing is no file
                if (fs::is_regular_file(entry->status(ignored))) listed.push_back({path, std::string()});
            }
        }
        if (error) listed.push_back({folder.u8string(), "フォルダーを最後まで読めませんでした（" + reasonOf(error) + "）。"});
    }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.path < b.path; });
    return listed;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(fs::u8path(path), error);
}

// Reads what one name stands for: a file, or every result file below a
// folder; each file once, however many names reach it.
class Inputs {
public:
    Inputs(Printer& printer, const Output& output) : printer_(printer), output_(output) {}

    void read(const std::string& path) {
        if (!isFolder(path)) return readOnce(path);
        const std::vector<Listed> listed = listBelow(path);
        for (const Listed& entry : listed) {
            if (entry.problem.empty())
                readOnce(entry.path);
            else
                fail(entry.path, entry.problem, true);
        }
        if (listed.empty()) fail(path, "フォルダーの中に .txt のファイルがありません。", true);
    }

    // A command-line argument: on Windows, * and ? are expanded here.
    void readArgument(const std::string& argument) {
        if (argument.find_first_of("*?") == std::string::npos) return read(argument);
        const std::vector<std::string> matches = expandWildcards(argument);
        if (matches.empty()) fail(argument, "当てはまるファイルがありません。");
        for (const std::string& match : matches) read(match);
    }

    // The files a list names: one per line (LF or CR LF; empty lines are
    // passed over), or, in a list that holds a NUL byte (as "find -print0"
    // writes it, where a name may hold a line end), one before each NUL. A
    // NUL never belongs to a name. A list that names no file is an error, as
    // no file at all would be.
    void readList(const std::string& list) {
        OwnedFile opened;
        if (list != "-") {
            InputFile input = openList(list);
            if (input.problem != InputFile::Problem::None) {
                fail(list, "ファイルの一覧を開けません（" +
                               (input.problem == InputFile::Problem::Folder ? std::string("フォルダーです")
                                                                            : input.reason) +
                               "）。");
                return;
            }
            opened = std::move(input.file);
        }
        std::FILE* const file = opened ? opened.get() : stdin;
        // Whole, to know how its names are separated before the first is read.
        std::string bytes;
        std::array<char, std::size_t{64} * 1024> buffer;
        for (std::size_t read = 0; (read = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
            bytes.append(buffer.data(), read);
        const int error = std::ferror(file) != 0 ? errno : 0;

        const char separator = bytes.find('\0') != std::string::npos ? '\0' : '\n';
        int names = 0;
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t end = std::min(bytes.find(separator, start), bytes.size());
            std::string name = bytes.substr(start, end - start);
            start = end + 1;
            if (separator == '\n') {
                name.erase(std::find(name.begin(), name.end(), '\0'), name.end());
                if (!name.empty() && name.back() == '\r') name.pop_back();
            }
            if (name.rfind("\xEF\xBB\xBF", 0) == 0) name.erase(0, 3);
            if (name.empty()) continue;
            ++names;
            read(listedPath(name));
        }
        if (error != 0)
            fail(list, "ファイルの一覧を最後まで読めませんでした（" + validUtf8(std::strerror(error)) + "）。");
        else if (names == 0)
            fail(list, "ファイルの一覧に、ファイルの名前が 1 つもありません。");
    }

    int exitCode() const { return exitCode_; }

private:
    void note(int code) { exitCode_ = code > exitCode_ ? code : exitCode_; }

    // A file reached before (a name given twice, a folder and a file in it,
    // two spellings of one path) is passed over.
    bool seenBefore(const std::string& path) {
        const std::string identity = fileIdentity(path);
        return !identity.empty() && !seen_.insert(identity).second;
    }

    void readOnce(const std::string& path) {
        if (!seenBefore(path)) note(readFile(path, displayName(path), printer_, output_));
    }

    // once: an entry of a folder, said once however many names reach it.
    void fail(const std::string& path, const std::string& message, bool once = false) {
        if (once && seenBefore(path)) return;
        const std::string name = displayName(path);
        output_.err(errorLine(printable(name) + ": " + message));
        printer_.fileNotRead(name, message);
        note(2);
    }

    Printer& printer_;
    const Output& output_;
    std::set<std::string> seen_;
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
    // With --html the page is written beside what goes to standard output; a
    // page that cannot be made or written to its end is exit code 2. It is
    // made first: a page refused leaves standard output empty.
    bool pageFailed = false;
    Output pageOutput = output;
    pageOutput.err = [&](const std::string& text) {
        pageFailed = true;
        output.err(text);
    };
    std::unique_ptr<Printer> page;
    if (options->page && !(page = makeHtmlPrinter(*options->page, pageOutput))) return 2;
    std::unique_ptr<Printer> printer = makePrinter(*options, output);
    if (page) printer = bothPrinters(std::move(printer), std::move(page));
    Inputs inputs(*printer, output);
    for (const std::string& argument : options->files) inputs.readArgument(argument);
    for (const std::string& list : options->lists) inputs.readList(list);
    printer->finish();
    return pageFailed && inputs.exitCode() < 2 ? 2 : inputs.exitCode();
}

}  // namespace orvex::reader
