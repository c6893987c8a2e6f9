// A result file read into runs: appended runs and how each ended, the copy a
// mail client saved again as UTF-8, files joined from both, line ends
// converted on the way, copies of the console, and runs no tool writes as
// they are.
#include "reader/run_facts.h"
#include "reader_test_support.h"

namespace orvex::reader::testing {
namespace {

std::string withStart(std::string report, const std::string& time) {
    replaceAll(report, "2025/11/20 09:12:44", time);
    return report;
}

std::string withoutLine(std::string report, const std::string& start) {
    const std::size_t at = report.find(start);
    return report.erase(at, report.find('\n', at) + 1 - at);
}

TEST(Runs, AppendedRunsEachEndAsTheyDid) {
    const std::string complete = expectedReport("machine-ready");
    const std::string half = asTool(withStart(expectedReport("machine-half-ready"), "2025/11/25 08:00:00"));
    const std::string file =
        asTool(withStart(expectedReport("logon-user-missing"), "2025/11/20 09:00:00") +
               withStart(withoutLine(expectedReport("sam-user-missing"), u8"レジストリ情報"), "2025/11/21 09:00:00") +
               withStart(expectedReport("sam-user-missing"), "2025/11/22 09:00:00") +
               withStart(withoutLine(complete, u8"20．"), "2025/11/23 09:00:00") +
               withStart(complete, "2025/11/24 09:00:00") + "text after the closing separator\n") +
        half.substr(0, half.find(asTool(u8"20．")) + 30);  // cut inside item 20

    for (std::size_t piece : {std::size_t(1), std::size_t(4096), file.size()}) {
        SCOPED_TRACE(piece);
        const std::vector<reader::Run> runs = readRuns(file, piece);
        ASSERT_EQ(runs.size(), 6u);
        const RunEnd ends[] = {RunEnd::Failure, RunEnd::Interrupted, RunEnd::Failure,
                               RunEnd::ItemsMissing, RunEnd::Complete, RunEnd::Cut};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(runs[i].number, i + 1);
            EXPECT_EQ(runs[i].end(), ends[i]) << "run " << i + 1;
            EXPECT_EQ(runs[i].started, "2025/11/2" + std::to_string(i) + (i == 5 ? " 08:00:00" : " 09:00:00"));
            EXPECT_EQ(needsAttention(runs[i]), i != 4);
        }
        EXPECT_EQ(runs[0].endingFailure, 345);
        EXPECT_EQ(runs[1].lastItem, 30);
        EXPECT_TRUE(runs[1].failures.empty());
        EXPECT_EQ(runs[2].endingFailure, 726);
        EXPECT_FALSE(item(runs[3], 20).present);
        EXPECT_EQ(runs[4].otherLines, 0);
        EXPECT_EQ(runs[5].lastItem, 19);  // the cut line is not judged
        EXPECT_FALSE(item(runs[5], 20).present);
    }
}

TEST(Runs, MailedCopiesInUtf8ReadLikeTheOriginal) {
    const std::string utf8 = expectedReport("machine-half-ready");
    const reader::Run original = readRuns(asTool(utf8))[0];
    std::string crlf = utf8;
    replaceAll(crlf, "\n", "\r\n");
    const std::string bom = u8"\uFEFF";
    const struct {
        std::string bytes;
        Encoding encoding;
    } copies[] = {{utf8, Encoding::Utf8}, {bom + utf8, Encoding::Utf8}, {bom + crlf, Encoding::Utf8},
                  {utf8ToCp932(utf8), Encoding::Cp932}};
    for (const auto& copy : copies) {
        const std::vector<reader::Run> runs = readRuns(copy.bytes);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].encoding, copy.encoding);
        EXPECT_TRUE(runs[0].complete());
        for (int n = 1; n <= kItemCount; ++n) {
            EXPECT_EQ(item(runs[0], n).judgement.verdict, item(original, n).judgement.verdict) << n;
            EXPECT_EQ(item(runs[0], n).text, item(original, n).text);
        }
    }
}

