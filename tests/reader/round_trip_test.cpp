// Every report the Wine scenarios expect, written as the tool writes it and
// read back: each line keeps its text and gets the verdict of the desk's
// table, said here again in the report's own words.
#include "reader/command.h"
#include "reader/run_facts.h"
#include "reader_test_support.h"

namespace orvex::reader::testing {
namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Verdict tableVerdict(int item, const std::string& line) {
    if (item <= 4 || item == 33 || item == 34 || item == 37 || item == 38) return Verdict::Info;
    if (item == 5)
        return endsWith(line, u8"実行中です(4)")                                   ? Verdict::Ok
               : has(line, u8"取得できませんでした") ? Verdict::Unread
                                                                                   : Verdict::Action;
    if (item <= 7)
        return has(line, u8"更新日付：")             ? Verdict::Ok
               : endsWith(line, u8"情報を取得できません。") ? Verdict::Unread
                                                            : Verdict::Action;
    if (item <= 16) return endsWith(line, u8" 設定されています。") ? Verdict::Ok : Verdict::Action;
    if (item == 17)
        return endsWith(line, u8"OK (NO.69632)")           ? Verdict::Ok
               : has(line, u8"情報取得に失敗しました。") ? Verdict::Unread
                                                          : Verdict::Action;
    if (item <= 30) return endsWith(line, u8"：OK") ? Verdict::Ok : Verdict::Action;
    if (item <= 36)
        return endsWith(line, u8"：on") ? Verdict::Ok : endsWith(line, u8"：off") ? Verdict::Action : Verdict::Info;
    if (item <= 41) return endsWith(line, u8"インストールされていません") ? Verdict::Action : Verdict::Ok;
    ADD_FAILURE() << "the desk's table has no verdict for item " << item << ": add it here";
    return Verdict::Unknown;
}

TEST(RoundTrip, EveryScenarioReportReadsBackWithTheTablesVerdicts) {
    int reports = 0;
    for (const fs::directory_entry& scenario : fs::directory_iterator(kScenarios)) {
        for (const fs::directory_entry& file : fs::directory_iterator(scenario.path())) {
            const std::string name = file.path().filename().string();
            if (name.rfind("expected", 0) != 0) continue;
            SCOPED_TRACE(scenario.path().filename().string() + "/" + name);
            const std::string utf8 = expectedReport(scenario.path().filename().string(), name);
            const std::vector<reader::Run> runs = readRuns(asTool(utf8));
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0].started, "2025/11/20 09:12:44");
            EXPECT_EQ(runs[0].encoding, Encoding::Cp932);
            int lines = 0;
            for (std::size_t start = 0, end; (end = utf8.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::string line = utf8.substr(start, end - start);
                const int number = std::atoi(line.c_str());
                if (number == 0) continue;
                ++lines;
                ASSERT_TRUE(item(runs[0], number).present) << line;
                EXPECT_EQ(item(runs[0], number).judgement.verdict, tableVerdict(number, line)) << line;
                EXPECT_EQ(item(runs[0], number).text, line);
            }
            int present = 0;
            for (const ItemLine& entry : runs[0].items) present += entry.present ? 1 : 0;
            EXPECT_EQ(present, lines);  // nothing read that the report does not hold
            ++reports;
        }
    }
    EXPECT_GE(reports, 40);
}

TEST(RoundTrip, WholeMachinesAndEarlyEndsAsTheirScenariosSay) {
    const reader::Run ready = readRuns(asTool(expectedReport("machine-ready")))[0];
    EXPECT_TRUE(ready.complete());
    EXPECT_FALSE(needsAttention(ready));

    const reader::Run half = readRuns(asTool(expectedReport("machine-half-ready")))[0];
    EXPECT_TRUE(half.complete());
    EXPECT_EQ(itemsJudged(half, Verdict::Action),
              (std::vector<int>{5, 7, 10, 11, 14, 16, 17, 19, 21, 24, 27, 29, 35, 41}));
    EXPECT_EQ(itemsJudged(half, Verdict::Info), (std::vector<int>{1, 2, 3, 4, 33, 34, 36, 37, 38}));

    const reader::Run wrongTypes = readRuns(asTool(expectedReport("fault-registry-wrong-types")))[0];
    EXPECT_EQ(itemsJudged(wrongTypes, Verdict::Unread), (std::vector<int>{5, 17}));

    const reader::Run sam = readRuns(asTool(expectedReport("sam-user-missing")))[0];
    EXPECT_EQ(sam.end(), RunEnd::Failure);
    EXPECT_EQ(sam.endingFailure, 726);
    EXPECT_EQ(sam.lastItem, 30);

    const reader::Run logon = readRuns(asTool(expectedReport("logon-user-missing")))[0];
    EXPECT_EQ(logon.end(), RunEnd::Failure);
    EXPECT_EQ(logon.endingFailure, 345);
    ASSERT_EQ(logon.failures.size(), 1u);
    EXPECT_EQ(logon.failures[0], u8"レジストリ情報の取得に失敗しました。main345");
    EXPECT_TRUE(needsAttention(logon));
}

// Result files kept at the desk, frozen as the tool of 41 items wrote them
// (a file of four runs, a copy of the console, a copy mailed back in UTF-8),
// with what this reader made of them when they were stored: every later
// reader reads them alike.
TEST(StoredReports, ReadAsTheyAlwaysHave) {
    const std::string stored = ORVEX_STORED;
    for (const auto& [form, expected] : {std::pair{"--all", "summary.expected"}, std::pair{"--json", "records.expected"}}) {
        std::string out;
        Output output;
        output.out = [&out](const std::string& text, bool) { out += text; };
        output.err = [](const std::string& text) { ADD_FAILURE() << text; };
        const std::vector<std::string> files = {stored + "/OrvexEnv.txt", stored + "/console.txt", stored + "/mailed.txt"};
        EXPECT_EQ(exitCode(runReader({form, files[0], files[1], files[2]}, output)), 1);
        replaceAll(out, stored + "/", "");
        EXPECT_EQ(out, fileBytes(fs::path(stored) / expected)) << form;
    }
}

}  // namespace
}  // namespace orvex::reader::testing
