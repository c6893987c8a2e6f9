// Each output form on inline runs read by the real reader: what changed
// between two runs, what no single item shows, control and layout
// characters in every form, and the page's markup (what a file's section
// says first, its class, every text escaped, tooltips included).
#include "reader/csv_printer.h"
#include "reader/json_printer.h"
#include "reader/page_markup.h"
#include "reader/run_facts.h"
#include "reader/summary_printer.h"
#include "reader_test_support.h"

namespace orvex::reader::testing {
namespace {

// The machine-ready report with item's line replaced, or taken out when line is empty.
std::string withItem(int item, const std::string& line, std::string report = expectedReport("machine-ready")) {
    const std::size_t at = report.find("\n" + std::to_string(item) + u8"．") + 1;
    return report.replace(at, report.find('\n', at) + 1 - at, line.empty() ? "" : line + "\n");
}

reader::Run runOf(const std::string& report) { return readRuns(asTool(report)).at(0); }

const std::string kCard = u8"5．サービス情報 Smart Card Services：";

TEST(Forms, ChangesBetweenRunsInTheSummaryTheRecordsAndThePage) {
    const std::string stopped = kCard + u8"スマートカードサービスは実行中ではありません(1)";
    const std::string unread = kCard + u8"情報を取得できませんでした。";
    const std::string ready = expectedReport("machine-ready");
    const std::string neither = u8"1 回目から直った項目も、新たに要対応になった項目もありません。";
    const struct {
        std::string before, after;
        int item;
        std::string from, to, summary;
    } cases[] = {
        {withItem(5, stopped), withItem(5, unread), 5, "action", "unread", neither},
        {ready, withItem(5, ""), 5, "ok", "missing", neither},
        {ready, withItem(33, ""), 33, "info", "missing", neither},
        {withItem(5, ""), ready, 5, "missing", "ok", neither},
        {withItem(5, stopped), ready, 5, "action", "ok", u8"1 回目から直った項目：5"},
        {withItem(5, unread), ready, 5, "unread", "ok", u8"1 回目から直った項目：5"},
        {ready, withItem(5, unread), 5, "ok", "unread", u8"1 回目から新たに要対応・読めずになった項目：5"},
        {withItem(5, ""), withItem(5, stopped), 5, "missing", "action", u8"1 回目から新たに要対応・読めずになった項目：5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from + " to " + c.to);
        reader::Run before = runOf(c.before), after = runOf(c.after);
        after.number = 2;
        EXPECT_TRUE(has(jsonRecord("f", after, factsOf(after, &before)),
                        R"("changed":[{"from":")" + c.from + R"(","item":)" + std::to_string(c.item) + R"(,"to":")" + c.to +
                            R"("}])"));
        EXPECT_TRUE(has(summaryText("f", after, factsOf(after, &before), 2), "  " + c.summary + "\n"));
        // The page says it as the summary does, after the run before's number and start.
        EXPECT_TRUE(has(fileSection(1, "f", after, factsOf(after, &before), 2),
                        u8"<p class=changes>前回（1 回目、2025/11/20 09:12:44）から" + c.summary.substr(std::string(u8"1 回目から").size())))
            << fileSection(1, "f", after, factsOf(after, &before), 2);
    }
}

TEST(Forms, TheExtensionOnInNoBrowserIsAFindingOnlyWhenEveryStateLineSaysSo) {
    const std::string off = u8"：off", none = u8"：インストールされていません", on = u8"：on";
    const struct {
        std::string chrome, edge;  // the value of items 31, 32 and of 35, 36
        bool onNowhere;
    } cases[] = {{none, none, true}, {off, off, true}, {off, none, true}, {none, on, false}, {on, off, false},
                 {none, "", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chrome + " " + c.edge);
        std::string report = expectedReport("machine-ready");
        for (int item : {31, 32, 35, 36}) {
            const std::size_t at = report.find("\n" + std::to_string(item) + u8"．") + 1;
            const std::size_t colon = report.rfind(u8"：", report.find('\n', at));
            const std::string value = item < 35 ? c.chrome : c.edge;
            report = value.empty() ? withItem(item, "", report)
                                   : report.replace(colon, report.find('\n', at) - colon, value);
        }
        const reader::Run run = runOf(report);
        EXPECT_EQ(findings(run).size(), c.onNowhere ? 1u : 0u);
        EXPECT_EQ(has(summaryText("f", run, factsOf(run, nullptr), 1), u8"[要対応] 拡張機能はどのブラウザでも有効になっていません（項目 31、32、35、36）。"),
                  c.onNowhere);
        EXPECT_EQ(has(jsonRecord("f", run, factsOf(run, nullptr)), R"("findings":["extension-on-nowhere"])"), c.onNowhere);
    }
}

// What a file holds never reaches a terminal, a spreadsheet or a page as a
// command, nor lays out the text around it otherwise: in a line and in a
// file's name, every form shows "?" where JSON escapes the character.
TEST(Forms, ControlAndLayoutCharactersInEveryForm) {
    const struct {
        std::string character, escaped;
    } cases[] = {{"\x01", "\\u0001"},      {"\x1b", "\\u001b"},      {"\x7f", "\\u007f"},
                 {u8"\u0085", "\\u0085"},  {u8"\u009b", "\\u009b"},  {u8"\u061c", "\\u061c"},
                 {u8"\u200b", "\\u200b"},  {u8"\u200d", "\\u200d"},  {u8"\u200f", "\\u200f"},
                 {u8"\u2028", "\\u2028"},  {u8"\u202e", "\\u202e"},  {u8"\u2066", "\\u2066"},
                 {u8"\u2069", "\\u2069"},  {u8"\ufeff", "\\ufeff"}};
    const std::string line = u8"21．ブラウザ設定 互換表示設定：OK";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.escaped);
        // A mailed UTF-8 copy: the line keeps the character as the file holds it.
        const reader::Run run = readRuns(withItem(21, line + c.character + "X")).at(0);
        const std::string name = "a" + c.character + "b.txt";
        const std::string summary = summaryText(name, run, factsOf(run, nullptr), 1), csv = csvRow(name, run, factsOf(run, nullptr));
        const std::string page = fileSection(1, name, run, factsOf(run, nullptr), 1) + gridRow(1, name, run);
        EXPECT_TRUE(has(summary, u8"■ a?b.txt\n") && has(summary, line + "?X\n")) << summary;
        EXPECT_TRUE(has(csv, "\"a?b.txt\",") && has(csv, "\"" + line + "?X\"")) << csv;
        EXPECT_TRUE(has(page, "<h3>a?b.txt</h3>") && has(page, "title=\"a?b.txt\"") && has(page, line + "?X</p>") &&
                    has(page, "title=\"" + line + "?X\""))
            << page;
        const std::string json = jsonRecord(name, run, factsOf(run, nullptr));
        EXPECT_TRUE(has(json, "\"a" + c.escaped + "b.txt\"") && has(json, line + c.escaped + "X\"")) << json;
        for (const std::string& form : {summary, csv, page, json}) EXPECT_FALSE(has(form, c.character));
    }
}

