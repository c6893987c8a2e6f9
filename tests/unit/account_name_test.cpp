// Splitting, comparing and replacing names in the ANSI code page: ASCII folds,
// double-byte characters (whose trail byte may be a backslash or a letter) never do.
#include <gtest/gtest.h>

#include "app/ansi_text.h"
#include "app/target_user.h"
#include "fake_platform.h"

namespace orvex::testing {
namespace {

class AccountNameTest : public ::testing::Test {
protected:
    FakePlatform fake;  // CP932
    const LeadBytes lead = leadBytesOf(fake);
};

TEST_F(AccountNameTest, TheCompilerGivesTheDoubleByteFormsTheseTestsRelyOn) {
    // ソ ends in a backslash byte, ア and ヂ differ only in the case of their trail letter.
    EXPECT_EQ(std::string("ソ").size(), 2u);
    EXPECT_EQ(std::string("ソ")[1], '\\');
    EXPECT_EQ(std::string("ア")[1], 'A');
    EXPECT_EQ(std::string("ヂ")[1], 'a');
}

TEST_F(AccountNameTest, SplitsAtTheLastBackslash) {
    AccountName corp = splitAccountName(lead, "CORP\\user1");
    EXPECT_EQ(corp.domain, "CORP");
    EXPECT_EQ(corp.user, "user1");
    EXPECT_EQ(corp.qualified, "user1.CORP");

    AccountName local = splitAccountName(lead, ".\\user1");
    EXPECT_EQ(local.domain, ".");
    EXPECT_EQ(local.qualified, "user1..");

    AccountName bare = splitAccountName(lead, "user1");
    EXPECT_EQ(bare.domain, "");
    EXPECT_EQ(bare.user, "user1");
    EXPECT_EQ(bare.qualified, "user1");

    EXPECT_EQ(splitAccountName(lead, "A\\B\\user1").domain, "A\\B");
}

TEST_F(AccountNameTest, ATrailByteIsNeverTheSeparator) {
    AccountName plain = splitAccountName(lead, "ソウタ");
    EXPECT_EQ(plain.domain, "");
    EXPECT_EQ(plain.user, "ソウタ");

    AccountName qualified = splitAccountName(lead, "表計算\\ソウタ");
    EXPECT_EQ(qualified.domain, "表計算");
    EXPECT_EQ(qualified.user, "ソウタ");
    EXPECT_EQ(qualified.qualified, "ソウタ.表計算");
}

TEST_F(AccountNameTest, EqualsFoldsAsciiLettersOnly) {
    EXPECT_TRUE(equalsIgnoreCase(lead, "User1.Corp", "user1.CORP"));
    EXPECT_FALSE(equalsIgnoreCase(lead, "user1", "user10"));
    EXPECT_FALSE(equalsIgnoreCase(lead, "user[", "user{"));  // not letters
    EXPECT_TRUE(equalsIgnoreCase(lead, "ソウタ", "ソウタ"));
    // Same bytes but for the case of an ASCII-letter trail byte: two different names.
    EXPECT_FALSE(equalsIgnoreCase(lead, "アキラ", "ヂキラ"));
    EXPECT_TRUE(equalsIgnoreCase(lead, "アキラ.corp", "アキラ.CORP"));
}

TEST_F(AccountNameTest, ReplaceFirstReplacesOnlyTheFirstOccurrenceWhateverItsCase) {
    std::string subject = "admin\\appdata\\LOCAL\\AppData\\Local";
    replaceFirstIgnoreCase(lead, subject, "\\AppData\\Local", "");
    EXPECT_EQ(subject, "admin\\AppData\\Local");

    std::string unchanged = "admin";
    replaceFirstIgnoreCase(lead, unchanged, "\\AppData\\Local", "x");
    replaceFirstIgnoreCase(lead, unchanged, "", "x");
    EXPECT_EQ(unchanged, "admin");
}

TEST_F(AccountNameTest, ASearchNeverMatchesFromATrailByte) {
    // Byte by byte, "\AppData\Local" occurs here starting at the trail byte of ソ.
    std::string subject = "xソAppData\\Local";
    replaceFirstIgnoreCase(lead, subject, "\\AppData\\Local", "");
    EXPECT_EQ(subject, "xソAppData\\Local");

    // Nor does a folded letter match a trail byte: ヂ is not ア in another case.
    std::string name = "ヂキラ\\AppData\\Local";
    replaceFirstIgnoreCase(lead, name, "アキラ", "user1");
    EXPECT_EQ(name, "ヂキラ\\AppData\\Local");

    // "USERS\" inside ザ (83 55) followed by "SERS\": not a match.
    EXPECT_EQ(findIgnoringAsciiCase(lead, "D:\\ザSERS\\x", "USERS\\"), std::string::npos);
    EXPECT_EQ(findIgnoringAsciiCase(lead, "D:\\ザ\\users\\x", "USERS\\"), 6u);
    // A needle that ends half way into a character of the text does not match.
    EXPECT_EQ(findIgnoringAsciiCase(lead, "ソウ", std::string("ソウ").substr(0, 3)), std::string::npos);
}

TEST_F(AccountNameTest, WithoutDoubleByteCharactersEveryByteIsACharacter) {
    EXPECT_EQ(splitAccountName(LeadBytes(), "ソuser").user, "user");
}

}  // namespace
}  // namespace orvex::testing
