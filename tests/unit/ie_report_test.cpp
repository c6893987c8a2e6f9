// The five Internet Explorer checks run back to back, as the run calls them:
// items 8 to 30 for a well-set user, and in their failed forms for a user whose
// hive holds nothing and for an unknown user (empty SID).
#include <gtest/gtest.h>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

// Everything right, under the hive at prefix ("S-1-5-21-...", or "" for keys
// straight under HKEY_USERS).
void setEverythingRight(FakePlatform& fake, const std::string& prefix) {
    auto dword = [&](const std::string& key, const char* name, uint32_t value) {
        fake.setDword(RegRoot::Users, prefix + key, name, value);
    };
    for (const char* host : {"\\www.efile", "\\start.efile", "\\recv.efile", "\\calc.assist"})
        dword(kAgency + host, "https", 2);
    dword(kAgency + "\\dl.efile", "http", 2);
    for (const char* host : {"\\idf", "\\img", "\\svc", ""}) dword(kPortal + host, "https", 2);
    dword(kZone2, "CurrentLevel", 0x11000);
    dword(kQuennelClass, "Flags", 0);
    fake.setBinary(RegRoot::Users, prefix + kClearable, "UserFilter",
                   compatibilityList({"legacy-tax.example", "intranet.example"}));
    for (const char* host : {"www.efile.orvex.example", "dl.efile.orvex.example", "start.efile.orvex.example",
                             "recv.efile.orvex.example", "calc.assist.orvex.example", "idf.citizenportal.example",
                             "img.citizenportal.example", "svc.citizenportal.example", "citizenportal.example"})
        fake.setBinary(RegRoot::Users, prefix + kAllow, host, {0, 0});
}

// The five checks in the run's order; the console lines.
Lines runAllChecks(IeBed& bed, const std::string& sid) {
    for (IeCheck check : {checkTrustedSites, checkSecurityZone, checkAddonSettings, checkCompatibilityView,
                          checkPopupAllowList})
        check(bed.registry, bed.report, sid);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    EXPECT_EQ(bed.err.str(), "");
    return consoleLines(bed.out.str());
}

TEST(InternetExplorerReport, EverySettingRight) {
    IeBed bed;
    setEverythingRight(bed.fake, kSid);
    const Lines expected = {
        "8．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\www.efile 設定されています。",
        "9．ブラウザ設定 信頼済みサイトの設定(http)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\dl.efile 設定されています。",
        "10．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\start.efile 設定されています。",
        "11．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\recv.efile 設定されています。",
        "12．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\calc.assist 設定されています。",
        "13．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\idf 設定されています。",
        "14．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\img 設定されています。",
        "15．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\svc 設定されています。",
        "16．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example 設定されています。",
        "17．ブラウザ設定 セキュリティゾーン：OK (NO.69632)",
        "18．ブラウザ設定 アドオンの管理：IQuennel Class：OK",
        "19．ブラウザ設定 アドオンの管理：Quennel Control：OK",
        "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：OK",
        "21．ブラウザ設定 互換表示設定：OK",
        "22．ブラウザ設定 ポップアップブロック設定：www.efile.orvex.example：OK",
        "23．ブラウザ設定 ポップアップブロック設定：dl.efile.orvex.example：OK",
        "24．ブラウザ設定 ポップアップブロック設定：start.efile.orvex.example：OK",
        "25．ブラウザ設定 ポップアップブロック設定：calc.assist.orvex.example：OK",
        "26．ブラウザ設定 ポップアップブロック設定：idf.citizenportal.example：OK",
        "27．ブラウザ設定 ポップアップブロック設定：img.citizenportal.example：OK",
        "28．ブラウザ設定 ポップアップブロック設定：svc.citizenportal.example：OK",
        "29．ブラウザ設定 ポップアップブロック設定：recv.efile.orvex.example：OK",
        "30．ブラウザ設定 ポップアップブロック設定：citizenportal.example：OK",
    };
    EXPECT_EQ(runAllChecks(bed, kSid), expected);
    // The result file holds the same lines, each ending in CR LF.
    std::string file;
    for (const std::string& line : expected) file += line + "\r\n";
    EXPECT_EQ(bed.file.str(), file);
}

TEST(InternetExplorerReport, AnEmptyHiveAndAnUnknownUserGiveEveryLineInItsFailedForm) {
    const Lines nothingSet = {
        "8．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\www.efile 設定されていません。",
        "9．ブラウザ設定 信頼済みサイトの設定(http)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\dl.efile 設定されていません。",
        "10．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\start.efile 設定されていません。",
        "11．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\recv.efile 設定されていません。",
        "12．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\calc.assist 設定されていません。",
        "13．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\idf 設定されていません。",
        "14．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\img 設定されていません。",
        "15．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\svc 設定されていません。",
        "16．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example 設定されていません。",
        "17．ブラウザ設定 セキュリティゾーン：情報取得に失敗しました。-3",
        "18．ブラウザ設定 アドオンの管理：IQuennel Class：OK",
        "19．ブラウザ設定 アドオンの管理：Quennel Control：OK",
        "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：OK",
        "21．ブラウザ設定 互換表示設定：OK",
        "22．ブラウザ設定 ポップアップブロック設定：www.efile.orvex.example：NG",
        "23．ブラウザ設定 ポップアップブロック設定：dl.efile.orvex.example：NG",
        "24．ブラウザ設定 ポップアップブロック設定：start.efile.orvex.example：NG",
        "25．ブラウザ設定 ポップアップブロック設定：calc.assist.orvex.example：NG",
        "26．ブラウザ設定 ポップアップブロック設定：idf.citizenportal.example：NG",
        "27．ブラウザ設定 ポップアップブロック設定：img.citizenportal.example：NG",
        "28．ブラウザ設定 ポップアップブロック設定：svc.citizenportal.example：NG",
        "29．ブラウザ設定 ポップアップブロック設定：recv.efile.orvex.example：NG",
        "30．ブラウザ設定 ポップアップブロック設定：citizenportal.example：NG",
    };

    IeBed bare;
    bare.fake.addKey(RegRoot::Users, kSid + "\\Software\\Microsoft");
    EXPECT_EQ(runAllChecks(bare, kSid), nothingSet);

    // An empty SID names no hive: not even settings straight under HKEY_USERS
    // are read, though each of them would change its line.
    IeBed unknown;
    for (const std::string& hive : {kSid, std::string()}) {
        setEverythingRight(unknown.fake, hive);
        unknown.fake.setDword(RegRoot::Users, hive + kQuennelControl, "Flags", 1);
        unknown.fake.setBinary(RegRoot::Users, hive + kClearable, "UserFilter", compatibilityList({"orvex.example"}));
    }
    EXPECT_EQ(runAllChecks(unknown, ""), nothingSet);
}

}  // namespace
}  // namespace orvex::testing
