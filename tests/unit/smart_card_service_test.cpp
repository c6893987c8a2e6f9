// Item 5: the smart card service's state, and which handles are closed on each path.
#include <gtest/gtest.h>

#include "probes/system/smart_card_service.h"
#include "test_support.h"

namespace orvex::testing {
namespace {

using Calls = std::vector<std::string>;

const char kUnavailable[] = "5．サービス情報 Smart Card Services：情報を取得できませんでした。";

class SmartCardServiceTest : public ::testing::Test {
protected:
    std::string run() {
        EXPECT_EQ(checkSmartCardService(fake, s.report, 5), 6);
        EXPECT_EQ(s.err.str(), "");
        auto lines = fileLines(s.file.str());
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? std::string() : lines[0];
    }

    FakePlatform fake;
    Streams s;
};

TEST_F(SmartCardServiceTest, RunningServiceClosesTheServiceHandleBeforeTheManager) {
    fake.services["SCardSvr"] = 4;
    EXPECT_EQ(run(), "5．サービス情報 Smart Card Services：スマートカードサービスは実行中です(4)");
    EXPECT_EQ(fake.calls, (Calls{"OpenSCManager(1)", "OpenService(SCardSvr,4)", "QueryServiceStatus",
                                 "CloseServiceHandle(service)", "CloseServiceHandle(manager)"}));
    EXPECT_EQ(s.out.str(), "5．サービス情報 Smart Card Services：スマートカードサービスは実行中です(4)\n");
}

TEST_F(SmartCardServiceTest, EachStateHasItsMessageAndUnknownStatesKeepTheirCode) {
    const std::pair<uint32_t, std::string> states[] = {
        {1, "スマートカードサービスは実行中ではありません(1)"},
        {2, "スマートカードサービスは起動中です(2)"},
        {3, "スマートカードサービスは停止中です(3)"},
        {5, "スマートカードサービスの再開は未処理です(5)"},
        {6, "スマートカードサービスの一時停止は未処理です(6)"},
        {7, "スマートカードサービスは一時停止されています(7)"},
        {8, "スマートカードサービスの状態が取得できませんでした(8)"},
        {0, "スマートカードサービスの状態が取得できませんでした(0)"},
    };
    for (const auto& [state, value] : states) {
        FakePlatform fresh;
        fresh.services["SCardSvr"] = state;
        Streams t;
        checkSmartCardService(fresh, t.report, 5);
        EXPECT_EQ(t.file.str(), "5．サービス情報 Smart Card Services：" + value + "\r\n");
    }
}

TEST_F(SmartCardServiceTest, ServiceNotInstalledClosesTheManager) {
    EXPECT_EQ(run(), kUnavailable);
    EXPECT_EQ(fake.calls, (Calls{"OpenSCManager(1)", "OpenService(SCardSvr,4)", "CloseServiceHandle(manager)"}));
}

TEST_F(SmartCardServiceTest, ManagerDeniedClosesNothing) {
    fake.scManagerOpens = false;
    fake.services["SCardSvr"] = 4;
    EXPECT_EQ(run(), kUnavailable);
    EXPECT_EQ(fake.calls, Calls{"OpenSCManager(1)"});
}

TEST_F(SmartCardServiceTest, FailedQueryClosesBothHandlesInOrder) {
    fake.services["SCardSvr"] = 4;
    fake.serviceQueryFails = true;
    EXPECT_EQ(run(), kUnavailable);
    EXPECT_EQ(fake.calls, (Calls{"OpenSCManager(1)", "OpenService(SCardSvr,4)", "QueryServiceStatus",
                                 "CloseServiceHandle(service)", "CloseServiceHandle(manager)"}));
}

}  // namespace
}  // namespace orvex::testing
