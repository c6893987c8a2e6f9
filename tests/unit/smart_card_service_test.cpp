// Item 5: the smart card service's state, and the handles closed on each path,
// the service's before the manager's.
#include <gtest/gtest.h>

#include "probes/system/smart_card_service.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

using Calls = std::vector<std::string>;

std::string runWith(FakePlatform& fake) {
    Streams s;
    checkSmartCardService(fake, s.report);
    EXPECT_EQ(s.err.str(), "");
    return s.file.str();
}

TEST(SmartCardService, EachStateHasItsMessageAndUnknownStatesKeepTheirCode) {
    const std::pair<uint32_t, std::string> states[] = {
        {1, "スマートカードサービスは実行中ではありません(1)"},
        {2, "スマートカードサービスは起動中です(2)"},
        {3, "スマートカードサービスは停止中です(3)"},
        {4, "スマートカードサービスは実行中です(4)"},
        {5, "スマートカードサービスの再開は未処理です(5)"},
        {6, "スマートカードサービスの一時停止は未処理です(6)"},
        {7, "スマートカードサービスは一時停止されています(7)"},
        {8, "スマートカードサービスの状態が取得できませんでした(8)"},
        {0, "スマートカードサービスの状態が取得できませんでした(0)"},
    };
    for (const auto& [state, value] : states) {
        FakePlatform fake;
        fake.services["SCardSvr"] = state;
        EXPECT_EQ(runWith(fake), "5．サービス情報 Smart Card Services：" + value + "\r\n");
    }
}

TEST(SmartCardService, WhatCannotBeAskedIsUnavailableAndEveryOpenedHandleIsClosed) {
    const std::string unavailable = "5．サービス情報 Smart Card Services：情報を取得できませんでした。\r\n";
    // The manager opened to connect (1), the service to query its status (4).
    const Calls bothClosed = {"OpenSCManager(1)", "OpenService(SCardSvr,4)", "QueryServiceStatus",
                              "CloseServiceHandle(service)", "CloseServiceHandle(manager)"};

    FakePlatform running;
    running.services["SCardSvr"] = 4;
    runWith(running);
    EXPECT_EQ(running.calls, bothClosed);

    FakePlatform queryFails;
    queryFails.services["SCardSvr"] = 4;
    queryFails.serviceQueryFails = true;
    EXPECT_EQ(runWith(queryFails), unavailable);
    EXPECT_EQ(queryFails.calls, bothClosed);

    FakePlatform notInstalled;
    EXPECT_EQ(runWith(notInstalled), unavailable);
    EXPECT_EQ(notInstalled.calls,
              (Calls{"OpenSCManager(1)", "OpenService(SCardSvr,4)", "CloseServiceHandle(manager)"}));

    FakePlatform denied;
    denied.scManagerOpens = false;
    denied.services["SCardSvr"] = 4;
    EXPECT_EQ(runWith(denied), unavailable);
    EXPECT_EQ(denied.calls, Calls{"OpenSCManager(1)"});
}

}  // namespace
}  // namespace orvex::testing
