// The four registry readers: their result codes, what they leave on failure,
// the view every open carries, and every key closed again.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace orvex::testing {
namespace {

const char kKey[] = "S-1-5-21-1\\Software\\Test";

struct RegistryTest : ::testing::Test {
    void TearDown() override { EXPECT_EQ(fake.openKeys(), 0); }

    FakePlatform fake;
    Registry registry{fake};
};

TEST_F(RegistryTest, ADwordIsFourBytesOfTypeDword) {
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
    EXPECT_EQ(registry.readRegDword("\\Software\\Test", "four", value), REG_READ_FAILED);  // the empty SID's form
}

TEST_F(RegistryTest, AStringIsTextOfAtMost1024BytesUpToItsFirstNul) {
    const std::string key = "CLSID\\{X}\\InprocServer32";
    fake.setString(RegRoot::ClassesRoot, key, "", "C:\\a.dll");
    fake.setString(RegRoot::ClassesRoot, key, "expand", "%SystemRoot%\\b.dll", kRegExpandSz);
    fake.setString(RegRoot::ClassesRoot, key, "fits", std::string(1023, 'a'));
    fake.setString(RegRoot::ClassesRoot, key, "over", std::string(1024, 'a'));
    fake.setValue(RegRoot::ClassesRoot, key, "multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
    fake.setValue(RegRoot::ClassesRoot, key, "noterm", kRegSz, {'x', 'y'});
    fake.setValue(RegRoot::ClassesRoot, key, "embedded", kRegSz, {'x', 0, 'y', 0});
    fake.setValue(RegRoot::ClassesRoot, key, "full", kRegSz, std::vector<unsigned char>(1024, 'z'));
    auto read = [&](const char* name) {
        std::string value = "unchanged";
        const int status = registry.readRegString(RegRoot::ClassesRoot, key, name, value);
        return std::to_string(status) + ":" + value;
    };
    EXPECT_EQ(read(""), "0:C:\\a.dll");  // the key's default value
    EXPECT_EQ(read("expand"), "0:%SystemRoot%\\b.dll");
    EXPECT_EQ(read("fits"), "0:" + std::string(1023, 'a'));
    EXPECT_EQ(read("over"), "-2:unchanged");
    EXPECT_EQ(read("multi"), "-3:unchanged");
    EXPECT_EQ(read("noterm"), "0:xy");
    EXPECT_EQ(read("embedded"), "0:x");
    EXPECT_EQ(read("full"), "0:" + std::string(1024, 'z'));  // no terminator: never read past the buffer
}

TEST_F(RegistryTest, BinaryDataOfAnySizeUnderAKeyNamedWithATrailingBackslash) {
    const std::string key = "S-1-5-21-1\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow";
    fake.setBinary(RegRoot::Users, key, "big", std::vector<unsigned char>(100000, 0xAB));
    fake.setBinary(RegRoot::Users, key, "empty", {});
    fake.setDword(RegRoot::Users, key, "dword", 0);
    std::vector<unsigned char> data = {9};
    EXPECT_EQ(registry.readRegBinary(key + "\\", "big", data), REG_READ_OK);
    EXPECT_EQ(data, std::vector<unsigned char>(100000, 0xAB));
    EXPECT_EQ(registry.readRegBinary(key, "empty", data), REG_READ_OK);
    EXPECT_TRUE(data.empty());
    data = {9};
    EXPECT_EQ(registry.readRegBinary(key, "dword", data), REG_READ_FAILED);
    EXPECT_EQ(data, std::vector<unsigned char>{9});
}

TEST_F(RegistryTest, TheProfileListInEnumerationOrderOrMinusOne) {
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
}

TEST_F(RegistryTest, EveryReaderOpensWithKeyReadAndTheViewsFlag) {
    for (const auto& [view, mask] : {std::pair{RegistryView::Default, 0x20019u}, {RegistryView::Native64, 0x20119u}}) {
        FakePlatform platform;
        platform.setDword(RegRoot::Users, kKey, "v", 1);
        Registry reader(platform, view);
        uint32_t value = 0;
        std::string text;
        std::vector<unsigned char> data;
        std::vector<std::string> sids;
        (void)reader.readRegDword(kKey, "v", value);
        (void)reader.readRegString(RegRoot::LocalMachine, "X", "v", text);
        (void)reader.readRegBinary(kKey, "v", data);
        (void)reader.listProfileSids(sids);
        EXPECT_EQ(platform.openAccessMasks, std::vector<uint32_t>(4, mask));
    }
}

}  // namespace
}  // namespace orvex::testing
