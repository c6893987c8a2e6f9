// The registry readers against Wine's real registry. run_scenario.py exec
// starts this in a copy of the 64-bit or the 32-bit prefix (ORVEX_PREFIX_KIND)
// after importing registry_wine_test/*.reg; the view flag is fixed the way the
// run fixes it, from the bitness the prefix reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/registry.h"
#include "platform/windows_platform.h"

namespace orvex {
namespace {

const char kTestKey[] = "SOFTWARE\\OrvexTest";
const char kWowOnlyKey[] = "SOFTWARE\\OrvexTestWowOnly";
const char kOtherSid[] = "S-1-5-21-1111111111-2222222222-3333333333-1001";
const std::string kOtherUserKey = std::string(kOtherSid) + "\\Software\\OrvexTest";

std::string prefixKind() {
    const char* kind = std::getenv("ORVEX_PREFIX_KIND");
    return kind ? kind : "";
}

bool is32BitProcess() { return sizeof(void*) == 4; }

class WineRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefixKind() == "win64" || prefixKind() == "win32")
            << "start this through tests/wine/run_scenario.py exec";
    }

    std::string readMachineString(const std::string& subkey, const std::string& name, int expected) {
        std::string value = "untouched";
        EXPECT_EQ(registry.readRegString(RegRoot::LocalMachine, subkey, name, value), expected) << subkey << " " << name;
        return value;
    }

    WindowsPlatform platform;
    uint16_t architecture = platform.nativeProcessorArchitecture();
    Registry registry{platform, registryViewFor(architecture)};
};

TEST_F(WineRegistry, ThePrefixBitnessFixesTheView) {
    if (prefixKind() == "win64") {
        EXPECT_EQ(architecture, 9);
        EXPECT_EQ(bitnessText(architecture), "64bit");
        EXPECT_EQ(registry.accessMask(), 0x20019u | 0x100u);
    } else {
        EXPECT_EQ(architecture, 0);
        EXPECT_EQ(bitnessText(architecture), "32bit");
        EXPECT_EQ(registry.accessMask(), 0x20019u);
    }
}

TEST_F(WineRegistry, StringsUpTo1024BytesWithTheirNulAreReadLongerOnesAreTooLarge) {
    EXPECT_EQ(readMachineString(kTestKey, "Exactly1024", REG_READ_OK), std::string(1023, 'a'));
    EXPECT_EQ(readMachineString(kTestKey, "Over1024", REG_READ_TOO_LARGE), "untouched");

    // The limit counts ANSI bytes: 511 double-byte characters and one more byte.
    std::string japanese;
    for (int i = 0; i < 511; ++i) japanese += "表";
    EXPECT_EQ(readMachineString(kTestKey, "Japanese1024", REG_READ_OK), japanese + "a");
    EXPECT_EQ(readMachineString(kTestKey, "Japanese1025", REG_READ_TOO_LARGE), "untouched");
}

TEST_F(WineRegistry, StringReaderTakesExpandStringsUnexpandedAndRefusesOtherTypes) {
    EXPECT_EQ(readMachineString(kTestKey, "Expand", REG_READ_OK), "%SystemDrive%\\Users\\ソウタ");
    EXPECT_EQ(readMachineString(kTestKey, "Multi", REG_READ_FAILED), "untouched");
    EXPECT_EQ(readMachineString(kTestKey, "Dword", REG_READ_FAILED), "untouched");
    EXPECT_EQ(readMachineString(kTestKey, "NoTerminator", REG_READ_OK), "AB");
}

TEST_F(WineRegistry, EmptyNameReadsTheDefaultValueAndATrailingBackslashNamesTheSameKey) {
    EXPECT_EQ(readMachineString(kTestKey, "", REG_READ_OK), "既定の値");
    EXPECT_EQ(readMachineString(std::string(kTestKey) + "\\", "Exactly1024", REG_READ_OK), std::string(1023, 'a'));
}

