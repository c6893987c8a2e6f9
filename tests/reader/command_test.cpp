// The command as the desk runs it: files that cannot be read among good ones,
// the exit code, the summary and the records.
#include <picojson.h>

#include <algorithm>
#include <fstream>
#ifdef __linux__
#include <sys/stat.h>
#endif

#include "reader/command.h"
#include "reader/csv_printer.h"
#include "reader_test_support.h"

namespace orvex::reader::testing {
namespace {

struct Captured {
    std::string out, err;
    int exitCode = -1;
};

Captured runCommand(const std::vector<std::string>& arguments) {
    Captured captured;
    Output output;
    output.out = [&captured](const std::string& text, bool) { captured.out += text; };
    output.err = [&captured](const std::string& text) { captured.err += text; };
    captured.exitCode = exitCode(runReader(arguments, output));
    return captured;
}

TEST(Command, BadFilesAreNamedWhileTheOthersAreStillReported) {
    TempDir dir;
    const std::string good = (dir / "good.txt").string();
    writeBytes(good, asTool(expectedReport("machine-ready")));
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 7 % 256);
    const std::string noRun = u8"OrvexEnv の実行の記録（「実行開始：」の行）がありません。";
    const std::string notAFile = u8"ファイルではありません（パイプや装置などは読みません）。結果ファイルを指定してください。";
    struct Bad {
        std::string path;
        std::string message;
    };
    std::vector<Bad> bad = {
        {(dir / "binary.dat").string(), noRun},
        {(dir / "empty.txt").string(), noRun},
        {(dir / "norun.txt").string(), noRun},
        {(dir / "unicode.txt").string(), noRun},
        {(dir / "unicode-no-mark.txt").string(), noRun},
        {(dir / "folder").string(), u8"フォルダーの中に .txt のファイルがありません。"},
        {(dir / "missing.txt").string(), u8"ファイルを開けません（No such file or directory）。"},
    };
    writeBytes(dir / "binary.dat", binary);
    writeBytes(dir / "empty.txt", "");
    writeBytes(dir / "norun.txt", "Hello\r\n=================================================\r\n");
    writeBytes(dir / "unicode.txt", std::string("\xFF\xFE" "a\0\r\0\n\0", 8));
    writeBytes(dir / "unicode-no-mark.txt", std::string("\0=\0=\0=\0=\0\r\0\n", 12));
    fs::create_directory(dir / "folder");
#ifdef __linux__
    // A FIFO that nothing writes to and a device that never ends: refused at once, not waited on.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    bad.push_back({(dir / "fifo").string(), notAFile});
    bad.push_back({"/dev/zero", notAFile});
#endif

    std::vector<std::string> arguments = {"--json", good};
    for (const Bad& file : bad) arguments.push_back(file.path);
    arguments.push_back(good);  // named again: read once
    const Captured captured = runCommand(arguments);
    EXPECT_EQ(captured.exitCode, 2);
    std::vector<picojson::object> records;
    for (std::size_t start = 0, end; (end = captured.out.find('\n', start)) != std::string::npos; start = end + 1) {
        picojson::value record;
        ASSERT_EQ(picojson::parse(record, captured.out.substr(start, end - start)), "");
        records.push_back(record.get<picojson::object>());
    }
    // Every file has its record in turn, the bad ones with why on standard error too.
    ASSERT_EQ(records.size(), bad.size() + 1);
    std::string messages;
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(records[i + 1].at("file").get<std::string>(), bad[i].path);
        EXPECT_EQ(records[i + 1].at("error").get<std::string>(), bad[i].message) << bad[i].path;
        messages += "OrvexEnvRead: " + bad[i].path + ": " + bad[i].message + "\n";
    }
    EXPECT_EQ(captured.err, messages);

