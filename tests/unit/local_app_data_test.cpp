// The target user's local application data directory: the running account's,
// with the folder after "USERS\" replaced by the target user's profile folder,
// the suffixed one when it exists.
#include <gtest/gtest.h>

#include "probes/system/target_user.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

struct Resolved {
    std::string directory;  // "(off)" when the flag is off
    std::vector<std::string> pathsTested;
};

Resolved resolve(FakePlatform& fake, const std::string& samUser) {
    Registry registry{fake};
    Streams s;
    fake.setString(RegRoot::LocalMachine, kLogonUi, "LastLoggedOnSAMUser", samUser);
    std::optional<std::string> result = std::string("stale");
    EXPECT_TRUE(resolveTargetLocalAppData(fake, registry, s.report, result));
    EXPECT_EQ(s.err.str() + s.file.str() + s.out.str(), "");
    EXPECT_EQ(fake.openKeys(), 0);
    return {result ? *result : "(off)", fake.pathsTested};
}

TEST(LocalAppData, TheRunningAccountsFolderIsReplacedByTheTargetUsersOne) {
    struct Case {
        const char* samUser;
        const char* existing;  // the one profile folder that exists, if any
        const char* running;   // the running account's directory
        const char* directory;
        const char* tested;  // the suffixed folder looked for, if any
    };
    const Case cases[] = {
        {"CORP\\user1", "C:\\Users\\user1.CORP", "C:\\Users\\admin\\AppData\\Local",
         "C:\\Users\\user1.CORP\\AppData\\Local", "C:\\Users\\user1.CORP"},
        {"CORP\\user1", "", "C:\\Users\\admin\\AppData\\Local", "C:\\Users\\user1\\AppData\\Local",
         "C:\\Users\\user1.CORP"},
        // A local account's folder carries the computer name.
        {".\\user1", "C:\\Users\\user1.PC01", "C:\\Users\\admin\\AppData\\Local",
         "C:\\Users\\user1.PC01\\AppData\\Local", "C:\\Users\\user1.PC01"},
        {"user1", "C:\\Users\\user1.PC01", "C:\\Users\\admin\\AppData\\Local",
         "C:\\Users\\user1.PC01\\AppData\\Local", "C:\\Users\\user1.PC01"},
        // The target user running the tool ends where it started.
        {"CORP\\user1", "", "C:\\Users\\user1\\AppData\\Local", "C:\\Users\\user1\\AppData\\Local",
         "C:\\Users\\user1.CORP"},
        // Only the folder after "USERS\", found whatever its case, is replaced.
        {"CORP\\user1", "C:\\Users\\user1.CORP", "C:\\Users\\users\\AppData\\Local",
         "C:\\Users\\user1.CORP\\AppData\\Local", "C:\\Users\\user1.CORP"},
        {"CORP\\user1", "", "C:\\Users\\c\\AppData\\Local", "C:\\Users\\user1\\AppData\\Local",
         "C:\\Users\\user1.CORP"},
        {"CORP\\user1", "", "c:\\users\\ADMIN\\appdata\\local", "c:\\users\\user1\\appdata\\local",
         "c:\\users\\user1.CORP"},
        {"CORP\\user1", "", "D:\\Profiles\\admin\\AppData\\Local", "(off)", nullptr},
        {"CORP\\user1", "", "", "(off)", nullptr},  // the shell could not say
        // Double-byte folders are replaced whole, and "USERS\" is found only
        // where a character starts (here byte by byte from the trail of ザ).
        {"表計算\\ソウタ", "C:\\Users\\ソウタ.表計算", "C:\\Users\\アキラ\\AppData\\Local",
         "C:\\Users\\ソウタ.表計算\\AppData\\Local", "C:\\Users\\ソウタ.表計算"},
        {"CORP\\アキラ", "", "C:\\Users\\ソウタ\\AppData\\Local", "C:\\Users\\アキラ\\AppData\\Local",
         "C:\\Users\\アキラ.CORP"},
        {"CORP\\アキラ", "", "D:\\ザSERS\\admin\\AppData\\Local", "(off)", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.running);
        FakePlatform fake;
        if (*c.running) fake.localAppData = c.running;
        if (*c.existing) fake.existingPaths = {c.existing};
        const Resolved resolved = resolve(fake, c.samUser);
        EXPECT_EQ(resolved.directory, c.directory);
        EXPECT_EQ(resolved.pathsTested, c.tested ? std::vector<std::string>{c.tested} : std::vector<std::string>{});
    }

    FakePlatform nameless;  // without the computer name: the user and a dot
    nameless.computerName.reset();
    nameless.localAppData = "C:\\Users\\admin\\AppData\\Local";
    const Resolved resolved = resolve(nameless, ".\\user1");
    EXPECT_EQ(resolved.directory, "C:\\Users\\user1\\AppData\\Local");
    EXPECT_EQ(resolved.pathsTested, std::vector<std::string>{"C:\\Users\\user1."});
}

}  // namespace
}  // namespace orvex::testing
