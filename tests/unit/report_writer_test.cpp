// The one writer of text: report lines on the console and, with CR LF, in the
// result file; failure lines where their site says; every line one line.
#include "report/report_writer.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace orvex::testing {
namespace {

TEST(ReportWriter, ItemsGoToBothStreamsAndTheOtherLinesToTheirOwn) {
    Streams s;
    s.report.writeConsoleLine("console");
    s.report.writeFileLine("file");
    s.report.writeLine("both");
    // Numbers without padding, signed or unsigned as their type is; an empty
    // piece, or none, ends the line right after the label.
    s.report.writeItem(9, "．ラベル：", "a", -3, uint32_t{4294967295u}, uint16_t{9});
    s.report.writeItem(10, "．X：", "");
    s.report.writeItem(11, "．Y：");
    EXPECT_EQ(s.out.str(), "console\nboth\n9．ラベル：a-34294967295" "9\n10．X：\n11．Y：\n");
    EXPECT_EQ(s.file.str(), "file\r\nboth\r\n9．ラベル：a-34294967295" "9\r\n10．X：\r\n11．Y：\r\n");
    EXPECT_EQ(s.err.str(), "");
}

TEST(ReportWriter, EveryLineStaysOneLineWhateverItsValueHolds) {
    Streams s;
    // A newline followed by text shaped like an item, CR LF, a lone CR, NUL,
    // ESC, BEL, a tab and DEL: each becomes one '?'. Double-byte characters
    // (表 ends in 0x5C, ソ too) and the line ends the writer adds stay.
    const std::string value = std::string("1.0\n39．ルベナ：3\r\nx\ry") + '\0' + "\x1b[2J\a\t\x7f表ソ";
    s.report.writeItem(33, "．V：", value);
    s.report.writeLine(std::string("start\n2．forged"));
    const std::string line = "33．V：1.0?39．ルベナ：3??x?y?" "?[2J???表ソ";
    EXPECT_EQ(s.out.str(), line + "\nstart?2．forged\n");
    EXPECT_EQ(s.file.str(), line + "\r\nstart?2．forged\r\n");
}

TEST(ReportWriter, FailureLinesCarryTheirStreamsNumberAndAFailedFileLosesOnlyItsOwnLines) {
    using namespace catalogue;
    Streams s;
    s.report.writeFailure(kLastLoggedOnUserUnreadable);  // both streams
    s.report.writeFailure(kOsNameQueryFailed);           // the error stream only
    s.report.writeFailure(kRtlGetVersionMissing);        // the result file only
    s.report.writeItem(1, "．A：");
    s.file.setstate(std::ios::badbit);
    s.report.writeFailure(kNtdllNotLoadable);
    s.report.writeItem(2, "．B：");
    EXPECT_EQ(s.err.str(), "レジストリ情報の取得に失敗しました。main344\nOS情報の取得に失敗しました。getOSName48\n");
    EXPECT_EQ(s.file.str(), "レジストリ情報の取得に失敗しました。main345\r\nOS情報取得に失敗しました。GetVersion220\r\n"
                            "1．A：\r\n");
    EXPECT_EQ(s.out.str(), "1．A：\n2．B：\n");
}

}  // namespace
}  // namespace orvex::testing