    const picojson::object& object = records.front();
    EXPECT_EQ(object.at("file").get<std::string>(), good);
    EXPECT_EQ(object.at("run").get<double>(), 1);
    EXPECT_EQ(object.at("started").get<std::string>(), "2025/11/20 09:12:44");
    EXPECT_TRUE(object.at("complete").get<bool>());
    EXPECT_TRUE(object.at("failures").get<picojson::array>().empty());
    const picojson::array& items = object.at("items").get<picojson::array>();
    ASSERT_EQ(items.size(), 41u);
    const picojson::object& fifth = items[4].get<picojson::object>();
    EXPECT_EQ(fifth.at("item").get<double>(), 5);
    EXPECT_EQ(fifth.at("text").get<std::string>(),
              u8"5．サービス情報 Smart Card Services：スマートカードサービスは実行中です(4)");
    EXPECT_EQ(fifth.at("verdict").get<std::string>(), "ok");
}

TEST(Command, ExitCodeAndSummaryFollowTheLatestRunOfEveryFile) {
    TempDir dir;
    const std::string fixedLater = (dir / "fixed-later.txt").string();
    writeBytes(fixedLater, asTool(expectedReport("sam-user-missing") + expectedReport("machine-ready")));
    const std::string halfReady = (dir / "half-ready.txt").string();
    writeBytes(halfReady, asTool(expectedReport("machine-ready") + expectedReport("machine-half-ready")));
    const std::string nothing = (dir / "nothing.txt").string();
    writeBytes(nothing, asTool(expectedReport("machine-nothing-installed")));

    const Captured latest = runCommand({fixedLater});
    EXPECT_EQ(latest.exitCode, 0);
    EXPECT_TRUE(has(latest.out, u8"2 回分の実行のうち最新（2 回目）"));
    EXPECT_TRUE(has(latest.out, u8"最後まで実行されています。"));
    EXPECT_FALSE(has(latest.out, u8"[要対応]"));
    EXPECT_TRUE(has(latest.out, u8"問題なし：33 / 41 項目（要対応 0、読めず 0、参考 8）"));

    const Captured all = runCommand({"--all", fixedLater});
    EXPECT_TRUE(has(all.out, u8"1 回目の実行") && has(all.out, u8"2 回目の実行"));
    EXPECT_TRUE(has(all.out, u8"項目 30 の後で終わっています。"));
    EXPECT_TRUE(has(all.out, u8"記録された失敗：レジストリ情報の取得に失敗しました。main726"));

    const Captured both = runCommand({fixedLater, halfReady, nothing});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_EQ(both.err, "");
    EXPECT_TRUE(has(both.out, u8"[要対応] 35．Chrome拡張機能(Edge用)：Preferences：off\n"
                              u8"           → Edge で拡張機能がオフになっています。"));
    EXPECT_TRUE(has(both.out, u8"→ 「ソラム事前準備セットアップ」を実行（インストール）してください。"));
    EXPECT_TRUE(has(both.out, u8"→ インターネットオプションの信頼済みサイトに https://recv.efile.orvex.example を"));
    // The extension note belongs to the machine with nothing installed only.
    const std::size_t note = both.out.find(u8"拡張機能はどのブラウザでも有効になっていません");
    ASSERT_NE(note, std::string::npos);
    EXPECT_GT(note, both.out.find(nothing));
    EXPECT_EQ(both.out.find(u8"拡張機能はどのブラウザでも", note + 1), std::string::npos);
}

