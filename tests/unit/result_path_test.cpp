#include <gtest/gtest.h>

#include "app/run.h"
#include "fake_platform.h"

namespace orvex {
namespace {

TEST(ResultFilePath, DirectoryIsEverythingBeforeTheLastBackslash) {
    testing::FakePlatform fake;
    EXPECT_EQ(resultFilePath(fake, "C:\\dir\\sub\\tool.exe"), "C:\\dir\\sub\\OrvexEnv.txt");
    EXPECT_EQ(resultFilePath(fake, "tool.exe"), ".\\OrvexEnv.txt");
    EXPECT_EQ(resultFilePath(fake, "C:/dir/tool.exe"), ".\\OrvexEnv.txt");
    EXPECT_EQ(resultFilePath(fake, ""), ".\\OrvexEnv.txt");
    EXPECT_EQ(resultFilePath(fake, "\\tool.exe"), "\\OrvexEnv.txt");
}

TEST(ResultFilePath, DoubleByteTrailBackslashIsNotASeparator) {
    testing::FakePlatform fake;
    // ソ is 83 5C in CP932: the folder ソフト must stay whole.
    EXPECT_EQ(resultFilePath(fake, "C:\\ソフト\\OrvexEnv.exe"), "C:\\ソフト\\OrvexEnv.txt");
    EXPECT_EQ(resultFilePath(fake, "ソフト.exe"), ".\\OrvexEnv.txt");
    // On a single-byte code page the same bytes do split.
    fake.codePage932 = false;
    EXPECT_EQ(resultFilePath(fake, "ソ.exe"), std::string("ソ").substr(0, 1) + "\\OrvexEnv.txt");
}

TEST(Bitness, ArchitectureNumbersMapToTheirText) {
    EXPECT_EQ(bitnessText(0), "32bit");
    for (uint16_t arch : {6, 7, 9, 10}) EXPECT_EQ(bitnessText(arch), "64bit") << arch;
    for (uint16_t arch : {1, 2, 3, 4, 5, 8, 11, 12, 0xFFFF}) EXPECT_EQ(bitnessText(arch), "--bit") << arch;
}

}  // namespace
}  // namespace orvex