TEST(Runs, EachRunReadsInItsOwnEncodingWhateverTheLineEnds) {
    const std::string sam = withStart(expectedReport("sam-user-missing"), "2025/11/20 09:00:00");
    const std::string half = withStart(expectedReport("machine-half-ready"), "2025/11/21 09:00:00");
    const std::string ready = withStart(expectedReport("machine-ready"), "2025/11/22 09:00:00");
    std::string halfCrlf = half;
    replaceAll(halfCrlf, "\n", "\r\n");
    // A mailed UTF-8 copy (LF), a second one joined by hand (byte-order mark,
    // CR LF), a note in UTF-8, then the tool's next run.
    const std::string joined = sam + u8"\uFEFF" + halfCrlf + asTool(u8"メモ：設定を直してもらいました\n" + ready);
    std::string crcrlf = joined, cr = joined;
    replaceAll(crcrlf, "\r\n", "\n");
    replaceAll(crcrlf, "\n", "\r\r\n");
    replaceAll(cr, "\r\n", "\n");
    replaceAll(cr, "\n", "\r");

    const std::string originals[] = {sam, half, ready};
    const Encoding encodings[] = {Encoding::Utf8, Encoding::Utf8, Encoding::Cp932};
    const RunEnd ends[] = {RunEnd::Failure, RunEnd::Complete, RunEnd::Complete};
    for (const std::string& file : {joined, crcrlf, cr}) {
        const std::vector<reader::Run> runs = readRuns(file, 1);
        ASSERT_EQ(runs.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const reader::Run original = readRuns(asTool(originals[i]))[0];
            EXPECT_EQ(runs[i].encoding, encodings[i]);
            EXPECT_EQ(runs[i].end(), ends[i]);
            EXPECT_EQ(runs[i].started, original.started);
            EXPECT_EQ(runs[i].otherLines, 0);
            for (int n = 1; n <= kItemCount; ++n) {
                EXPECT_EQ(item(runs[i], n).judgement.verdict, item(original, n).judgement.verdict) << n;
                EXPECT_EQ(item(runs[i], n).text, item(original, n).text);
            }
        }
    }
}

TEST(Runs, ConsoleCopiesReadAsOneRunEach) {
    // Copied out of the window: announcement lines, the start line, the items
    // and failure lines, the prompt after them; no separators.
    const std::string ready = consoleCopy("machine-ready");
    const std::string file = asTool(ready + u8"C:\\OrvexEnv>\n" + consoleCopy("sam-user-missing") +
                                    u8"レジストリ情報の取得に失敗しました。main725\n" + ready) +
                             "=================================================\r\n";
    const std::vector<reader::Run> runs = readRuns(asTool(ready.substr(0, ready.find(u8"38．"))) + file);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].end(), RunEnd::Interrupted);
    EXPECT_EQ(runs[1].end(), RunEnd::Complete);
    EXPECT_EQ(runs[1].otherLines, 0);  // the prompt comes after the run
    EXPECT_EQ(runs[2].end(), RunEnd::Failure);
    EXPECT_EQ(runs[2].endingFailure, 725);
    EXPECT_EQ(runs[3].end(), RunEnd::Complete);
}

TEST(Runs, OddLinesAreReadAsADeskNeedsThem) {
    std::string report = withStart(expectedReport("machine-ready"), "");
    // Item 17's text numbered 12, before the real item 12.
    const std::size_t zone = report.find(u8"17．") + 2;
    report.insert(report.find(u8"12．"), "12" + report.substr(zone, report.find('\n', zone) + 1 - zone));
    // Item 18 after item 20.
    const std::size_t at18 = report.find(u8"18．");
    const std::string line18 = report.substr(at18, report.find(u8"19．") - at18);
    report.erase(at18, line18.size());
    report.insert(report.find(u8"21．"), line18);
    report.insert(report.find(u8"22．"), u8"これは OrvexEnv の行ではありません\n42．ブラウザ設定\n");
    report.insert(report.find(u8"40．"), u8"5．サービス情報 Smart Card Services：スマートカードサービスは停止中です(3)\n");
    report.replace(report.find("3.1.0"), 5, std::string(10 * 1024 * 1024, 'v'));

    const std::vector<reader::Run> runs = readRuns(asTool(report), 64 * 1024);
    ASSERT_EQ(runs.size(), 1u);
    const reader::Run& run = runs[0];
    EXPECT_TRUE(run.complete());
    EXPECT_EQ(run.started, "");  // the start line holds no time
    // Item 12 is the first line numbered 12: item 17's text under another number.
    EXPECT_EQ(item(run, 12).judgement.verdict, Verdict::Unread);
    EXPECT_NE(hint(12, item(run, 12).judgement).find(u8"項目 12 として"), std::string::npos);
    EXPECT_EQ(run.repeatedItems, 2);  // the real item 12 and the second item 5, the first of each kept
    EXPECT_EQ(item(run, 5).judgement.verdict, Verdict::Ok);
    EXPECT_TRUE(run.outOfOrder);
    EXPECT_EQ(run.otherLines, 1);
    ASSERT_EQ(run.laterItems.size(), 1u);  // an item of a later OrvexEnv, as this reader takes it
    EXPECT_EQ(run.laterItems[0].number, 42);
    EXPECT_EQ(run.longLines, 1);
    // The line's first 64 KiB as the file holds them (CP932), then decoded.
    const std::string label = u8"39．ルベナ事前準備セットアップ：";
    EXPECT_EQ(item(run, 39).text, label + std::string(kMaxLineBytes - asTool(label).size(), 'v'));
    EXPECT_EQ(item(run, 39).judgement.verdict, Verdict::Ok);
    EXPECT_EQ(itemsJudged(run, Verdict::Unread), std::vector<int>{12});
    EXPECT_TRUE(needsAttention(run));
}

}  // namespace
}  // namespace orvex::reader::testing

