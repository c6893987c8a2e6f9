#include "reader/inputs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "reader/printable.h"
#include "reader/program_io.h"
#include "reader/result_file.h"
#include "reader/run_facts.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace fs = std::filesystem;

namespace {

bool endsInTxt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".txt";
}

// What a folder holds for the desk: a result file to read, an entry that
// could not be looked into (problem: why, for a person), or one passed over
// for what it is (passedOver: why).
struct Listed {
    std::string path;
    std::string problem;
    std::string passedOver = {};
};

const char kNotTxt[] = "名前が .txt で終わらないので読んでいません。";
const char kNoFile[] = "ファイルではないので読んでいません（パイプや装置など）。";
const char kLinkToFolder[] = "フォルダーへのリンクなので、たどっていません。";
const char kLinkToNothing[] = "リンク先がないので読んでいません。";
const char kOwnOutput[] = "この OrvexEnvRead が書いているファイルなので読んでいません。";
const char kSummary[] = "OrvexEnvRead の要約のようなので読んでいません。";

std::string reasonOf(const std::error_code& error) { return validUtf8(error.message()); }

// Every regular file below a folder whose name ends in .txt, in any case,
// every entry that could not be looked into and every one passed over,
// sorted by their paths' bytes. A link to a file is read, a link to a folder
// is not followed.
std::vector<Listed> listBelow(const std::string& top) {
    std::vector<Listed> listed;
    std::vector<fs::path> folders = {systemPath(top)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        fs::directory_iterator entry(folder, error);
        if (error) {
            listed.push_back({readerPath(folder), "フォルダーを開けません（" + reasonOf(error) + "）。"});
            continue;
        }
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
            const std::string path = readerPath(entry->path());
            std::error_code kindError;
            const fs::file_status kind = entry->symlink_status(kindError);
            if (kindError) {
                listed.push_back({path, "ファイルかフォルダーかを確かめられません（" + reasonOf(kindError) + "）。"});
            } else if (fs::is_directory(kind)) {
                folders.push_back(entry->path());
            } else {
                std::error_code ignored;  // a link to nothing is no file
                const fs::file_status target = entry->status(ignored);
                const char* passedOver = fs::is_regular_file(target) ? (endsInTxt(path) ? "" : kNotTxt)
                                         : fs::is_directory(target)  ? kLinkToFolder
                                         : fs::exists(target)        ? kNoFile
                                                                     : kLinkToNothing;
                listed.push_back({path, std::string(), passedOver});
            }
        }
        if (error) listed.push_back({readerPath(folder), "フォルダーを最後まで読めませんでした（" + reasonOf(error) + "）。"});
    }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.path < b.path; });
    return listed;
}

// What begins a summary of this reader's, as it writes it to a file (UTF-8,
// or the ANSI code page on Windows): one saved into the folder it read is no
// result file of a taxpayer's.
bool isSummary(const std::string& head) {
    static const std::string utf8 = "■ ", ansi = utf8ToCp932("■ ");
    return head.rfind(utf8, 0) == 0 || head.rfind(ansi, 0) == 0;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(systemPath(path), error);
}

}  // namespace

void Inputs::readArgument(const std::string& argument) {
    if (argument.find_first_of("*?") == std::string::npos) return read(argument);
    const std::vector<std::string> matches = expandWildcards(argument);
    if (matches.empty()) fail(argument, "当てはまるファイルがありません。");
    for (const std::string& match : matches) read(match);
}