TEST_F(WineRegistry, MissingKeysAndValuesFail) {
    readMachineString(kTestKey, "NoSuchValue", REG_READ_FAILED);
    readMachineString("SOFTWARE\\OrvexTestNoSuchKey", "Exactly1024", REG_READ_FAILED);
}

TEST_F(WineRegistry, KeyOnlyInThe32BitViewIsNotSeenByItsNativePathUnderThe64BitView) {
    if (prefixKind() != "win64") GTEST_SKIP() << "a 32-bit Windows has one view";
    readMachineString(kWowOnlyKey, "Where", REG_READ_FAILED);
    EXPECT_EQ(readMachineString(std::string("SOFTWARE\\WOW6432Node\\OrvexTestWowOnly"), "Where", REG_READ_OK),
              "32-bit view");

    // Without the flag a 32-bit program is redirected: it would read the
    // 32-bit copy and miss the native key, which is why the run sets the flag.
    if (is32BitProcess()) {
        Registry redirected(platform);
        std::string value;
        EXPECT_EQ(redirected.readRegString(RegRoot::LocalMachine, kWowOnlyKey, "Where", value), REG_READ_OK);
        EXPECT_EQ(value, "32-bit view");
        EXPECT_EQ(redirected.readRegString(RegRoot::LocalMachine, kTestKey, "Exactly1024", value), REG_READ_FAILED);
    }
}

TEST_F(WineRegistry, DwordReaderInAnotherUsersHive) {
    uint32_t value = 0;
    ASSERT_EQ(registry.readRegDword(kOtherUserKey, "Dword4", value), REG_READ_OK);
    EXPECT_EQ(value, 0x11u);
    EXPECT_EQ(registry.readRegDword(kOtherUserKey, "Dword8", value), REG_READ_TOO_LARGE);
    EXPECT_EQ(registry.readRegDword(kOtherUserKey, "BinaryDword", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword(kOtherUserKey, "String", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword(kOtherUserKey, "NoSuchValue", value), REG_READ_FAILED);
    value = 0xFFFFFFFF;
    EXPECT_EQ(registry.readRegDword(kOtherUserKey, "Dword2", value), REG_READ_OK);
    EXPECT_EQ(value, 1u);
}

TEST_F(WineRegistry, SubkeyBeginningWithABackslashNamesNoKey) {
    // What the per-user checks build when no target user was found.
    uint32_t value = 0;
    EXPECT_EQ(registry.readRegDword("\\" + kOtherUserKey, "Dword4", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword("\\Software\\OrvexTest", "Dword4", value), REG_READ_FAILED);
}

TEST_F(WineRegistry, BinaryReaderHandsOverTheDataAndItsSize) {
    std::vector<unsigned char> data;
    ASSERT_EQ(registry.readRegBinary(kOtherUserKey, "Binary", data), REG_READ_OK);
    EXPECT_EQ(data, (std::vector<unsigned char>{1, 2, 3}));
    ASSERT_EQ(registry.readRegBinary(kOtherUserKey, "EmptyBinary", data), REG_READ_OK);
    EXPECT_TRUE(data.empty());
    data = {9};
    EXPECT_EQ(registry.readRegBinary(kOtherUserKey, "Dword4", data), REG_READ_FAILED);
    EXPECT_EQ(data, (std::vector<unsigned char>{9}));
}

TEST_F(WineRegistry, ProfileListNamesThePrefixUserAndTheImportedOne) {
    std::vector<std::string> sids;
    ASSERT_EQ(registry.listProfileSids(sids), REG_READ_OK);
    EXPECT_NE(std::find(sids.begin(), sids.end(), "S-1-5-21-0-0-0-1000"), sids.end());
    EXPECT_NE(std::find(sids.begin(), sids.end(), kOtherSid), sids.end());
    EXPECT_EQ(readMachineString(std::string("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\") +
                                    kOtherSid,
                                "ProfileImagePath", REG_READ_OK),
              "C:\\users\\ソウタ");
}

}  // namespace
}  // namespace orvex
