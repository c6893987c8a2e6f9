// The target user's hive: the profile whose folder matches the last logged-on user.
#include <gtest/gtest.h>

#include "app/target_user.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

class TargetUserSidTest : public ::testing::Test {
protected:
    void SetUp() override { fake.addKey(RegRoot::LocalMachine, kProfileList); }
    void logon(const std::string& account) {
        fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", account);
    }
    bool resolve() { return resolveTargetUserSid(fake, registry, s.report, sid); }

    FakePlatform fake;
    Registry registry{fake};
    Streams s;
    std::string sid = "unset";
};

TEST_F(TargetUserSidTest, QualifiedFolderWinsOverThePlainOneForADomainUser) {
    logon("CORP\\User1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    addProfile(fake, "S-B", "C:\\Users\\user1.corp");
    addProfile(fake, "S-C", "C:\\Users\\admin");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-B");
    EXPECT_EQ(s.err.str() + s.file.str() + s.out.str(), "");
}

TEST_F(TargetUserSidTest, PlainFolderDecidesWhenNoQualifiedOneExists) {
    logon("CORP\\user1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-A");
}

TEST_F(TargetUserSidTest, DotDomainLeavesThePlainMatchToDecide) {
    logon(".\\user1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    addProfile(fake, "S-B", "C:\\Users\\user1.PC01");  // the hive lookup never tries the computer name
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-A");
}

TEST_F(TargetUserSidTest, ABareUserIsComparedPlainOnly) {
    logon("user1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    addProfile(fake, "S-B", "C:\\Users\\user1.PC01");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-A");
}

TEST_F(TargetUserSidTest, TheLaterOfTwoMatchesWins) {
    logon("CORP\\user1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    addProfile(fake, "S-B", "D:\\Users\\USER1");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-B");
}

TEST_F(TargetUserSidTest, UnreadableOrSeparatorlessProfilesAreSkippedAndNoMatchIsNoFailure) {
    logon("CORP\\user1");
    fake.addKey(RegRoot::LocalMachine, std::string(kProfileList) + "\\S-NOPATH");
    fake.setDword(RegRoot::LocalMachine, std::string(kProfileList) + "\\S-DWORD", "ProfileImagePath", 1);
    addProfile(fake, "S-BARE", "user1");
    addProfile(fake, "S-OTHER", "C:\\Users\\user2");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "");
    EXPECT_EQ(s.err.str() + s.file.str(), "");
}

TEST_F(TargetUserSidTest, DoubleByteNamesMatchWholeCharactersOnly) {
    logon("CORP\\ソウタ");
    addProfile(fake, "S-CUT", "C:\\Users\\ウタ");        // what a cut at the trail byte would give
    addProfile(fake, "S-SOUTA", "C:\\Users\\ソウタ");
    addProfile(fake, "S-LAST", "C:\\Users\\x\\ソウタ.corp");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "S-LAST");

    logon("アキラ");
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "");
    addProfile(fake, "S-AKIRA", "C:\\Users\\ヂキラ");  // differs only in a trail letter's case
    ASSERT_TRUE(resolve());
    EXPECT_EQ(sid, "");
}

TEST_F(TargetUserSidTest, MissingLogonValueWritesLine344And345) {
    fake.setDword(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", 1);
    EXPECT_FALSE(resolve());
    EXPECT_EQ(s.err.str(), "レジストリ情報の取得に失敗しました。main344\n");
    EXPECT_EQ(s.file.str(), "レジストリ情報の取得に失敗しました。main345\r\n");
    EXPECT_EQ(s.out.str(), "");
}

TEST_F(TargetUserSidTest, ProfileListFailureWritesLine362And363) {
    logon("CORP\\user1");
    addProfile(fake, "S-A", "C:\\Users\\user1");
    fake.enumEndStatus = 5;  // access denied part way
    EXPECT_FALSE(resolve());
    EXPECT_EQ(s.err.str(), "レジストリ情報の取得に失敗しました。main362\n");
    EXPECT_EQ(s.file.str(), "レジストリ情報の取得に失敗しました。main363\r\n");

    Streams again;
    fake.removeKey(RegRoot::LocalMachine, kProfileList);
    EXPECT_FALSE(resolveTargetUserSid(fake, registry, again.report, sid));
    EXPECT_EQ(again.err.str(), "レジストリ情報の取得に失敗しました。main362\n");
    EXPECT_EQ(fake.openKeys(), 0);
}

}  // namespace
}  // namespace orvex::testing
