// Whole runs against the scripted platform: the report's frame and the order
// of its checks, where the run ends early, the result file beside the exe, and
// the registry view every read uses.
#include <gtest/gtest.h>

#include <tuple>

#include "app/run.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const char kSeparator[] = "=================================================";
const char kStart[] = "実行開始：1970/01/01 09:00:00";  // the start time in the local calendar
const char kAnnouncement[] = "以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）";
const char kShownPath[] = "C:\\OrvexEnv\\OrvexEnv.txt";

// A machine whose last interactive user, CORP\user1, has the profile
// C:\Users\user1, with the tool in C:\OrvexEnv.
struct Machine {
    Machine() {
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", "CORP\\user1");
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", "CORP\\user1");
        addProfile(fake, "S-1-5-21-1", "C:\\Users\\user1");
        fake.localAppData = "C:\\Users\\user1\\AppData\\Local";
        fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
    }
    // The exit code. However the run ends, nothing it opened is left open.
    int run(const std::u16string& argv0 = u"C:\\OrvexEnv\\OrvexEnv.exe") {
        ReportWriter report(out, err);
        const int code = runChecks(fake, report, argv0, 0);
        expectNothingOpen(fake);
        return code;
    }
    Lines resultLines() { return fileLines(fake.appended[u"C:\\OrvexEnv\\OrvexEnv.txt"]); }

    FakePlatform fake;
    std::ostringstream out, err;
};

TEST(Run, ACompleteRunWritesItems1To41BetweenSeparatorsAndASecondRunAppends) {
    Machine machine;
    EXPECT_EQ(machine.run(), 0);
    const Lines lines = machine.resultLines();
    ASSERT_EQ(lines.size(), 44u);
    EXPECT_EQ(lines.front(), kSeparator);
    EXPECT_EQ(lines[1], kStart);
    for (int item = 1; item <= 41; ++item) EXPECT_EQ(std::stoi(lines[item + 1]), item) << lines[item + 1];
    EXPECT_EQ(lines.back(), kSeparator);
    // The checks in their order: the first line of each.
    const std::pair<int, std::string> firsts[] = {
        {1, "．OS情報 種類（名称）："}, {5, "．サービス情報"}, {6, "．署名モジュール Tessivan.dll"},
        {8, "．ブラウザ設定 信頼済みサイト"}, {17, "．ブラウザ設定 セキュリティゾーン"}, {18, "．ブラウザ設定 アドオン"},
        {21, "．ブラウザ設定 互換表示"}, {22, "．ブラウザ設定 ポップアップ"}, {31, "．Chrome拡張機能(Chrome用)"},
        {35, "．Chrome拡張機能(Edge用)"}, {39, "．ルベナ事前準備"}, {41, "．ソラム事前準備"},
    };
    for (const auto& [item, label] : firsts)
        EXPECT_EQ(lines[item + 1].rfind(std::to_string(item) + label, 0), 0u) << lines[item + 1];
    // The console: what is written where, then the file's lines but its separators.
    Lines console = {kAnnouncement, kShownPath};
    console.insert(console.end(), lines.begin() + 1, lines.end() - 1);
    EXPECT_EQ(consoleLines(machine.out.str()), console);
    EXPECT_EQ(machine.err.str(), "");
    EXPECT_EQ(machine.fake.pauses, 0);

    EXPECT_EQ(machine.run(), 0);
    Lines twice = lines;
    twice.insert(twice.end(), lines.begin(), lines.end());
    EXPECT_EQ(machine.resultLines(), twice);
}

TEST(Run, AnUnreadableLogonRecordOrProfileListEndsTheRunWithItsFailureLine) {
    // Before item 1: the logon records name no user, or the profile list fails part way.
    Machine noUser, noProfiles;
    noUser.fake.removeKey(RegRoot::LocalMachine, kLogonUi);
    noProfiles.fake.enumEndStatus = 5;  // ERROR_ACCESS_DENIED
    for (const auto& [machine, errorLine, fileLine] :
         {std::tuple{&noUser, "レジストリ情報の取得に失敗しました。main344\n", "レジストリ情報の取得に失敗しました。main345"},
          std::tuple{&noProfiles, "レジストリ情報の取得に失敗しました。main362\n",
                     "レジストリ情報の取得に失敗しました。main363"}}) {
        EXPECT_EQ(machine->run(), -1);
        EXPECT_EQ(machine->resultLines(), (Lines{kSeparator, kStart, fileLine}));
        EXPECT_EQ(machine->err.str(), errorLine);
        EXPECT_EQ(consoleLines(machine->out.str()), (Lines{kAnnouncement, kShownPath, kStart}));
    }

    // After item 30: the SAM user cannot be read. No closing separator.
    Machine noSamUser;
    noSamUser.fake.setDword(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", 1);
    EXPECT_EQ(noSamUser.run(), -1);
    const Lines lines = noSamUser.resultLines();
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines.front(), kSeparator);
    EXPECT_EQ(std::stoi(lines[31]), 30);
    EXPECT_EQ(lines[32], "レジストリ情報の取得に失敗しました。main726");
    EXPECT_EQ(noSamUser.err.str(), "レジストリ情報の取得に失敗しました。main725\n");
}

