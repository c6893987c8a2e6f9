// What the reader's tests share: the reports the Wine scenarios expect, made
// into files as the tool writes them, and read back into runs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "reader/result_file.h"
#include "reader/text_conversion.h"

namespace orvex::reader::testing {

namespace fs = std::filesystem;

inline const fs::path kScenarios = ORVEX_SCENARIOS;

inline std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

inline void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
}

// A scenario's expected report (UTF-8, LF) with what the machine decides filled in.
inline std::string expectedReport(const std::string& scenario, const std::string& name = "expected.txt") {
    std::string text = fileBytes(kScenarios / scenario / name);
    replaceAll(text, "{START}", "2025/11/20 09:12:44");
    replaceAll(text, "{OS_CAPTION}", "Microsoft Windows 10 Pro");
    replaceAll(text, "{OS_MAJOR}", "10");
    replaceAll(text, "{OS_MINOR}", "0");
    replaceAll(text, "{OS_BUILD}", "19045");
    replaceAll(text, "{OS_SP}", "");
    replaceAll(text, "{BITNESS}", "64bit(9)");
    replaceAll(text, "{QUENNEL_DATE}", "2020/07/01 08:00:00.500");  // components-system32's, by the shipped exe
    return text;
}

// The console of a scenario's run: the announcement, then the report's lines
// without separators and failure lines (those the console shows on standard error).
inline std::string consoleCopy(const std::string& scenario) {
    const std::string report = expectedReport(scenario);
    std::string copy = u8"以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）\n"
                       u8"C:\\OrvexEnv\\OrvexEnv.txt\n";
    for (std::size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = report.substr(start, end - start + 1);
        if (line.rfind("=====", 0) != 0 && line.find(u8"取得に失敗しました。main") == std::string::npos) copy += line;
    }
    return copy;
}

// UTF-8 text with LF as the tool writes it: CP932 with CR LF.
inline std::string asTool(const std::string& utf8) {
    std::string text = utf8;
    replaceAll(text, "\n", "\r\n");
    return utf8ToCp932(text);
}

// The runs of a file's bytes, handed to the reader in pieces of the given size.
inline std::vector<Run> readRuns(const std::string& bytes, std::size_t piece = 7) {
    std::vector<Run> runs;
    ResultFileReader reader([&runs](Run& run) { runs.push_back(run); });
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        reader.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    reader.finish();
    return runs;
}

inline const ItemLine& item(const Run& run, int number) { return run.items[static_cast<std::size_t>(number - 1)]; }

inline std::vector<int> itemsJudged(const Run& run, Verdict verdict) {
    std::vector<int> items;
    for (int n = 1; n <= kItemCount; ++n)
        if (item(run, n).present && item(run, n).judgement.verdict == verdict) items.push_back(n);
    return items;
}

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        path_ = fs::temp_directory_path() / ("orvex-reader-" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace orvex::reader::testing