TEST(Command, CsvHasOneQuotedRowPerRunForASpreadsheet) {
    TempDir dir;
    const std::string file = (dir / "OrvexEnv.txt").string();
    std::string report = expectedReport("machine-half-ready");
    replaceAll(report, u8"：3.0.2", u8"：3\"0,2");
    writeBytes(file, asTool(report + expectedReport("logon-user-missing")));

    const Captured captured = runCommand({"--csv", file});
    EXPECT_EQ(captured.exitCode, 1);
    std::vector<std::string> rows;
    for (std::size_t start = 0, end; (end = captured.out.find("\r\n", start)) != std::string::npos; start = end + 2)
        rows.push_back(captured.out.substr(start, end - start));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind(u8"\uFEFF\"file\",\"run\",\"started\",\"complete\",\"ended\",\"attention\","
                            "\"item 1\",\"verdict 1\",", 0),
              0u);
    EXPECT_TRUE(has(rows[0], "\"item 41\",\"verdict 41\""));
    EXPECT_EQ(rows[1].rfind("\"" + file + "\",\"1\",\"2025/11/20 09:12:44\",\"true\",\"complete\",\"true\",\"1", 0), 0u);
    EXPECT_TRUE(has(rows[1], u8",\"39．ルベナ事前準備セットアップ：3\"\"0,2\",\"ok\","));
    std::string empty;
    for (int i = 0; i < 2 * kItemCount; ++i) empty += ",\"\"";
    EXPECT_EQ(rows[2], "\"" + file + "\",\"2\",\"2025/11/20 09:12:44\",\"false\",\"failure\",\"true\"" + empty + ",\"\",\"\",\"false\"");

    // A file named like a formula stays text in a spreadsheet; a name that
    // begins with "-" is a file after "--".
    for (const std::string name : {"=HYPERLINK(\"http://x.example\")", "+1+1.txt", "-2+3.txt", "@SUM(1,1).txt"})
        EXPECT_EQ(csvRow(name, reader::Run(), factsOf(reader::Run(), nullptr)).rfind("\"'" + name.substr(0, 4), 0), 0u) << name;
    EXPECT_TRUE(has(runCommand({"--csv", "-2+3.txt"}).err, u8"-- の後に"));
}

TEST(Command, ExtensionOnInNoBrowserNeedsAttentionInEveryOutput) {
    TempDir dir;
    const std::string file = (dir / "OrvexEnv.txt").string();
    std::string report = expectedReport("machine-ready");
    replaceAll(report, u8"：on\n", u8"：インストールされていません\n");
    writeBytes(file, asTool(report));

    const Captured summary = runCommand({file});
    EXPECT_EQ(summary.exitCode, 1);
    EXPECT_TRUE(has(summary.out, u8"  [要対応] 拡張機能はどのブラウザでも有効になっていません（項目 31、32、35、36）。\n"
                                 u8"           → Chrome か Edge で拡張機能を追加して、有効にしてください。\n"
                                 u8"  問題なし：29 / 41 項目（要対応 0、読めず 0、参考 12、実行全体の要対応 1）\n"));

    const Captured json = runCommand({"--json", file});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(has(json.out, R"("attention":true,"changed":null,"complete":true,"encoding":"cp932","ended":"complete","error":null,)"));
    EXPECT_TRUE(has(json.out, R"("findings":["extension-on-nowhere"],)"));
    EXPECT_TRUE(has(runCommand({"--csv", file}).out, R"("2025/11/20 09:12:44","true","complete","true","1)"));
}

TEST(Command, ControlCharactersNeverReachTheScreenOrASpreadsheet) {
    TempDir dir;
    // Item 21 edited (ESC sequences, BEL, CR, NUL, a byte that is no CP932),
    // then a UTF-8 copy with a C1 control character (CSI) in it.
    std::string edited = expectedReport("machine-ready");
    replaceAll(edited, u8"互換表示設定：OK", u8"互換表示設定：OK\x1b]0;x\x07\x1b[2J\r" + std::string(1, '\0') + "#");
    std::string bytes = asTool(edited);
    // No character at all: 0x85 is a lead byte CP932 leaves unassigned, so no
    // text the compiler writes holds it; the reader must show U+FFFD for it.
    const std::string notCp932 = {static_cast<char>(0x85), '@'};
    replaceAll(bytes, "#", notCp932);
    std::string copy = expectedReport("machine-ready");
    replaceAll(copy, u8"互換表示設定：OK", u8"互換表示設定：OK\u009b2J");
    std::string name = (dir / "result").string();
#ifndef _WIN32
    name += "\x1b[2J";
#endif
    writeBytes(name, bytes + copy);

    const Captured summary = runCommand({"--all", name});
    EXPECT_TRUE(has(summary.out, u8"■ " + (dir / "result").string()));
    EXPECT_TRUE(has(summary.out, u8"[読めず] 21．ブラウザ設定 互換表示設定：OK?]0;x??[2J??\uFFFD@\n"));
    EXPECT_TRUE(has(summary.out, u8"[読めず] 21．ブラウザ設定 互換表示設定：OK?2J\n"));
    EXPECT_FALSE(has(summary.out, "\x1b") || has(summary.out, "\r") || has(summary.out, u8"\u009b"));

    const Captured json = runCommand({"--json", name});
    EXPECT_TRUE(has(json.out, R"(OK\u001b]0;x\u0007\u001b[2J\r\u0000)" + std::string(u8"\uFFFD@\"")));
    EXPECT_TRUE(has(json.out, R"(OK\u009b2J")"));

    const Captured csv = runCommand({"--csv", name});
    EXPECT_TRUE(has(csv.out, u8"\"21．ブラウザ設定 互換表示設定：OK?]0;x??[2J??\uFFFD@\",\"unread\""));
    EXPECT_FALSE(has(csv.out, "\x1b"));
}

#ifdef __linux__
// The 1 GB file is a sparse one: a run whose item 33 goes on for a gigabyte of zero bytes.
TEST(Command, GigabyteFileIsReadAsItStreams) {
    TempDir dir;
    const fs::path path = dir / "large.txt";
    const std::string report = asTool(expectedReport("machine-ready"));
    const std::size_t split = report.find(asTool(u8"：1.2.0")) + asTool(u8"：").size();
    writeBytes(path, report.substr(0, split));
    fs::resize_file(path, split + (std::uintmax_t(1) << 30));
    std::ofstream(path, std::ios::binary | std::ios::app) << report.substr(split);

    const Captured captured = runCommand({"--json", path.string()});
    EXPECT_EQ(captured.exitCode, 0);
    EXPECT_TRUE(has(captured.out, "\"complete\":true"));
    std::ifstream status("/proc/self/status");
    // The peak resident memory, in kB: far below the file's size.
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) != 0) continue;
        EXPECT_LT(std::atol(line.c_str() + 6), 400L * 1024) << line;
    }
}
#endif

