// Items 6 and 7: where each signing component is registered and the date of its file.
#include <gtest/gtest.h>

#include <algorithm>

#include "probes/system/signing_modules.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

const char kModuleKey[] = "CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32";
const char kModuleWowKey[] = "WOW6432Node\\CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32";
const char kControlWowKey[] = "WOW6432Node\\CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32";

const uint64_t k20210303T200607_089Utc = 132592755670890000ULL;
const uint64_t k20211231T150000Utc = 132854364000000000ULL;
const uint64_t k99991231T230000Utc = 2650467708000000000ULL;

class SigningModulesTest : public ::testing::Test {
protected:
    void registerModule(const char* key, const std::string& path, uint32_t type = kRegSz) {
        fake.setString(RegRoot::ClassesRoot, key, "", path, type);
    }
    std::vector<std::string> run() {
        EXPECT_EQ(checkSigningModules(fake, registry, s.report, 6), 8);
        EXPECT_EQ(s.err.str(), "");
        EXPECT_EQ(fake.openFiles(), 0);
        EXPECT_EQ(fake.openKeys(), 0);
        return fileLines(s.file.str());
    }
    std::string dateOf(uint64_t lastWrite) {
        fake.files["C:\\f.dll"] = {true, true, lastWrite};
        std::string text;
        EXPECT_EQ(getFileUpdateDate(fake, "C:\\f.dll", text), 0);
        return text;
    }

    FakePlatform fake;
    Registry registry{fake};
    Streams s;
};

TEST_F(SigningModulesTest, NativeRegistrationGivesTheFileDateAndNothingRegisteredSaysSo) {
    registerModule(kModuleKey, "C:\\Windows\\Tessivan.dll");
    fake.files["C:\\Windows\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    EXPECT_EQ(run(), (std::vector<std::string>{"6．署名モジュール Tessivan.dll 更新日付：2021/03/04 05:06:07.089",
                                               "7．署名モジュール Quennel.ocx：登録されていません。"}));
}

TEST_F(SigningModulesTest, ThirtyTwoBitRegistrationIsReadSecond) {
    registerModule(kControlWowKey, "C:\\Windows\\SysWOW64\\Quennel.ocx");
    fake.files["C:\\Windows\\SysWOW64\\Quennel.ocx"] = {true, true, k20210303T200607_089Utc};
    EXPECT_EQ(run().at(1), "7．署名モジュール Quennel.ocx 更新日付：2021/03/04 05:06:07.089");
}

TEST_F(SigningModulesTest, ANativePathWithoutItsFileIsReportedAndThe32BitOneNotConsulted) {
    registerModule(kModuleKey, "C:\\gone\\Tessivan.dll");
    registerModule(kModuleWowKey, "C:\\Windows\\SysWOW64\\Tessivan.dll");
    fake.files["C:\\Windows\\SysWOW64\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    EXPECT_EQ(run().at(0), "6．署名モジュール Tessivan.dll：登録されているファイルがありません。");
    EXPECT_EQ(fake.openAccessMasks.size(), 3u);  // item 6 native only; item 7 both views
}

TEST_F(SigningModulesTest, OnlyANativeRegistrationOfA64BitWindowsNamesTheNativeFileSystem) {
    // System32 of a 64-bit registration is the real System32, not the 32-bit tool's SysWOW64.
    registerModule(kModuleKey, "C:\\Windows\\System32\\Tessivan.dll");
    registerModule(kControlWowKey, "C:\\Windows\\System32\\Quennel.ocx");
    fake.files["C:\\Windows\\System32\\Tessivan.dll"] = {true, true, k20210303T200607_089Utc};
    fake.files["C:\\Windows\\System32\\Quennel.ocx"] = {true, true, k20210303T200607_089Utc};
    Registry native{fake, RegistryView::Native64};
    checkSigningModules(fake, native, s.report, 6);
    EXPECT_EQ(fake.fileViews, (std::vector<FileView>{FileView::Native, FileView::Process}));

    // On 32-bit Windows there is one file system.
    FakePlatform other;
    Registry otherRegistry{other};
    Streams t;
    other.setString(RegRoot::ClassesRoot, kModuleKey, "", "C:\\Windows\\System32\\Tessivan.dll");
    checkSigningModules(other, otherRegistry, t.report, 6);
    EXPECT_EQ(other.fileViews, std::vector<FileView>{FileView::Process});
}

TEST_F(SigningModulesTest, PathsAreOpenedAsStoredAndUnusableValuesCountAsUnregistered) {
    registerModule(kModuleKey, "%SystemRoot%\\Tessivan.dll", kRegExpandSz);
    fake.files["C:\\Windows\\Tessivan.dll"] = {true, true, 0};
    EXPECT_EQ(run().at(0), "6．署名モジュール Tessivan.dll：登録されているファイルがありません。");

    FakePlatform other;
    Registry otherRegistry{other};
    Streams t;
    other.setDword(RegRoot::ClassesRoot, kModuleKey, "", 1);
    other.setString(RegRoot::ClassesRoot, kModuleWowKey, "", std::string(1024, 'x'));
    checkSigningModules(other, otherRegistry, t.report, 6);
    EXPECT_EQ(fileLines(t.file.str()).at(0), "6．署名モジュール Tessivan.dll：登録されていません。");
}

TEST_F(SigningModulesTest, UnreadableTimesGiveTheirLineAndCloseTheFile) {
    registerModule(kModuleKey, "C:\\Windows\\Tessivan.dll");
    fake.files["C:\\Windows\\Tessivan.dll"] = {true, false, 0};
    EXPECT_EQ(run().at(0), "6．署名モジュール Tessivan.dll：登録されているファイルの情報を取得できません。");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "CloseHandle"), 1);
}

TEST_F(SigningModulesTest, DateTextIsZeroPaddedLocalTime) {
    EXPECT_EQ(dateOf(k20211231T150000Utc), "2022/01/01 00:00:00.000");  // the bias crosses the year
    fake.localBias = 0;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "2021/03/03 20:06:07.089");
    fake.localBias = -5LL * 3600 * 10000000;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "2021/03/03 15:06:07.089");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "CloseHandle"), 3);
}

TEST_F(SigningModulesTest, AnUnconvertibleOrFiveDigitYearDateStaysAllZeros) {
    EXPECT_EQ(dateOf(k99991231T230000Utc), "0000/00/00 00:00:00.000");  // local year 10000
    fake.localConversionFails = true;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "0000/00/00 00:00:00.000");
    fake.localConversionFails = false;
    fake.systemConversionFails = true;
    EXPECT_EQ(dateOf(k20210303T200607_089Utc), "0000/00/00 00:00:00.000");
}

TEST_F(SigningModulesTest, AFailedOpenLeavesTheTextAlone) {
    fake.files["C:\\locked.dll"] = {false, true, 0};
    std::string text = "unchanged";
    EXPECT_EQ(getFileUpdateDate(fake, "C:\\locked.dll", text), -1);
    EXPECT_EQ(getFileUpdateDate(fake, "C:\\missing.dll", text), -1);
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
}  // namespace orvex::testing
