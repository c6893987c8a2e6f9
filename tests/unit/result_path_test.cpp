#include <gtest/gtest.h>

#include "app/run.h"

namespace orvex {
namespace {

TEST(ResultFilePath, DirectoryIsEverythingBeforeTheLastBackslash) {
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

TEST(Bitness, ArchitectureNumbersMapToTheirTextAndRegistryView) {
    EXPECT_EQ(bitnessText(0), "32bit");
    for (uint16_t arch : {6, 7, 9, 10}) {
        EXPECT_EQ(bitnessText(arch), "64bit") << arch;
        EXPECT_EQ(registryViewFor(arch), RegistryView::Native64) << arch;
    }
    for (uint16_t arch : {1, 2, 3, 4, 5, 8, 11, 12, 0xFFFF}) EXPECT_EQ(bitnessText(arch), "--bit") << arch;
    // ARM64 keeps its text but reads the native registry.
    EXPECT_EQ(registryViewFor(12), RegistryView::Native64);
    for (uint16_t arch : {0, 1, 5, 8, 11, 13, 0xFFFF}) EXPECT_EQ(registryViewFor(arch), RegistryView::Default) << arch;
    EXPECT_EQ(viewFlag(RegistryView::Native64), 0x100u);
    EXPECT_EQ(viewFlag(RegistryView::Default), 0u);
}

}  // namespace
}  // namespace orvex
