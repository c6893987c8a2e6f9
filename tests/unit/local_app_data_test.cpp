// The target user's local application data directory, derived from the
// running account's by putting the target user's profile folder in its place.
#include <gtest/gtest.h>

#include "app/target_user.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

class LocalAppDataTest : public ::testing::Test {
protected:
    void samUser(const std::string& account) {
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", account);
    }
    // The directory, or "(off)" when the flag is off.
    std::string resolve(const std::string& runningDirectory) {
        fake.localAppData = runningDirectory;
        LocalAppData result;
        result.known = true;
        EXPECT_TRUE(resolveTargetLocalAppData(fake, registry, s.report, result));
        return result.known ? result.directory : "(off)";
    }

    FakePlatform fake;
    Registry registry{fake};
    Streams s;
};

TEST_F(LocalAppDataTest, AdminRunningForADomainUserTakesTheSuffixedFolderWhenItExists) {
    samUser("CORP\\user1");
    fake.existingPaths = {"C:\\Users\\user1.CORP"};
    EXPECT_EQ(resolve("C:\\Users\\admin\\AppData\\Local"), "C:\\Users\\user1.CORP\\AppData\\Local");
    EXPECT_EQ(fake.pathsTested, std::vector<std::string>{"C:\\Users\\user1.CORP"});

    fake.existingPaths.clear();
    EXPECT_EQ(resolve("C:\\Users\\admin\\AppData\\Local"), "C:\\Users\\user1\\AppData\\Local");
    EXPECT_EQ(s.err.str() + s.file.str() + s.out.str(), "");
}

TEST_F(LocalAppDataTest, ALocalAccountsCandidateCarriesTheComputerName) {
    samUser(".\\user1");
    fake.existingPaths = {"C:\\Users\\user1.PC01"};
    EXPECT_EQ(resolve("C:\\Users\\admin\\AppData\\Local"), "C:\\Users\\user1.PC01\\AppData\\Local");

    samUser("user1");
    EXPECT_EQ(resolve("C:\\Users\\admin\\AppData\\Local"), "C:\\Users\\user1.PC01\\AppData\\Local");

    fake.computerName.reset();  // the name cannot be had: user1 and a dot
    fake.pathsTested.clear();
    EXPECT_EQ(resolve("C:\\Users\\admin\\AppData\\Local"), "C:\\Users\\user1\\AppData\\Local");
    EXPECT_EQ(fake.pathsTested, std::vector<std::string>{"C:\\Users\\user1."});
}

TEST_F(LocalAppDataTest, TheTargetUserRunningItselfEndsWhereItStarted) {
    samUser("CORP\\user1");
    EXPECT_EQ(resolve("C:\\Users\\user1\\AppData\\Local"), "C:\\Users\\user1\\AppData\\Local");
}

TEST_F(LocalAppDataTest, OnlyTheFolderAfterUsersIsReplaced) {
    samUser("CORP\\user1");
    fake.existingPaths = {"C:\\Users\\user1.CORP"};
    EXPECT_EQ(resolve("C:\\Users\\users\\AppData\\Local"), "C:\\Users\\user1.CORP\\AppData\\Local");
    fake.existingPaths.clear();
    EXPECT_EQ(resolve("C:\\Users\\c\\AppData\\Local"), "C:\\Users\\user1\\AppData\\Local");
    EXPECT_EQ(resolve("c:\\users\\ADMIN\\appdata\\local"), "c:\\users\\user1\\appdata\\local");
}

TEST_F(LocalAppDataTest, ADirectoryOutsideAnyUsersFolderTurnsTheFlagOff) {
    samUser("CORP\\user1");
    EXPECT_EQ(resolve("D:\\Profiles\\admin\\AppData\\Local"), "(off)");
    EXPECT_TRUE(fake.pathsTested.empty());
}

TEST_F(LocalAppDataTest, AShellFailureLeavesTheDirectoryEmptyAndTheFlagOff) {
    samUser("CORP\\user1");
    fake.localAppData.reset();
    LocalAppData result;
    EXPECT_TRUE(resolveTargetLocalAppData(fake, registry, s.report, result));
    EXPECT_FALSE(result.known);
    EXPECT_EQ(result.directory, "");
    EXPECT_EQ(s.err.str() + s.file.str(), "");
}

TEST_F(LocalAppDataTest, DoubleByteFoldersAreReplacedWhole) {
    samUser("表計算\\ソウタ");
    fake.existingPaths = {"C:\\Users\\ソウタ.表計算"};
    EXPECT_EQ(resolve("C:\\Users\\アキラ\\AppData\\Local"), "C:\\Users\\ソウタ.表計算\\AppData\\Local");

    samUser("CORP\\アキラ");
    EXPECT_EQ(resolve("C:\\Users\\ソウタ\\AppData\\Local"), "C:\\Users\\アキラ\\AppData\\Local");
    // Byte by byte, "USERS\" occurs here from the trail byte of ザ.
    EXPECT_EQ(resolve("D:\\ザSERS\\admin\\AppData\\Local"), "(off)");
}

TEST_F(LocalAppDataTest, MissingSamUserWritesLine725And726) {
    fake.localAppData = "C:\\Users\\admin\\AppData\\Local";
    LocalAppData result;
    EXPECT_FALSE(resolveTargetLocalAppData(fake, registry, s.report, result));
    EXPECT_EQ(s.err.str(), "レジストリ情報の取得に失敗しました。main725\n");
    EXPECT_EQ(s.file.str(), "レジストリ情報の取得に失敗しました。main726\r\n");
    EXPECT_EQ(s.out.str(), "");
}

}  // namespace
}  // namespace orvex::testing
