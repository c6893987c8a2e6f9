// Whole runs against the scripted platform: the result file beside the exe,
// where the run ends early, and the registry view every read uses.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/run.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const char kSeparator[] = "=================================================";
const std::u16string kExe = u"C:\\OrvexEnv\\OrvexEnv.exe";
const std::u16string kResultFile = u"C:\\OrvexEnv\\OrvexEnv.txt";

bool isItem(const std::string& line) { return !line.empty() && line[0] >= '1' && line[0] <= '9'; }

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", "CORP\\user1");
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", "CORP\\user1");
        addProfile(fake, "S-1-5-21-1", "C:\\Users\\user1");
        fake.localAppData = "C:\\Users\\user1\\AppData\\Local";
        fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
    }

    int run(const std::u16string& argv0 = kExe) {
        ReportWriter report(out, err);
        return runChecks(fake, report, argv0, 0);
    }
    std::vector<std::string> resultLines() { return fileLines(fake.appended[kResultFile]); }

    FakePlatform fake;
    std::ostringstream out, err;
};

TEST_F(RunTest, ACompleteRunNumbersItsItemsWithoutGapsAndEndsWithTheSeparator) {
    EXPECT_EQ(run(), 0);
    auto lines = resultLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), kSeparator);
    EXPECT_EQ(lines[1], "実行開始：1970/01/01 09:00:00");  // the start time in the local calendar
    EXPECT_EQ(lines.back(), kSeparator);
    int expected = 1;
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        ASSERT_TRUE(isItem(lines[i])) << lines[i];
        EXPECT_EQ(std::stoi(lines[i]), expected++);
    }
    EXPECT_NE(lines[lines.size() - 2].find("．ソラム事前準備セットアップ："), std::string::npos);
    EXPECT_EQ(out.str().rfind("以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）\n"
                              "C:\\OrvexEnv\\OrvexEnv.txt\n実行開始：",
                              0),
              0u);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(fake.pauses, 0);
}

TEST_F(RunTest, ASecondRunIsAppended) {
    EXPECT_EQ(run(), 0);
    const std::size_t first = resultLines().size();
    EXPECT_EQ(run(), 0);
    auto lines = resultLines();
    EXPECT_EQ(lines.size(), 2 * first);
    EXPECT_EQ(lines[first - 1], kSeparator);
    EXPECT_EQ(lines[first], kSeparator);
}

TEST_F(RunTest, MissingLastLoggedOnUserEndsTheRunRightAfterTheStartLine) {
    fake.removeKey(RegRoot::LocalMachine, kLogonUi);
    EXPECT_EQ(run(), -1);
    auto lines = resultLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "レジストリ情報の取得に失敗しました。main345");
    EXPECT_EQ(err.str(), "レジストリ情報の取得に失敗しました。main344\n");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "CoInitializeEx"), 0);
}

TEST_F(RunTest, MissingSamUserEndsTheRunAfterTheIeItemsWithoutTheClosingSeparator) {
    fake.setDword(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", 1);
    EXPECT_EQ(run(), -1);
    auto lines = resultLines();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines.back(), "レジストリ情報の取得に失敗しました。main726");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kSeparator), 1);
    // Separator, start line, items 1 to n, the failure line: item n comes right before it.
    EXPECT_EQ(std::stoi(lines[lines.size() - 2]), static_cast<int>(lines.size()) - 3);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.find("事前準備") != std::string::npos; }));
    EXPECT_EQ(err.str(), "レジストリ情報の取得に失敗しました。main725\n");
}

TEST_F(RunTest, SixtyFourBitWindowsReadsEveryKeyInTheNativeView) {
    fake.architecture = 9;
    EXPECT_EQ(run(), 0);
    ASSERT_FALSE(fake.openAccessMasks.empty());
    for (uint32_t mask : fake.openAccessMasks) EXPECT_EQ(mask, 0x20119u);
    EXPECT_EQ(resultLines().at(5), "4．OS情報 bit数：64bit(9)");
}

TEST_F(RunTest, ArmWindowsReadsTheNativeViewAndOpensNativeRegistrationsWithoutRedirection) {
    fake.architecture = 12;
    fake.setString(RegRoot::ClassesRoot, "CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32", "",
                   "C:\\Windows\\System32\\Tessivan.dll");
    fake.files["C:\\Windows\\System32\\Tessivan.dll"] = {};
    EXPECT_EQ(run(), 0);
    for (uint32_t mask : fake.openAccessMasks) EXPECT_EQ(mask, 0x20119u);
    EXPECT_EQ(fake.fileViews, std::vector<FileView>{FileView::Native});
    EXPECT_EQ(resultLines().at(5), "4．OS情報 bit数：--bit(12)");
}

TEST_F(RunTest, ThirtyTwoBitWindowsKeepsTheDefaultView) {
    fake.architecture = 0;
    EXPECT_EQ(run(), 0);
    ASSERT_FALSE(fake.openAccessMasks.empty());
    for (uint32_t mask : fake.openAccessMasks) EXPECT_EQ(mask, 0x20019u);
    EXPECT_EQ(resultLines().at(5), "4．OS情報 bit数：32bit(0)");
}

TEST_F(RunTest, AResultFileThatCannotBeOpenedPausesAndEnds) {
    fake.unopenable.insert(u"D:\\ro\\OrvexEnv.txt");
    EXPECT_EQ(run(u"D:\\ro\\OrvexEnv.exe"), -1);
    EXPECT_EQ(out.str(),
              "結果ファイルを作成できませんでした。結果ファイルを開いている場合は、閉じてから本ツールを実行してください。\n"
              "D:\\ro\\OrvexEnv.txt\n");
    EXPECT_EQ(fake.pauses, 1);
    EXPECT_TRUE(fake.openAccessMasks.empty());
}

TEST_F(RunTest, TheFileIsOpenedByItsUtf16NameAndShownWithQuestionMarksForWhatTheCodePageLacks) {
    const std::u16string exe = u"C:\\Café\\OrvexEnv.exe";
    const std::u16string file = u"C:\\Café\\OrvexEnv.txt";
    EXPECT_EQ(run(exe), 0);
    EXPECT_FALSE(fileLines(fake.appended[file]).empty());
    EXPECT_EQ(fake.appended.size(), 1u);
    EXPECT_NE(out.str().find("\nC:\\Caf?\\OrvexEnv.txt\n"), std::string::npos);
}

}  // namespace
}  // namespace orvex::testing
