// The WMI query: COM entered and left in pairs, every interface released
// once and in order on every path, and which instance's text the value ends
// with.
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

TEST(Wmi, EveryInstanceIsReadInTurnAndEverythingReleasedInOrder) {
    FakePlatform fake;
    fake.initializeResult = 1;  // S_FALSE: already a multithreaded apartment, still to be left
    fake.securityResult = 1;
    fake.ansiOf = {{u'日', "日"}, {u'本', "本"}};
    // Each instance replaces the value, a double-byte text whole; one whose
    // property is no string leaves it.
    fake.wmiObjects = {u"first", u"Windows 日本", std::nullopt};
    std::string value = "before";
    EXPECT_EQ(getWmiProperty(fake, "Win32_OperatingSystem", "Caption", value), 0);
    EXPECT_EQ(value, "Windows 日本");
    EXPECT_EQ(fake.calls, joined({kSetUp,
                                  {"Next", "Get", "Release(object0)", "Next", "Get", "Release(object1)", "Next", "Get",
                                   "Release(object2)", "Next"},
                                  kTearDown}));
    EXPECT_EQ(fake.wmiNamespaces, std::vector<std::u16string>{u"ROOT\\CIMV2"});
    EXPECT_EQ(fake.wmiQueries, std::vector<std::u16string>{u"SELECT * FROM Win32_OperatingSystem"});
    EXPECT_EQ(fake.wmiPropertyNames, std::vector<std::u16string>(3, u"Caption"));
    EXPECT_EQ(fake.liveComObjects(), 0);
}

TEST(Wmi, AnEmptyTextReplacesTheValueButNoInstanceOrAFailedGetLeavesIt) {
    struct Case {
        std::vector<std::optional<std::u16string>> objects;
        ComStatus getResult;
        const char* value;
    };
    const Case cases[] = {
        {{u"first", u""}, 0, ""},
        {{}, 0, "before"},
        {{u"x"}, static_cast<ComStatus>(0x80041002), "before"},  // WBEM_E_NOT_FOUND
    };
    for (const Case& c : cases) {
        FakePlatform fake;
        fake.wmiObjects = c.objects;
        fake.getResult = c.getResult;
        std::string value = "before";
        EXPECT_EQ(getWmiProperty(fake, "Win32_OperatingSystem", "Caption", value), 0);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(fake.liveComObjects(), 0);
    }
}

struct FailingStep {
    const char* name;
    ComStatus FakePlatform::*result;
    Calls calls;
};

TEST(Wmi, EachFailingStepReleasesWhatItHoldsAndLeavesTheValue) {
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
        FakePlatform fake;
        fake.wmiObjects = {u"never read"};
        fake.*step.result = static_cast<ComStatus>(0x80004005);  // E_FAIL
        std::string value = "before";
        EXPECT_EQ(getWmiProperty(fake, "Win32_OperatingSystem", "Caption", value), 1);
        EXPECT_EQ(value, "before");
        EXPECT_EQ(fake.calls, step.calls);
        EXPECT_EQ(fake.liveComObjects(), 0);
    }
}

}  // namespace
}  // namespace orvex::testing