// Lists as a desk writes them: lines whose last has no line end, names each
// ended by a NUL (find -print0), and on Windows the ANSI code page (what
// "dir /b /s > list.txt" writes).
TEST(Command, ListsInEveryShapeADeskWrites) {
    TempDir dir;
    const fs::path first = dir.path() / fs::u8path(u8"佐藤.txt"), second = dir.path() / fs::u8path(u8"鈴木 花子.txt");
    writeBytes(first, asTool(expectedReport("machine-ready")));
    writeBytes(second, asTool(expectedReport("machine-half-ready")));
    const std::string a = first.u8string(), b = second.u8string();
    std::vector<std::pair<std::string, std::string>> lists = {
        {"lines", a + "\r\n\r\n" + b},
        {"NULs", a + '\0' + b + '\0'},
    };
#ifdef _WIN32
    lists.emplace_back("ANSI", utf8ToCp932(a + "\r\n" + b + "\r\n"));
#endif
    for (const auto& [shape, bytes] : lists) {
        writeBytes(dir / "list", bytes);
        const Captured listed = runCommand({"--overview", "--files-from", (dir / "list").u8string()});
        EXPECT_EQ(listed.exitCode, 1) << shape;
        EXPECT_EQ(listed.err, "") << shape;
        EXPECT_TRUE(has(listed.out, u8"読んだファイル：2（読めなかったファイル：0）\n")) << shape << listed.out;
    }
}

