#include "report/report_writer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orvex {
namespace {

struct Streams {
    std::ostringstream out, err, file;
    ReportWriter report{out, err, file};
};

TEST(ReportWriter, ItemLineGoesToConsoleThenFileWithCrLfInTheFile) {
    Streams s;
    EXPECT_EQ(s.report.writeItem(9, "．ラベル：", "a", -3, uint32_t{4294967295u}, uint16_t{9}), 10);
    EXPECT_EQ(s.out.str(), "9．ラベル：a-34294967295" "9\n");
    EXPECT_EQ(s.file.str(), "9．ラベル：a-34294967295" "9\r\n");
    EXPECT_EQ(s.err.str(), "");
}

TEST(ReportWriter, EmptyPieceEndsTheLineAfterTheLabelAndNumbersHaveNoPadding) {
    Streams s;
    s.report.writeItem(10, "．X：", "");
    s.report.writeItem(9, "．X：");
    EXPECT_EQ(s.file.str(), "10．X：\r\n9．X：\r\n");
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

TEST(ReportWriter, FailureLinesCarryTheirOwnNumberOnEachStream) {
    Streams s;
    s.report.writeFailure(kLastLoggedOnUserUnreadable);
    s.report.writeFailure(kOsNameQueryFailed);
    s.report.writeFailure(kRtlGetVersionMissing);
    EXPECT_EQ(s.err.str(), "レジストリ情報の取得に失敗しました。main344\nOS情報の取得に失敗しました。getOSName48\n");
    EXPECT_EQ(s.file.str(), "レジストリ情報の取得に失敗しました。main345\r\nOS情報取得に失敗しました。GetVersion220\r\n");
    EXPECT_EQ(s.out.str(), "");
}

TEST(ReportWriter, FailedResultFileDropsFileOnlyFailuresButTheConsoleGoesOn) {
    Streams s;
    s.report.writeItem(1, "．A：");
    s.file.setstate(std::ios::badbit);
    s.report.writeFailure(kNtdllNotLoadable);
    s.report.writeItem(2, "．B：");
    EXPECT_EQ(s.file.str(), "1．A：\r\n");
    EXPECT_EQ(s.out.str(), "1．A：\n2．B：\n");
}

TEST(ReportWriter, SeparatorAndAnnouncementGoToOneStreamEach) {
    Streams s;
    s.report.writeConsoleLine("console");
    s.report.writeFileLine("file");
    s.report.writeLine("both");
    EXPECT_EQ(s.out.str(), "console\nboth\n");
    EXPECT_EQ(s.file.str(), "file\r\nboth\r\n");
}

}  // namespace
}  // namespace orvex
