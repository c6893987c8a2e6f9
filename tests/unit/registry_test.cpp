#include "platform/registry.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace orvex {
namespace {

using testing::FakePlatform;

const char kKey[] = "S-1-5-21-1\\Software\\Test";

struct RegistryTest : ::testing::Test {
    FakePlatform fake;
    Registry registry{fake};
};

TEST_F(RegistryTest, DwordCodes) {
    fake.setDword(RegRoot::Users, kKey, "four", 0xFFFFFFFFu);
    fake.setValue(RegRoot::Users, kKey, "wide", kRegDword, {1, 0, 0, 0, 0, 0, 0, 0});
    fake.setValue(RegRoot::Users, kKey, "bin", kRegBinary, {2, 0, 0, 0});
    fake.setString(RegRoot::Users, kKey, "text", "2");
    uint32_t value = 7;
    EXPECT_EQ(registry.readRegDword(kKey, "four", value), REG_READ_OK);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_EQ(registry.readRegDword(kKey, "wide", value), REG_READ_TOO_LARGE);
    EXPECT_EQ(registry.readRegDword(kKey, "bin", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword(kKey, "text", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword(kKey, "missing", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword("S-1-5-21-1\\Software\\Nothing", "four", value), REG_READ_FAILED);
    EXPECT_EQ(registry.readRegDword(std::string("\\Software\\Test"), "four", value), REG_READ_FAILED);
    EXPECT_EQ(fake.openKeys(), 0);
}

TEST_F(RegistryTest, StringLimitIs1024BytesWithTheTerminator) {
    fake.setString(RegRoot::LocalMachine, "SOFTWARE\\T", "fits", std::string(1023, 'a'));
    fake.setString(RegRoot::LocalMachine, "SOFTWARE\\T", "over", std::string(1024, 'a'));
    std::string value = "unchanged";
    EXPECT_EQ(registry.readRegString(RegRoot::LocalMachine, "SOFTWARE\\T", "over", value), REG_READ_TOO_LARGE);
    EXPECT_EQ(value, "unchanged");
    EXPECT_EQ(registry.readRegString(RegRoot::LocalMachine, "SOFTWARE\\T", "fits", value), REG_READ_OK);
    EXPECT_EQ(value, std::string(1023, 'a'));
    EXPECT_EQ(fake.openKeys(), 0);
}

TEST_F(RegistryTest, StringTypesAndTermination) {
    const std::string key = "CLSID\\{X}\\InprocServer32";
    fake.setString(RegRoot::ClassesRoot, key, "", "C:\\a.dll");
    fake.setString(RegRoot::ClassesRoot, key, "expand", "%SystemRoot%\\b.dll", kRegExpandSz);
    fake.setValue(RegRoot::ClassesRoot, key, "multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
    fake.setValue(RegRoot::ClassesRoot, key, "noterm", kRegSz, {'x', 'y'});
    fake.setValue(RegRoot::ClassesRoot, key, "embedded", kRegSz, {'x', 0, 'y', 0});
    fake.setValue(RegRoot::ClassesRoot, key, "full", kRegSz, std::vector<unsigned char>(1024, 'z'));
    std::string value;
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "", value), REG_READ_OK);
    EXPECT_EQ(value, "C:\\a.dll");
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "expand", value), REG_READ_OK);
    EXPECT_EQ(value, "%SystemRoot%\\b.dll");
    value = "kept";
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "multi", value), REG_READ_FAILED);
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "noterm", value), REG_READ_OK);
    EXPECT_EQ(value, "xy");
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "embedded", value), REG_READ_OK);
    EXPECT_EQ(value, "x");
    // 1024 bytes without a terminator: never read past the buffer.
    EXPECT_EQ(registry.readRegString(RegRoot::ClassesRoot, key, "full", value), REG_READ_OK);
    EXPECT_EQ(value, std::string(1024, 'z'));
}

TEST_F(RegistryTest, BinaryOfAnySizeAndTrailingBackslashKey) {
    const std::string key = "S-1-5-21-1\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow";
    fake.setBinary(RegRoot::Users, key, "big", std::vector<unsigned char>(100000, 0xAB));
    fake.setBinary(RegRoot::Users, key, "empty", {});
    fake.setDword(RegRoot::Users, key, "dword", 0);
    std::vector<unsigned char> data = {9};
    EXPECT_EQ(registry.readRegBinary(key + "\\", "big", data), REG_READ_OK);
    EXPECT_EQ(data.size(), 100000u);
    EXPECT_EQ(registry.readRegBinary(key, "empty", data), REG_READ_OK);
    EXPECT_TRUE(data.empty());
    data = {9};
    EXPECT_EQ(registry.readRegBinary(key, "dword", data), REG_READ_FAILED);
    EXPECT_EQ(data, std::vector<unsigned char>{9});
    EXPECT_EQ(fake.openKeys(), 0);
}

TEST_F(RegistryTest, EveryOpenCarriesKeyReadAndTheViewFlag) {
    fake.setDword(RegRoot::Users, kKey, "v", 1);
    uint32_t value = 0;
    std::string text;
    std::vector<unsigned char> data;
    std::vector<std::string> sids;
    (void)registry.readRegDword(kKey, "v", value);
    Registry native(fake, RegistryView::Native64);
    (void)native.readRegDword(kKey, "v", value);
    (void)native.readRegString(RegRoot::LocalMachine, "X", "v", text);
    (void)native.readRegBinary(kKey, "v", data);
    (void)native.listProfileSids(sids);
    EXPECT_EQ(fake.openAccessMasks,
              (std::vector<uint32_t>{0x20019, 0x20119, 0x20119, 0x20119, 0x20119}));
}

TEST_F(RegistryTest, ProfileListInEnumerationOrderAndItsFailures) {
    const std::string list = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    std::vector<std::string> sids = {"stale"};
    EXPECT_EQ(registry.listProfileSids(sids), PROFILE_LIST_FAILED);
    EXPECT_TRUE(sids.empty());

    fake.addKey(RegRoot::LocalMachine, list + "\\S-1-5-18");
    fake.addKey(RegRoot::LocalMachine, list + "\\S-1-5-21-9-1001");
    fake.addKey(RegRoot::LocalMachine, list + "\\S-1-5-21-9-1000");
    EXPECT_EQ(registry.listProfileSids(sids), REG_READ_OK);
    EXPECT_EQ(sids, (std::vector<std::string>{"S-1-5-18", "S-1-5-21-9-1001", "S-1-5-21-9-1000"}));

    fake.enumEndStatus = 5;  // ERROR_ACCESS_DENIED part-way
    EXPECT_EQ(registry.listProfileSids(sids), PROFILE_LIST_FAILED);
    EXPECT_EQ(sids.size(), 3u);
    EXPECT_EQ(fake.openKeys(), 0);
}

}  // namespace
}  // namespace orvex