#ifdef ORVEX_WEEK
// The desk's week as a folder: every .txt below it once, in path order, one
// overview across the files, what changed between the runs of one file.
TEST(Command, AWeekInAFolder) {
    const fs::path week = ORVEX_WEEK;
    const std::string sato = (week / u8"佐藤" / "OrvexEnv.txt").string();
    const Captured summary = runCommand({week.string()});
    EXPECT_EQ(summary.exitCode, 2);  // the empty file
    EXPECT_EQ(summary.err, u8"OrvexEnvRead: " + (week / u8"受付 12月" / "empty.txt").string() +
                               u8": OrvexEnv の実行の記録（「実行開始：」の行）がありません。\n");
    std::vector<std::size_t> at;
    for (const char* name : {u8"佐藤/OrvexEnv.txt", u8"受付 12月/鈴木 花子.TXT", u8"受付 12月/高橋/console.txt",
                             u8"受付 12月/高橋/old mail.txt", u8"田中 太郎.txt", u8"■ 概要"})
        at.push_back(summary.out.find(name));
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos) << summary.out;
    EXPECT_FALSE(has(summary.out, u8"メモ.md"));
    EXPECT_TRUE(has(summary.out, u8"  2 回目から直った項目：5、7、10～11、14、16～17、19、21、24、27、29、35、41\n"));
    const std::string overview = summary.out.substr(at.back());
    EXPECT_EQ(overview, runCommand({"--overview", week.string()}).out);
    EXPECT_EQ(overview.rfind(u8"■ 概要\n"
                             u8"  読んだファイル：5（読めなかったファイル：1）\n"
                             u8"  読まなかったファイル：1（結果ファイルでない名前や種類のもの。--all で名前を表示）\n"
                             u8"  実行：最後まで終わった 6、途中で終わった 1\n"
                             u8"  最新の実行で要対応・読めずの項目（多い順）：\n"
                             u8"    5．サービス情報 Smart Card Services：3 ファイル\n"
                             u8"    7．署名モジュール Quennel.ocx：3 ファイル\n"
                             u8"    10．ブラウザ設定 信頼済みサイト https://start.efile.orvex.example：3 ファイル\n", 0),
              0u) << overview;
    EXPECT_TRUE(has(overview, u8"    35．Chrome拡張機能(Edge用)：Preferences：1 ファイル\n"
                              u8"    39．ルベナ事前準備セットアップ：1 ファイル\n"));
    EXPECT_TRUE(has(overview, u8"  拡張機能がどのブラウザでも有効でない最新の実行：1\n\n"));

    // The second run of a file says what changed since the first; the first has changed null.
    const Captured json = runCommand({"--json", sato});
    std::vector<picojson::object> records;
    for (std::size_t start = 0, end; (end = json.out.find('\n', start)) != std::string::npos; start = end + 1) {
        picojson::value record;
        ASSERT_EQ(picojson::parse(record, json.out.substr(start, end - start)), "");
        records.push_back(record.get<picojson::object>());
    }
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(records[0].at("changed").is<picojson::null>());
    const picojson::array& changed = records[1].at("changed").get<picojson::array>();
    ASSERT_EQ(changed.size(), 20u);
    EXPECT_EQ(picojson::value(changed[6]).serialize(), R"({"from":"ok","item":17,"to":"action"})");
    EXPECT_EQ(picojson::value(changed[15]).serialize(), R"({"from":"info","item":31,"to":"ok"})");
    EXPECT_EQ(records[2].at("changed").get<picojson::array>().size(), 15u);

    // However many files, one byte-order mark and one header row; a file
    // named again beside its folder is read once.
    const Captured csv = runCommand({"--csv", week.string(), sato});
    EXPECT_EQ(csv.out.rfind(u8"\uFEFF\"file\"", 0), 0u);
    EXPECT_EQ(csv.out.find(u8"\uFEFF", 1), std::string::npos);
    EXPECT_EQ(csv.out.find("\"file\"", 10), std::string::npos);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 1 + 7 + 2);  // empty.txt not read, メモ.md passed over

    // A list of files, CR LF and an empty line among them.
    TempDir dir;
    writeBytes(dir / "list.txt", sato + "\r\n\r\n" + (week / u8"田中 太郎.txt").string() + "\r\n");
    const Captured listed = runCommand({"--overview", "--files-from", (dir / "list.txt").string()});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(has(listed.out, u8"読んだファイル：2（読めなかったファイル：0）\n  実行：最後まで終わった 4、"));
    fs::create_directory(dir / "notes");
    writeBytes(dir / "notes" / "note.md", "");
    const Captured noResults = runCommand({"--overview", (dir / "notes").string()});
    EXPECT_EQ(noResults.exitCode, 2);
    EXPECT_TRUE(has(noResults.err, u8"フォルダーの中に .txt のファイルがありません。")) << noResults.err;
}
#endif

}  // namespace
}  // namespace orvex::reader::testing