void Inputs::readList(const std::string& list) {
    OwnedFile opened;
    if (list != "-") {
        InputFile input = openList(list);
        if (input.problem != InputFile::Problem::None) {
            fail(list, "ファイルの一覧を開けません（" +
                           (input.problem == InputFile::Problem::Folder ? std::string("フォルダーです") : input.reason) +
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
    // A list that names no file is an error, as no file at all would be.
    if (error != 0)
        fail(list, "ファイルの一覧を最後まで読めませんでした（" + validUtf8(std::strerror(error)) + "）。");
    else if (names == 0)
        fail(list, "ファイルの一覧に、ファイルの名前が 1 つもありません。");
}

void Inputs::read(const std::string& path) {
    if (!isFolder(path)) {
        if (!seenBefore(path)) readFile(path);
        return;
    }
    const std::vector<Listed> listed = listBelow(path);
    bool anyTxt = false;
    for (const Listed& entry : listed) {
        if (seenBefore(entry.path) || (entry.problem.empty() && ownOutput(entry.path) == 2)) continue;
        anyTxt = anyTxt || entry.passedOver.empty();
        if (!entry.problem.empty())
            fail(entry.path, entry.problem);
        else if (!entry.passedOver.empty())
            passOver(entry.path, entry.passedOver);
        else
            readFile(entry.path, true);
    }
    if (!anyTxt && !seenBefore(path)) fail(path, "フォルダーの中に .txt のファイルがありません。");
}

void Inputs::readFile(const std::string& path, bool inFolder) {
    if (ownOutput(path) != 0) return passOver(path, kOwnOutput, inFolder);
    const InputFile input = path == "-" ? standardInput() : openForReading(path);
    switch (input.problem) {
    case InputFile::Problem::None: break;
    case InputFile::Problem::CannotOpen: return fail(path, "ファイルを開けません（" + input.reason + "）。");
    case InputFile::Problem::Folder: return fail(path, "フォルダーです。結果ファイルを指定してください。");
    case InputFile::Problem::NotAFile:
        return fail(path, "ファイルではありません（パイプや装置などは読みません）。結果ファイルを指定してください。");
    }

    const std::string name = displayName(path);
    std::optional<Run> latest;
    RunFacts latestFacts;
    std::string head;  // the file's first bytes, to tell one of this reader's own summaries
    ResultFileReader reader([&](Run& run) {
        RunFacts facts = factsOf(run, latest ? &*latest : nullptr, audience_);
        printer_.run(name, run, facts);
        latest = std::move(run);
        latestFacts = std::move(facts);
    });
    static std::vector<char> buffer(std::size_t{256} * 1024);
    int readError = 0;
    for (;;) {
        const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), input.file.get());
        if (read < buffer.size() && std::ferror(input.file.get()) != 0) readError = errno != 0 ? errno : EIO;
        if (head.empty()) head.assign(buffer.data(), std::min<std::size_t>(read, 8));
        reader.feed(buffer.data(), read);
        if (read < buffer.size()) break;
    }
    reader.finish();

    if (latest) printer_.fileDone(name, *latest, latestFacts, reader.runs());
    if (readError != 0)
        fail(path, "読み込みの途中で失敗しました（" + validUtf8(std::strerror(readError)) + "）。");
    else if (!latest && isSummary(head))
        passOver(path, kSummary, inFolder);
    else if (!latest)
        fail(path, reader.japaneseLost()
                       ? "日本語の文字がすべて「?」になっています（日本語でない Windows で保存し直されたようです）。"
                         "OrvexEnv.txt を開かずに、そのまま添付して送ってもらってください。"
                       : "OrvexEnv の実行の記録（「実行開始：」の行）がありません。");
    else
        outcome_.attention = outcome_.attention || latestFacts.attention;
}

bool Inputs::seenBefore(const std::string& path) {
    const std::string identity = fileIdentity(path);
    return !identity.empty() && !seen_.insert(identity).second;
}

void Inputs::passOver(const std::string& path, const std::string& reason, bool inFolder) {
    if (!inFolder) return fail(path, reason);
    printer_.filePassedOver(displayName(path), reason);
}

int Inputs::ownOutput(const std::string& path) {
    if (ownIdentities_.empty()) {
        for (const std::string& own : ownOutputs_)
            if (std::string identity = own.empty() ? standardOutputIdentity() : fileIdentity(own); !identity.empty())
                ownIdentities_.emplace(identity, 1);
        for (const std::string& own : scratch_)
            if (std::string identity = fileIdentity(own); !identity.empty()) ownIdentities_.emplace(identity, 2);
    }
    const auto own = ownIdentities_.find(fileIdentity(path));
    return own == ownIdentities_.end() ? 0 : own->second;
}

void Inputs::fail(const std::string& path, const std::string& message) {
    const std::string name = displayName(path);
    output_.err("OrvexEnvRead: " + printable(name) + ": " + message + "\n");
    printer_.fileNotRead(name, message);
    outcome_.notRead = true;
}

}  // namespace orvex::reader
