// Splitting, comparing and searching names in the ANSI code page: ASCII folds,
// double-byte characters (whose trail byte may be a backslash or a letter)
// never do, and are never cut.
#include <gtest/gtest.h>

#include "platform/ansi_text.h"
#include "probes/system/target_user.h"
#include "fake_platform.h"

namespace orvex::testing {
namespace {

class AccountNameTest : public ::testing::Test {
protected:
    FakePlatform fake;  // CP932
    const LeadBytes lead = leadBytesOf(fake);
};

TEST_F(AccountNameTest, TheCompilerGivesTheDoubleByteFormsTheseTestsRelyOn) {
    // ソ and 表 end in a backslash byte, ア and ヂ differ only in the case of their trail letter.
    EXPECT_EQ(std::string("ソ").size(), 2u);
    EXPECT_EQ(std::string("ソ")[1], '\\');
    EXPECT_EQ(std::string("表")[1], '\\');
    EXPECT_EQ(std::string("ア")[1], 'A');
    EXPECT_EQ(std::string("ヂ")[1], 'a');
}

TEST_F(AccountNameTest, SplitsAtTheLastBackslashThatStartsACharacter) {
    struct Case {
        const char* account;
        const char* domain;
        const char* user;
        const char* qualified;
    };
    const Case cases[] = {
        {"CORP\\user1", "CORP", "user1", "user1.CORP"},
        {".\\user1", ".", "user1", "user1.."},
        {"user1", "", "user1", "user1"},
        {"A\\B\\user1", "A\\B", "user1", "user1.A\\B"},
        {"ソウタ", "", "ソウタ", "ソウタ"},
        {"表計算\\ソウタ", "表計算", "ソウタ", "ソウタ.表計算"},
    };
    for (const Case& c : cases) {
        const AccountName name = splitAccountName(lead, c.account);
        EXPECT_EQ(name.domain + "|" + name.user + "|" + name.qualified,
                  std::string(c.domain) + "|" + c.user + "|" + c.qualified);
    }
    // In a single-byte code page every byte is a character of its own.
    EXPECT_EQ(splitAccountName(LeadBytes(), "ソuser").user, "user");
}

TEST_F(AccountNameTest, ComparisonsAndSearchesFoldAsciiLettersOnlyAndStartAtWholeCharacters) {
    EXPECT_TRUE(sameIgnoringAsciiCase(lead, "User1.Corp", "user1.CORP"));
    EXPECT_FALSE(sameIgnoringAsciiCase(lead, "user1", "user10"));
    EXPECT_FALSE(sameIgnoringAsciiCase(lead, "user[", "user{"));  // not letters
    EXPECT_TRUE(sameIgnoringAsciiCase(lead, "アキラ.corp", "アキラ.CORP"));
    EXPECT_FALSE(sameIgnoringAsciiCase(lead, "アキラ", "ヂキラ"));  // a trail letter is no letter

    // Only the first occurrence, whatever its case; nothing for a missing or empty needle.
    std::string subject = "admin\\appdata\\LOCAL\\AppData\\Local";
    replaceFirstIgnoreCase(lead, subject, "\\AppData\\Local", "");
    EXPECT_EQ(subject, "admin\\AppData\\Local");
    std::string unchanged = "admin";
    replaceFirstIgnoreCase(lead, unchanged, "\\AppData\\Local", "x");
    replaceFirstIgnoreCase(lead, unchanged, "", "x");
    EXPECT_EQ(unchanged, "admin");

    // Byte by byte, "\AppData\Local" starts at the trail byte of ソ, and
    // "USERS\" at that of ザ (83 55): neither is a match.
    std::string trail = "xソAppData\\Local";
    replaceFirstIgnoreCase(lead, trail, "\\AppData\\Local", "");
    EXPECT_EQ(trail, "xソAppData\\Local");
    std::string name = "ヂキラ\\AppData\\Local";
    replaceFirstIgnoreCase(lead, name, "アキラ", "user1");
    EXPECT_EQ(name, "ヂキラ\\AppData\\Local");
    EXPECT_EQ(findIgnoringAsciiCase(lead, "D:\\ザSERS\\x", "USERS\\"), std::string::npos);
    EXPECT_EQ(findIgnoringAsciiCase(lead, "D:\\ザ\\users\\x", "USERS\\"), 6u);
    // A needle that ends half way into a character of the text does not match.
    EXPECT_EQ(findIgnoringAsciiCase(lead, "ソウ", std::string("ソウ").substr(0, 3)), std::string::npos);
}

}  // namespace
}  // namespace orvex::testing
