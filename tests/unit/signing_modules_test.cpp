// Items 6 and 7: where each signing component is registered, and the date of
// its file in the file system that registration names.
#include <gtest/gtest.h>

#include <algorithm>

#include "probes/system/signing_modules.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const char kModuleKey[] = "CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32";
const char kModuleWowKey[] = "WOW6432Node\\CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32";
const char kControlKey[] = "CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32";
const char kControlWowKey[] = "WOW6432Node\\CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32";

const uint64_t k20210303T200607_089Utc = 132592755670890000ULL;
const uint64_t k20211231T150000Utc = 132854364000000000ULL;
const uint64_t k99991231T230000Utc = 2650467708000000000ULL;

class SigningModulesTest : public ::testing::Test {
protected:
    void registerAt(const char* key, const std::string& path, uint32_t type = kRegSz) {
        fake.setString(RegRoot::ClassesRoot, key, "", path, type);
    }
    Lines run(RegistryView view) {
        Registry registry{fake, view};
        checkSigningModules(fake, registry, s.report);
        EXPECT_EQ(s.err.str(), "");
        expectNothingOpen(fake);
        return fileLines(s.file.str());
    }
    std::string dateOf(uint64_t lastWrite) {
        fake.files["C:\\f.dll"] = {true, true, lastWrite};
        std::string text;
        EXPECT_EQ(getFileUpdateDate(fake, "C:\\f.dll", text), 0);
        EXPECT_EQ(fake.openFiles(), 0);
        return text;
    }

    FakePlatform fake;
    Streams s;
};

TEST_F(SigningModulesTest, On64BitWindowsOnlyTheNativeRegistrationNamesTheNativeFileSystem) {
    // System32 of the native registration is the real one; that of the 32-bit
    // registration is what the 32-bit tool sees there.
    registerAt(kModuleKey, "C:\\Windows\\System32\\Tessivan.dll");
    registerAt(kControlWowKey, "C:\\Windows\\System32\\Quennel.ocx");
    fake.files["C:\\Windows\\System32\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    fake.files["C:\\Windows\\System32\\Quennel.ocx"] = {true, false, 0};  // its times cannot be read
    EXPECT_EQ(run(RegistryView::Native64),
              (Lines{"6．署名モジュール Tessivan.dll 更新日付：2021/03/04 05:06:07.089",
                     "7．署名モジュール Quennel.ocx：登録されているファイルの情報を取得できません。"}));
    EXPECT_EQ(fake.fileViews, (std::vector<FileView>{FileView::Native, FileView::Process}));
}

TEST_F(SigningModulesTest, TheFirstUsableRegistrationIsReportedWhateverBecomesOfItsFile) {
    // The native path is opened as stored, unexpanded: there is no such file,
    // and the 32-bit registration, whose file exists, is not consulted.
    registerAt(kModuleKey, "%SystemRoot%\\Tessivan.dll", kRegExpandSz);
    registerAt(kModuleWowKey, "C:\\Windows\\SysWOW64\\Tessivan.dll");
    fake.files["C:\\Windows\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    fake.files["C:\\Windows\\SysWOW64\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    // Values that are no usable path are no registration.
    fake.setDword(RegRoot::ClassesRoot, kControlKey, "", 1);
    registerAt(kControlWowKey, std::string(1024, 'x'));
    EXPECT_EQ(run(RegistryView::Default), (Lines{"6．署名モジュール Tessivan.dll：登録されているファイルがありません。",
                                                 "7．署名モジュール Quennel.ocx：登録されていません。"}));
    EXPECT_EQ(fake.fileViews, std::vector<FileView>{FileView::Process});  // 32-bit Windows has one file system
}

TEST_F(SigningModulesTest, TheDateIsZeroPaddedLocalTimeOrAllZerosButNeverHalfMade) {
    EXPECT_EQ(dateOf(k20211231T150000Utc), "2022/01/01 00:00:00.000");  // Tokyo: the bias crosses the year
    EXPECT_EQ(dateOf(k99991231T230000Utc), "0000/00/00 00:00:00.000");  // local year 10000
    fake.localBias = -5LL * 3600 * 10000000;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "2021/03/03 15:06:07.089");
    fake.localBias = 0;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "2021/03/03 20:06:07.089");
    fake.localConversionFails = true;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "0000/00/00 00:00:00.000");
    fake.localConversionFails = false;
    fake.systemConversionFails = true;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "0000/00/00 00:00:00.000");

    // A file that cannot be opened, or whose times cannot be read, leaves the
    // text alone; only the file that was opened is closed.
    FakePlatform other;
    other.files["C:\\locked.dll"] = {false, true, 0};
    other.files["C:\\f.dll"] = {true, false, 0};
    std::string text = "unchanged";
    EXPECT_EQ(getFileUpdateDate(other, "C:\\locked.dll", text), -1);
    EXPECT_EQ(getFileUpdateDate(other, "C:\\missing.dll", text), -1);
    EXPECT_EQ(getFileUpdateDate(other, "C:\\f.dll", text), -2);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(other.openFiles(), 0);
    EXPECT_EQ(std::count(other.calls.begin(), other.calls.end(), "CloseHandle"), 1);
}

}  // namespace
}  // namespace orvex::testing