namespace orvex::reader::testing {
namespace {

// A later OrvexEnv writes more items than this reader knows: its run, as a
// file and as a copy of the console, reads complete, the items it does not
// know kept as unknown; what follows the console's items still closes it.
TEST(Runs, ALaterToolsRunReadsCompleteWithItsUnknownItems) {
    std::string later = expectedReport("machine-ready");
    replaceAll(later, u8"41．ソラム事前準備セットアップ：1.0.5\n",
               u8"41．ソラム事前準備セットアップ：1.0.5\n42．新しい項目：OK\n43．もう一つ：NG\n");
    std::string console = consoleCopy("machine-ready");
    replaceAll(console, u8"41．ソラム事前準備セットアップ：1.0.5\n",
               u8"41．ソラム事前準備セットアップ：1.0.5\n42．新しい項目：OK\nC:\\OrvexEnv>\n");
    const std::vector<reader::Run> file = readRuns(asTool(later));
    const std::vector<reader::Run> copy = readRuns(asTool(console + console));
    ASSERT_EQ(file.size(), 1u);
    ASSERT_EQ(copy.size(), 2u);
    for (const reader::Run& run : {file[0], copy[0], copy[1]}) {
        EXPECT_EQ(run.end(), RunEnd::Complete);
        EXPECT_EQ(run.otherLines, 0);
        ASSERT_FALSE(run.laterItems.empty());
        EXPECT_EQ(run.laterItems[0].number, 42);
        EXPECT_EQ(run.laterItems[0].text, u8"42．新しい項目：OK");
        EXPECT_EQ(run.count(Verdict::Unknown), static_cast<int>(run.laterItems.size()));
        EXPECT_FALSE(needsAttention(run));
    }
    EXPECT_EQ(file[0].laterItems.size(), 2u);
}

}  // namespace
}  // namespace orvex::reader::testing

