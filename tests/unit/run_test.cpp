// Whole runs against the scripted platform: the result file beside the exe,
// where the run ends early, and the registry view every read uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/run.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

namespace fs = std::filesystem;

const char kSeparator[] = "=================================================";

bool isItem(const std::string& line) { return !line.empty() && line[0] >= '1' && line[0] <= '9'; }

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        do dir = fs::temp_directory_path() / ("orvex-run-" + std::to_string(random()));
        while (!fs::create_directory(dir));
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", "CORP\\user1");
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", "CORP\\user1");
        addProfile(fake, "S-1-5-21-1", "C:\\Users\\user1");
        fake.localAppData = "C:\\Users\\user1\\AppData\\Local";
        fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
    }
    void TearDown() override { fs::remove_all(dir); }

    // argv[0] as Windows gives it: the directory and the exe, joined by a backslash.
    int run(const std::string& exeDirectory) {
        ReportWriter report(out, err);
        return runChecks(fake, report, exeDirectory + "\\OrvexEnv.exe", 0);
    }
    int run() { return run(dir.string()); }
    std::vector<std::string> resultLines() {
        std::ifstream in(dir / "OrvexEnv.txt", std::ios::binary);
        return fileLines(std::string(std::istreambuf_iterator<char>(in), {}));
    }

    fs::path dir;
    FakePlatform fake;
    std::ostringstream out, err;
};

TEST_F(RunTest, ACompleteRunNumbersItsItemsWithoutGapsAndEndsWithTheSeparator) {
    EXPECT_EQ(run(), 0);
    auto lines = resultLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), kSeparator);
    EXPECT_EQ(lines[1].rfind("実行開始：", 0), 0u);
    EXPECT_EQ(lines.back(), kSeparator);
    int expected = 1;
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        ASSERT_TRUE(isItem(lines[i])) << lines[i];
        EXPECT_EQ(std::stoi(lines[i]), expected++);
    }
    EXPECT_NE(lines[lines.size() - 2].find("．ソラム事前準備セットアップ："), std::string::npos);
    EXPECT_EQ(out.str().rfind("以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）\n" +
                                  dir.string() + "\\OrvexEnv.txt\n実行開始：",
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

TEST_F(RunTest, OtherArchitecturesKeepTheDefaultView) {
    for (uint16_t architecture : {uint16_t{12}, uint16_t{0}}) {
        fake.architecture = architecture;
        fake.openAccessMasks.clear();
        EXPECT_EQ(run(), 0);
        ASSERT_FALSE(fake.openAccessMasks.empty());
        for (uint32_t mask : fake.openAccessMasks) EXPECT_EQ(mask, 0x20019u);
    }
    auto lines = resultLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "4．OS情報 bit数：--bit(12)"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "4．OS情報 bit数：32bit(0)"), lines.end());
}

TEST_F(RunTest, AResultFileThatCannotBeOpenedPausesAndEnds) {
    EXPECT_EQ(run((dir / "missing").string()), -1);
    EXPECT_EQ(out.str(),
              "結果ファイルを作成できませんでした。結果ファイルを開いている場合は、閉じてから本ツールを実行してください。\n" +
                  (dir / "missing").string() + "\\OrvexEnv.txt\n");
    EXPECT_EQ(fake.pauses, 1);
    EXPECT_TRUE(fake.openAccessMasks.empty());
}

}  // namespace
}  // namespace orvex::testing