// A file's section says first whether the desk must act and on how many
// lines; how the run ended has its own words and look; its class marks it;
// every text of a file and its name is escaped, tooltips included.
TEST(Forms, ThePageSaysWhatToDoFirstAndEscapesEveryText) {
    const std::string tricky = u8"<b>\"A\"&'B'";
    const std::string escaped = u8"&lt;b&gt;&quot;A&quot;&amp;&#39;B&#39;";
    const struct {
        const char* what;
        std::string report;
        std::string section;  // how it begins, after the file's name
        std::string ended;
    } cases[] = {
        {"ready", expectedReport("machine-ready"),
         u8"<p class=status><span class=\"tag ok\">問題なし</span>対応する行はありません <span class=\"run complete\">実行完了</span>",
         ""},
        {"half ready", withItem(21, u8"21．ブラウザ設定 互換表示設定：OK" + tricky, expectedReport("machine-half-ready")),
         u8"<p class=status><span class=\"tag action\">要対応</span>対応する行 14 行 <span class=\"run complete\">実行完了</span>",
         ""},
        {"ended early", expectedReport("sam-user-missing"),
         u8"<p class=status><span class=\"tag action\">要対応</span>対応する行 20 行 <span class=\"run incomplete\">実行未完了</span>",
         u8"<p class=end>項目 30 の後で終わっています。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const reader::Run run = runOf(c.report);
        const std::string section = fileSection(7, "week/" + tricky + ".txt", run, factsOf(run, nullptr), 1);
        const std::string head = std::string("<section class=\"file") + (needsAttention(run) ? " attention" : "") +
                                 "\" id=\"f7\">\n<h3>week/" + escaped + ".txt</h3>\n";
        EXPECT_EQ(section.substr(0, head.size() + c.section.size()), head + c.section);
        // How a run that did not end has its own line; one that did, its tag alone.
        EXPECT_EQ(has(section, "<p class=end>"), !c.ended.empty()) << section;
        EXPECT_TRUE(has(section, c.ended)) << section;
        const std::string row = gridRow(7, "week/" + tricky + ".txt", run);
        EXPECT_EQ(row.rfind(u8"<tr id=\"g7\"><th><a href=\"#f7\" title=\"week/" + escaped + u8".txt\">week/" + escaped +
                                ".txt</a></th>",
                            0),
                  0u);
        EXPECT_FALSE(has(section + row, tricky));
    }
    const reader::Run half = runOf(cases[1].report);
    EXPECT_TRUE(has(fileSection(1, "f", half, factsOf(half, nullptr), 1), u8"互換表示設定：OK" + escaped + "</p>"));
    EXPECT_TRUE(has(gridRow(1, "f", half), u8"<td class=unread title=\"21．ブラウザ設定 互換表示設定：OK" + escaped + "\">"));
    const std::string notRead = notReadSection(3, tricky, tricky) + gridRowNotRead(3, tricky, tricky);
    EXPECT_TRUE(has(notRead, "<h3>" + escaped + "</h3>") && has(notRead, "title=\"" + escaped + "\"") &&
                !has(notRead, tricky))
        << notRead;
    EXPECT_TRUE(has(pageHead(), "width:calc(24em + " + std::to_string(kItemCount) + " * 18px)"));
}

}  // namespace
}  // namespace orvex::reader::testing
