// The target user's hive: the profile whose folder matches the last logged-on
// user, a folder carrying the domain before a plain one, the later of two alike.
#include <gtest/gtest.h>

#include "probes/system/target_user.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

struct Profile {
    const char* sid;
    const char* imagePath;
};

// The SID found for the logon name among the profiles, enumerated in the
// order given, after two that cannot be read; "(failed)" when the lookup fails.
std::string sidFor(const std::string& logon, std::initializer_list<Profile> profiles) {
    FakePlatform fake;
    Registry registry{fake};
    Streams s;
    fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnUser", logon);
    fake.addKey(RegRoot::LocalMachine, std::string(kProfileList) + "\\S-NOPATH");
    fake.setDword(RegRoot::LocalMachine, std::string(kProfileList) + "\\S-DWORD", "ProfileImagePath", 1);
    for (const Profile& profile : profiles) addProfile(fake, profile.sid, profile.imagePath);
    std::string sid = "unset";
    const bool found = resolveTargetUserSid(fake, registry, s.report, sid);
    EXPECT_EQ(s.err.str() + s.file.str() + s.out.str(), "");
    EXPECT_EQ(fake.openKeys(), 0);
    return found ? sid : "(failed)";
}

TEST(TargetUserSid, TheQualifiedFolderBeforeThePlainOneAndTheLaterOfTwoAlike) {
    EXPECT_EQ(sidFor("CORP\\User1",
                     {{"S-A", "C:\\Users\\user1"}, {"S-B", "C:\\Users\\user1.corp"}, {"S-C", "C:\\Users\\admin"}}),
              "S-B");
    EXPECT_EQ(sidFor("CORP\\user1", {{"S-A", "C:\\Users\\user1"}}), "S-A");
    EXPECT_EQ(sidFor("CORP\\user1", {{"S-A", "C:\\Users\\user1"}, {"S-B", "D:\\Users\\USER1"}}), "S-B");
    // A local (".") or bare account: only the plain folder; the computer name is never tried.
    EXPECT_EQ(sidFor(".\\user1", {{"S-A", "C:\\Users\\user1"}, {"S-B", "C:\\Users\\user1.PC01"}}), "S-A");
    EXPECT_EQ(sidFor("user1", {{"S-A", "C:\\Users\\user1"}, {"S-B", "C:\\Users\\user1.PC01"}}), "S-A");
    // No match is no failure: the SID is empty. A path without a separator names no folder.
    EXPECT_EQ(sidFor("CORP\\user1", {{"S-BARE", "user1"}, {"S-OTHER", "C:\\Users\\user2"}}), "");
}

TEST(TargetUserSid, DoubleByteNamesMatchWholeCharactersOnly) {
    // Cut at the trail byte of ソ, the name would be ウタ and S-SOUTA a later plain match.
    EXPECT_EQ(sidFor("CORP\\ソウタ", {{"S-CUT", "C:\\Users\\ウタ"},
                                     {"S-QUALIFIED", "C:\\Users\\x\\ソウタ.corp"},
                                     {"S-SOUTA", "C:\\Users\\ソウタ"}}),
              "S-QUALIFIED");
    EXPECT_EQ(sidFor("アキラ", {{"S-AKIRA", "C:\\Users\\ヂキラ"}}), "");  // differs only in a trail letter's case
}

}  // namespace
}  // namespace orvex::testing