namespace orvex::reader::testing {
namespace {

std::string withoutLastSeparator(std::string report) {
    return report.erase(report.rfind("=================================================\n"));
}

// Every way a run ends, and what the desk is told: each early end, each
// failure that ends a run by both of its numbers (the console's and the
// file's), a run that reaches its last item but not its closing separator.
TEST(Runs, EachWayARunEndsAndWhatTheDeskIsTold) {
    const std::string ready = expectedReport("machine-ready");
    const std::string console = consoleCopy("machine-ready");
    const std::string separator = "=================================================\n";
    const std::string start = separator + u8"実行開始：2025/11/20 09:12:44\n";
    const std::string again = u8"もう一度 OrvexEnv を実行してください。";
    const std::string signIn = u8"パソコンの利用者が Windows にサインインし直してから、もう一度 OrvexEnv を実行してください。";
    const std::string logon = u8"途中で終わっています。最後にログオンしたユーザーをレジストリから読めませんでした。" + signIn;
    const std::string profiles = u8"途中で終わっています。ユーザーのプロファイル一覧をレジストリから読めませんでした。パソコンの管理者に相談してください。";
    const std::string account = u8"項目 30 の後で終わっています。最後にログオンしたユーザーのアカウント名をレジストリから読めず、項目 31 以降は調べられていません。" + signIn;
    const std::string failedAt = start + u8"レジストリ情報の取得に失敗しました。main";
    const std::string upTo30 = expectedReport("sam-user-missing").substr(0, expectedReport("sam-user-missing").find(u8"レジストリ情報"));
    const struct {
        const char* what;
        std::string file;
        RunEnd end;
        std::string told;
    } cases[] = {
        {"complete", ready, RunEnd::Complete, u8"最後まで実行されています。"},
        {"a copy of the console", console, RunEnd::Complete, u8"最後まで実行されています。"},
        {"item 41 without the closing separator", withoutLastSeparator(ready), RunEnd::Cut,
         u8"ファイルが項目 41 の後で切れています。結果ファイルを全部送ってもらってください。"},
        {"item 41, then the next run", withoutLastSeparator(ready) + ready, RunEnd::Interrupted,
         u8"項目 41 の後で終わり、次の実行が始まっています。もう一度 OrvexEnv を実行して、最後まで終わるのを待ってもらってください。"},
        {"a copy of the console cut after item 30", console.substr(0, console.find(u8"31．")), RunEnd::Cut,
         u8"ファイルが項目 30 の後で切れています。結果ファイルを全部送ってもらってください。"},
        {"the start line alone", start, RunEnd::Cut, u8"ファイルが開始の直後で切れています。結果ファイルを全部送ってもらってください。"},
        {"item 20 lacking", withoutLine(ready, u8"20．"), RunEnd::ItemsMissing,
         u8"終わりの区切り線はありますが、項目 20 がありません（ファイルが書き換えられた可能性があります）。"
         u8"もう一度 OrvexEnv を実行してもらってください。"},
        {"the last logon, console's number", failedAt + "344\n", RunEnd::Failure, logon},
        {"the last logon, file's number", failedAt + "345\n" + separator, RunEnd::Failure, logon},
        {"the profile list, console's number", failedAt + "362\n", RunEnd::Failure, profiles},
        {"the profile list, file's number", failedAt + "363\n", RunEnd::Failure, profiles},
        {"the account name, console's number", upTo30 + u8"レジストリ情報の取得に失敗しました。main725\n", RunEnd::Failure, account},
        {"the account name, file's number", upTo30 + u8"レジストリ情報の取得に失敗しました。main726\n", RunEnd::Failure, account},
        {"a lookup of another number", failedAt + "999\n", RunEnd::Failure, u8"途中で終わっています。" + again},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<reader::Run> runs = readRuns(asTool(c.file));
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs[0].end(), c.end);
        EXPECT_EQ(howItEnded(runs[0]), c.told);
        EXPECT_EQ(needsAttention(runs[0]), c.end != RunEnd::Complete);
        // Said to the person at the PC: no word for the desk, and the file to the desk when doing it again fails.
        const std::string atThePc = howItEnded(runs[0], Audience::Taxpayer);
        EXPECT_EQ(atThePc.find(u8"もらって"), std::string::npos) << atThePc;
        EXPECT_EQ(atThePc.find(u8"OrvexEnv.txt をヘルプデスクに送ってください。") != std::string::npos,
                  c.end != RunEnd::Complete)
            << atThePc;
    }
}

// What each state of the smart card service asks of the desk.
TEST(Runs, EverySmartCardStateHasItsVerdictAndHint) {
    const std::string start = u8"「サービス」で Smart Card を開始し、スタートアップの種類を「自動」にしてください。";
    const std::string wait = u8"スマートカードサービスが起動の途中でした。少し待ってから、もう一度 OrvexEnv を実行してください。";
    const std::string unknown = u8"スマートカードサービスの状態が分かりませんでした。「サービス」で Smart Card が実行中か確かめてください。";
    const std::string label = u8"5．サービス情報 Smart Card Services：スマートカードサービス";
    const struct {
        std::string line;
        Verdict verdict;
        std::string hint;
    } cases[] = {
        {label + u8"は実行中ではありません(1)", Verdict::Action, start},
        {label + u8"は起動中です(2)", Verdict::Action, wait},
        {label + u8"は停止中です(3)", Verdict::Action, start},
        {label + u8"は実行中です(4)", Verdict::Ok, ""},
        {label + u8"の再開は未処理です(5)", Verdict::Action, wait},
        {label + u8"の一時停止は未処理です(6)", Verdict::Action, start},
        {label + u8"は一時停止されています(7)", Verdict::Action, start},
        {label + u8"の状態が取得できませんでした(8)", Verdict::Unread, unknown},
        {label + u8"の状態が取得できませんでした(-1)", Verdict::Unread, unknown},
        {u8"5．サービス情報 Smart Card Services：情報を取得できませんでした。", Verdict::Unread,
         u8"スマートカードサービスの状態を読めませんでした。「サービス」に Smart Card があるか確かめてください。"},
        {label + u8"は実行中です(44)", Verdict::Unread,
         u8"項目 5 として OrvexEnv が書く形の行ではありません（ファイルが書き換えられたか壊れています）。もう一度 OrvexEnv を実行してもらってください。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Judgement judgement = judgeItem(5, utf8ToCp932(c.line));
        EXPECT_EQ(judgement.verdict, c.verdict);
        EXPECT_EQ(hint(5, judgement), c.hint);
        // The same at the PC, but for a line no text fits, which goes to the help desk.
        const std::string atThePc = hint(5, judgement, Audience::Taxpayer);
        EXPECT_TRUE(judgement.form >= 0 ? atThePc == c.hint : atThePc.find(u8"ヘルプデスクに送って") != std::string::npos);
    }
}

}  // namespace
}  // namespace orvex::reader::testing
