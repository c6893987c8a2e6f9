// A user whose Internet Explorer settings are partly right: the lines a
// support desk sees most often.
#include <gtest/gtest.h>

#include "ie_test_bed.h"

namespace orvex::testing {
namespace {

TEST(InternetExplorerReport, MixedUserWithARealCompatibilityList) {
    IeBed bed;
    const std::string agency = kDomains + "\\orvex.example";
    const std::string portal = kDomains + "\\citizenportal.example";
    bed.dword(agency + "\\www.efile", "https", 2);
    bed.dword(agency + "\\dl.efile", "http", 2);
    bed.dword(agency + "\\start.efile", "https", 1);  // local intranet
    bed.dword(agency + "\\recv.efile", "*", 2);       // every scheme, not the one read
    bed.dword(agency + "\\calc.assist", "https", 2);
    bed.dword(portal + "\\idf", "https", 2);
    bed.dword(portal + "\\svc", "https", 2);
    bed.dword(portal, "https", 4);                    // restricted
    bed.dword(kZone2, "CurrentLevel", 0x10000);
    bed.dword(kExtSettings + "\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}", "Flags", 0);
    bed.dword(kExtSettings + "\\{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}", "Flags", 1);
    bed.binary(kClearable, "UserFilter", compatibilityList({"legacy-tax.example", "orvex.example", "intranet.example"}));
    for (const char* host : {"www.efile.orvex.example", "dl.efile.orvex.example", "calc.assist.orvex.example",
                             "idf.citizenportal.example", "svc.citizenportal.example", "citizenportal.example",
                             "orvex.example"})
        bed.binary(kAllow, host, {0, 0});
    bed.binary(kAllow, "start.efile.orvex.example", {1, 0});
    bed.dword(kAllow, "recv.efile.orvex.example", 0);

    EXPECT_EQ(runAllChecks(bed, kSid), (std::vector<std::string>{
        "8．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\www.efile 設定されています。",
        "9．ブラウザ設定 信頼済みサイトの設定(http)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\dl.efile 設定されています。",
        "10．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\start.efile 設定されていません。",
        "11．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\recv.efile 設定されていません。",
        "12．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\orvex.example\\calc.assist 設定されています。",
        "13．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\idf 設定されています。",
        "14．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\img 設定されていません。",
        "15．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example\\svc 設定されています。",
        "16．ブラウザ設定 信頼済みサイトの設定(https)取得結果：\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\citizenportal.example 設定されていません。",
        "17．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.65536)",
        "18．ブラウザ設定 アドオンの管理：IQuennel Class：OK",
        "19．ブラウザ設定 アドオンの管理：Quennel Control：NG",
        "20．ブラウザ設定 アドオンの管理：XML HTTP 6.0：OK",
        "21．ブラウザ設定 互換表示設定：NG（orvex.exampleが登録されています）",
        "22．ブラウザ設定 ポップアップブロック設定：www.efile.orvex.example：OK",
        "23．ブラウザ設定 ポップアップブロック設定：dl.efile.orvex.example：OK",
        "24．ブラウザ設定 ポップアップブロック設定：start.efile.orvex.example：NG",
        "25．ブラウザ設定 ポップアップブロック設定：calc.assist.orvex.example：OK",
        "26．ブラウザ設定 ポップアップブロック設定：idf.citizenportal.example：OK",
        "27．ブラウザ設定 ポップアップブロック設定：img.citizenportal.example：NG",
        "28．ブラウザ設定 ポップアップブロック設定：svc.citizenportal.example：OK",
        "29．ブラウザ設定 ポップアップブロック設定：recv.efile.orvex.example：NG",
        "30．ブラウザ設定 ポップアップブロック設定：citizenportal.example：OK",
    }));
}

}  // namespace
}  // namespace orvex::testing