TEST(Run, TheResultFileIsOpenedByItsUtf16NameAndOneThatCannotBeOpenedEndsTheRunWithAPause) {
    const std::u16string exe = u"C:\\Café\\OrvexEnv.exe";
    const std::u16string file = u"C:\\Café\\OrvexEnv.txt";
    Machine cafe;
    EXPECT_EQ(cafe.run(exe), 0);
    EXPECT_EQ(cafe.fake.appended.size(), 1u);
    EXPECT_EQ(fileLines(cafe.fake.appended[file]).size(), 44u);
    // The console shows the path with '?' for what the ANSI code page lacks.
    EXPECT_EQ(consoleLines(cafe.out.str()).at(1), "C:\\Caf?\\OrvexEnv.txt");

    Machine locked;
    locked.fake.unopenable.insert(u"D:\\ro\\OrvexEnv.txt");
    EXPECT_EQ(locked.run(u"D:\\ro\\OrvexEnv.exe"), -1);
    EXPECT_EQ(locked.out.str(),
              "結果ファイルを作成できませんでした。結果ファイルを開いている場合は、閉じてから本ツールを実行してください。\n"
              "D:\\ro\\OrvexEnv.txt\n");
    EXPECT_EQ(locked.fake.pauses, 1);
    EXPECT_TRUE(locked.fake.openAccessMasks.empty());  // nothing was read
}

TEST(Run, EveryReadSeesTheViewOfTheArchitecture) {
    // 64-bit Windows, x64 or ARM64, is read in its native view, and a native
    // registration names a file of the native file system.
    const std::tuple<uint16_t, uint32_t, const char*, FileView> cases[] = {
        {9, 0x20119, "4．OS情報 bit数：64bit(9)", FileView::Native},
        {12, 0x20119, "4．OS情報 bit数：--bit(12)", FileView::Native},
        {0, 0x20019, "4．OS情報 bit数：32bit(0)", FileView::Process},
    };
    for (const auto& [architecture, mask, item4, view] : cases) {
        Machine machine;
        machine.fake.architecture = architecture;
        machine.fake.setString(RegRoot::ClassesRoot, "CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32",
                               "", "C:\\Windows\\System32\\Tessivan.dll");
        machine.fake.files["C:\\Windows\\System32\\Tessivan.dll"] = {};
        EXPECT_EQ(machine.run(), 0);
        EXPECT_EQ(machine.resultLines().at(5), item4);
        const std::vector<uint32_t>& masks = machine.fake.openAccessMasks;
        EXPECT_FALSE(masks.empty());
        EXPECT_EQ(masks, std::vector<uint32_t>(masks.size(), mask));
        EXPECT_EQ(machine.fake.fileViews, std::vector<FileView>{view});
    }
}

TEST(Run, ArchitectureNumbersMapToTheirBitnessAndRegistryView) {
    // ARM64 (12) has no bitness text but two registry views, as x64 has.
    const auto native = RegistryView::Native64;
    const auto other = RegistryView::Default;
    const std::tuple<uint16_t, const char*, RegistryView> cases[] = {
        {0, "32bit", other},   {1, "--bit", other},   {2, "--bit", other},   {3, "--bit", other},
        {4, "--bit", other},   {5, "--bit", other},   {6, "64bit", native},  {7, "64bit", native},
        {8, "--bit", other},   {9, "64bit", native},  {10, "64bit", native}, {11, "--bit", other},
        {12, "--bit", native}, {13, "--bit", other},  {0xFFFF, "--bit", other},
    };
    for (const auto& [architecture, bitness, view] : cases) {
        EXPECT_EQ(bitnessText(architecture), bitness) << architecture;
        EXPECT_EQ(registryViewFor(architecture), view) << architecture;
    }
}

TEST(Run, TheResultFilePathIsEverythingBeforeTheLastBackslash) {
    EXPECT_TRUE(resultFilePath(u"C:\\dir\\sub\\tool.exe") == u"C:\\dir\\sub\\OrvexEnv.txt");
    EXPECT_TRUE(resultFilePath(u"tool.exe") == u".\\OrvexEnv.txt");
    EXPECT_TRUE(resultFilePath(u"C:/dir/tool.exe") == u".\\OrvexEnv.txt");
    EXPECT_TRUE(resultFilePath(u"") == u".\\OrvexEnv.txt");
    EXPECT_TRUE(resultFilePath(u"\\tool.exe") == u"\\OrvexEnv.txt");
    // In UTF-16 every character is itself: one the ANSI code page lacks, or
    // one whose CP932 form ends in 0x5C (ソ), stays part of its folder.
    const std::u16string exe = u"C:\\Café\\ソフト\\OrvexEnv.exe";
    const std::u16string file = u"C:\\Café\\ソフト\\OrvexEnv.txt";
    EXPECT_TRUE(resultFilePath(exe) == file);
}

}  // namespace
}  // namespace orvex::testing
