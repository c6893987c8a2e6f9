// The WMI query: its COM steps, what each failing step gives back, and which
// instance's text the value ends with.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "platform/wmi.h"

namespace orvex::testing {
namespace {

using Calls = std::vector<std::string>;

const Calls kSetUp = {"CoInitializeEx", "CoInitializeSecurity", "CoCreateInstance", "ConnectServer",
                      "CoSetProxyBlanket", "ExecQuery"};
const Calls kTearDown = {"Release(services)", "Release(locator)", "Release(enumerator)", "CoUninitialize"};

Calls joined(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class WmiTest : public ::testing::Test {
protected:
    int query() { return getWmiProperty(fake, "Win32_OperatingSystem", "Caption", value); }

    FakePlatform fake;
    std::string value = "before";
};

TEST_F(WmiTest, OneInstanceRunsTheWholeSequenceAndReleasesInOrder) {
    fake.wmiObjects = {u"Microsoft Windows 10 Pro"};
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(value, "Microsoft Windows 10 Pro");
    EXPECT_EQ(fake.calls, joined({kSetUp, {"Next", "Get", "Release(object0)", "Next"}, kTearDown}));
    EXPECT_EQ(fake.wmiNamespaces, std::vector<std::u16string>{u"ROOT\\CIMV2"});
    EXPECT_EQ(fake.wmiQueries, std::vector<std::u16string>{u"SELECT * FROM Win32_OperatingSystem"});
    EXPECT_EQ(fake.wmiPropertyNames, std::vector<std::u16string>{u"Caption"});
    EXPECT_EQ(fake.liveComObjects(), 0);
}

struct FailingStep {
    const char* name;
    ComStatus FakePlatform::*result;
    Calls calls;
};

TEST_F(WmiTest, EachFailingStepReleasesWhatItHoldsAndLeavesTheValue) {
    const FailingStep steps[] = {
        {"initialize", &FakePlatform::initializeResult, {"CoInitializeEx"}},
        {"security", &FakePlatform::securityResult, {"CoInitializeEx", "CoInitializeSecurity", "CoUninitialize"}},
        {"locator", &FakePlatform::locatorResult,
         {"CoInitializeEx", "CoInitializeSecurity", "CoCreateInstance", "CoUninitialize"}},
        {"connect", &FakePlatform::connectResult,
         {"CoInitializeEx", "CoInitializeSecurity", "CoCreateInstance", "ConnectServer", "Release(locator)",
          "CoUninitialize"}},
        {"blanket", &FakePlatform::blanketResult,
         {"CoInitializeEx", "CoInitializeSecurity", "CoCreateInstance", "ConnectServer", "CoSetProxyBlanket",
          "Release(services)", "Release(locator)", "CoUninitialize"}},
        {"query", &FakePlatform::queryResult,
         joined({kSetUp, {"Release(services)", "Release(locator)", "CoUninitialize"}})},
    };
    for (const FailingStep& step : steps) {
        SCOPED_TRACE(step.name);
        FakePlatform fresh;
        fresh.wmiObjects = {u"never read"};
        fresh.*step.result = static_cast<ComStatus>(0x80004005);  // E_FAIL
        std::string text = "before";
        EXPECT_EQ(getWmiProperty(fresh, "Win32_OperatingSystem", "Caption", text), 1);
        EXPECT_EQ(text, "before");
        EXPECT_EQ(fresh.calls, step.calls);
        EXPECT_EQ(fresh.liveComObjects(), 0);
    }
}

TEST_F(WmiTest, PositiveStatusesAreSuccess) {
    fake.initializeResult = 1;  // S_FALSE: already a multithreaded apartment
    fake.securityResult = 1;
    fake.wmiObjects = {u"x"};
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(value, "x");
}

TEST_F(WmiTest, TheLastInstanceWinsAndNoInstanceLeavesTheValue) {
    fake.wmiObjects = {u"first", u"second"};
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(value, "second");
    EXPECT_EQ(fake.liveComObjects(), 0);

    FakePlatform none;
    std::string empty;
    EXPECT_EQ(getWmiProperty(none, "Win32_OperatingSystem", "Caption", empty), 0);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(none.calls, joined({kSetUp, {"Next"}, kTearDown}));
}

TEST_F(WmiTest, AnEmptyTextReplacesButAnUnreadablePropertyLeavesTheValue) {
    fake.wmiObjects = {u"first", std::nullopt};
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(value, "first");

    FakePlatform emptyText;
    emptyText.wmiObjects = {u""};
    EXPECT_EQ(getWmiProperty(emptyText, "Win32_OperatingSystem", "Caption", value), 0);
    EXPECT_EQ(value, "");

    FakePlatform getFails;
    getFails.wmiObjects = {u"x"};
    getFails.getResult = static_cast<ComStatus>(0x80041002);  // WBEM_E_NOT_FOUND
    std::string kept = "kept";
    EXPECT_EQ(getWmiProperty(getFails, "Win32_OperatingSystem", "Caption", kept), 0);
    EXPECT_EQ(kept, "kept");
    EXPECT_EQ(getFails.liveComObjects(), 0);
}

TEST_F(WmiTest, ADoubleByteCaptionComesOutWhole) {
    fake.ansiOf = {{u'日', "日"}, {u'本', "本"}};
    fake.wmiObjects = {u"Windows 日本"};
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(value, "Windows 日本");
}

}  // namespace
}  // namespace orvex::testing
