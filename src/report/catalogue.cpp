// The report, top to bottom: every item's number and every fixed text of a
// result file, in the order a run writes them (declared in catalogue.h).
//
// FROZEN. OrvexEnvRead reads stored result files back by exactly these texts
// and numbers, some of them written years ago: not a byte of a text and no
// number may change. A new text may be added; an old one stays as it is.
//
// Compiled with the tool's execution character set: the texts are CP932.
#include "report/catalogue.h"

#include <initializer_list>

namespace orvex::catalogue {

namespace {

// Shared by the add-on and pop-up lines.
constexpr std::string_view kOk = "：OK";
constexpr std::string_view kNg = "：NG";

constexpr std::string_view kRegistryReadFailed = "レジストリ情報の取得に失敗しました。";
constexpr std::string_view kOsNameFailed = "OS情報の取得に失敗しました。";
constexpr std::string_view kOsVersionFailed = "OS情報取得に失敗しました。";

}  // namespace

constexpr std::string_view kFullStop = "．";

// ---- Before the result file: the console only ------------------------------

constexpr std::string_view kOpenFailed =
    "結果ファイルを作成できませんでした。結果ファイルを開いている場合は、閉じてから本ツールを実行してください。";
constexpr std::string_view kAnnouncement =
    "以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）";

// ---- A run in the result file ----------------------------------------------

constexpr std::string_view kSeparator = "=================================================";
constexpr std::string_view kStartLabel = "実行開始：";

// The target user's SID is looked up before item 1.
constexpr FailureSite kLastLoggedOnUserUnreadable{kRegistryReadFailed, "main", 344, 345, FailureTarget::Both};
constexpr FailureSite kProfileListUnreadable{kRegistryReadFailed, "main", 362, 363, FailureTarget::Both};

constexpr FailureSite kOsNameQueryFailed{kOsNameFailed, "getOSName", 48, 0, FailureTarget::ErrorStreamOnly};
constexpr LabelledItem kOsName{1, "．OS情報 種類（名称）："};
constexpr FailureSite kNtdllNotLoadable{kOsVersionFailed, "GetVersion2", 0, 40, FailureTarget::ResultFileOnly};
constexpr FailureSite kRtlGetVersionMissing{kOsVersionFailed, "GetVersion2", 0, 20, FailureTarget::ResultFileOnly};
constexpr LabelledItem kOsVersion{2, "．OS情報 種類（バージョン）："};
constexpr LabelledItem kOsBuild{3, "．OS情報 ビルドバージョン："};
constexpr BitnessItem kOsBitness{4, "．OS情報 bit数：", "32bit", "64bit", "--bit"};

constexpr SmartCardItem kSmartCardService{
    5,
    "．サービス情報 Smart Card Services：",
    {
        "スマートカードサービスは実行中ではありません",        // 1 stopped
        "スマートカードサービスは起動中です",                  // 2 start pending
        "スマートカードサービスは停止中です",                  // 3 stop pending
        "スマートカードサービスは実行中です",                  // 4 running
        "スマートカードサービスの再開は未処理です",            // 5 continue pending
        "スマートカードサービスの一時停止は未処理です",        // 6 pause pending
        "スマートカードサービスは一時停止されています",        // 7 paused
        "スマートカードサービスの状態が取得できませんでした",  // any other
    },
    "．サービス情報 Smart Card Services：情報を取得できませんでした。",
};

constexpr SigningComponentItem kSigningModule{
    6,
    "．署名モジュール Tessivan.dll：登録されていません。",
    "．署名モジュール Tessivan.dll 更新日付：",
    "．署名モジュール Tessivan.dll：登録されているファイルがありません。",
    "．署名モジュール Tessivan.dll：登録されているファイルの情報を取得できません。",
};
constexpr SigningComponentItem kSigningControl{
    7,
    "．署名モジュール Quennel.ocx：登録されていません。",
    "．署名モジュール Quennel.ocx 更新日付：",
    "．署名モジュール Quennel.ocx：登録されているファイルがありません。",
    "．署名モジュール Quennel.ocx：登録されているファイルの情報を取得できません。",
};

constexpr TrustedSiteItems kTrustedSites{
    "．ブラウザ設定 信頼済みサイトの設定(",
    ")取得結果：",
    " 設定されています。",
    " 設定されていません。",
    {{
        {8, kWebClientHost},
        {9, kDownloadHost},
        {10, kStartOfUseHost},
        {11, kReceptionHost},
        {12, kCalculationHost},
        {13, kIdFederationHost},
        {14, kImageHost},
        {15, kPortalServiceHost},
        {16, kPortalDomainHost},
    }},
};

constexpr SecurityZoneItem kSecurityZone{
    17,
    "．ブラウザ設定 セキュリティゾーン：OK (NO.",
    "．ブラウザ設定 セキュリティゾーン：規定値ではありません。：(NO.",
    ")",
    "．ブラウザ設定 セキュリティゾーン：情報取得に失敗しました。",
};

constexpr AddonItems kAddons{
    "．ブラウザ設定 アドオンの管理：",
    kOk,
    kNg,
    {18, "IQuennel Class"},
    {19, "Quennel Control"},
    {20, "XML HTTP 6.0"},
};

constexpr CompatibilityItem kCompatibilityView{
    21,
    "．ブラウザ設定 互換表示設定：OK",
    "．ブラウザ設定 互換表示設定：NG（",
    "が登録されています）",
};

constexpr PopupItems kPopupAllowList{
    "．ブラウザ設定 ポップアップブロック設定：",
    kOk,
    kNg,
    {{
        {22, kWebClientHost},
        {23, kDownloadHost},
        {24, kStartOfUseHost},
        {25, kCalculationHost},
        {26, kIdFederationHost},
        {27, kImageHost},
        {28, kPortalServiceHost},
        {29, kReceptionHost},
        {30, kPortalDomainHost},
    }},
};

// The target user's local application data directory is looked up here.
constexpr FailureSite kLastLoggedOnSamUserUnreadable{kRegistryReadFailed, "main", 725, 726, FailureTarget::Both};

constexpr BrowserExtensionItems kChromeExtension{
    {{
        {31, "．Chrome拡張機能(Chrome用)：Preferences："},
        {32, "．Chrome拡張機能(Chrome用)：Secure Preferences："},
    }},
    {{
        {33, "．Chrome拡張機能(Chrome用)(バージョン)：Preferences："},
        {34, "．Chrome拡張機能(Chrome用)(バージョン)：Secure Preferences："},
    }},
};
constexpr BrowserExtensionItems kEdgeExtension{
    {{
        {35, "．Chrome拡張機能(Edge用)：Preferences："},
        {36, "．Chrome拡張機能(Edge用)：Secure Preferences："},
    }},
    {{
        {37, "．Chrome拡張機能(Edge用)(バージョン)：Preferences："},
        {38, "．Chrome拡張機能(Edge用)(バージョン)：Secure Preferences："},
    }},
};
constexpr ExtensionValues kExtensionValues{"on", "off", "インストールされていません", "-"};

constexpr SetupItem kRubenaSetup{
    39,
    "．ルベナ事前準備セットアップ：",
    "．ルベナ事前準備セットアップ：インストールされていません",
};
constexpr SetupItem kWebSetup{
    40,
    "．Orvexソフト（WEB版）事前準備セットアップ：",
    "．Orvexソフト（WEB版）事前準備セットアップ：インストールされていません",
};
constexpr SetupItem kSoramuSetup{
    41,
    "．ソラム事前準備セットアップ：",
    "．ソラム事前準備セットアップ：インストールされていません",
};

// A complete run ends with kSeparator again.

// ---- What the records above must hold --------------------------------------

namespace {

// The items numbered 1 to kItemCount in the order above, each of its kind,
// and every text that begins a line beginning with the full stop.
constexpr bool numberedInOrderWithTheirFullStops() {
    int expected = 1;
    bool holds = true;
    const auto line = [&](int number, ItemKind kind, std::initializer_list<std::string_view> heads) {
        holds = holds && number == expected && itemKind(number) == kind;
        ++expected;
        for (std::string_view head : heads) holds = holds && head.substr(0, kFullStop.size()) == kFullStop;
    };
    line(kOsName.number, ItemKind::OsName, {kOsName.label});
    line(kOsVersion.number, ItemKind::OsVersion, {kOsVersion.label});
    line(kOsBuild.number, ItemKind::OsBuild, {kOsBuild.label});
    line(kOsBitness.number, ItemKind::OsBitness, {kOsBitness.label});
    line(kSmartCardService.number, ItemKind::SmartCardService, {kSmartCardService.label, kSmartCardService.unavailable});
    for (const SigningComponentItem& item : {kSigningModule, kSigningControl})
        line(item.number, ItemKind::SigningComponent,
             {item.notRegistered, item.dateLabel, item.fileMissing, item.unreadable});
    for (const HostItem& item : kTrustedSites.hosts) line(item.number, ItemKind::TrustedSite, {kTrustedSites.label});
    line(kSecurityZone.number, ItemKind::SecurityZone,
         {kSecurityZone.ok, kSecurityZone.notDefault, kSecurityZone.readFailed});
    for (const AddonItem& item : {kAddons.iquennelClass, kAddons.quennelControl, kAddons.xmlHttp})
        line(item.number, ItemKind::AddonManagement, {kAddons.label});
    line(kCompatibilityView.number, ItemKind::CompatibilityView, {kCompatibilityView.ok, kCompatibilityView.ng});
    for (const HostItem& item : kPopupAllowList.hosts) line(item.number, ItemKind::PopupAllowList, {kPopupAllowList.label});
    for (const BrowserExtensionItems& browser : {kChromeExtension, kEdgeExtension}) {
        for (const LabelledItem& item : browser.states) line(item.number, ItemKind::ExtensionState, {item.label});
        for (const LabelledItem& item : browser.versions) line(item.number, ItemKind::ExtensionVersion, {item.label});
    }
    for (const SetupItem& item : {kRubenaSetup, kWebSetup, kSoramuSetup})
        line(item.number, ItemKind::PreparationSetup, {item.installed, item.notInstalled});
    return holds && expected == kItemCount + 1;
}
static_assert(numberedInOrderWithTheirFullStops(),
              "the items are not numbered 1 to kItemCount in order, each of its kind in kItemKinds, or a label "
              "lacks its full stop");

// The add-on lines stand in the byte order of their display names.
static_assert(kAddons.iquennelClass.displayName < kAddons.quennelControl.displayName &&
                  kAddons.quennelControl.displayName < kAddons.xmlHttp.displayName,
              "the add-on lines are not in the byte order of their names");

constexpr std::size_t labelCount(std::string_view name) {
    if (name.empty()) return 0;
    std::size_t labels = 1;
    for (char c : name) labels += c == '.' ? 1 : 0;
    return labels;
}

constexpr std::string_view lastLabel(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// The host table's shape is fixed; only the names in it are ours to choose.
// In the trusted-sites order: five hosts of the agency domain, the first four
// in the service's own sub-domain, the second one read under "http"; then
// three hosts of the portal domain and the portal domain itself. The pop-up
// lines name the same nine hosts, each once.
constexpr bool hostTableHasItsShape() {
    const auto& hosts = kTrustedSites.hosts;
    for (std::size_t row = 0; row < hosts.size(); ++row) {
        const ServiceHost& host = hosts[row].host;
        const bool agency = row < 5;
        if (host.parent != (agency ? kAgencyDomain : kPortalDomain)) return false;
        if (host.zoneValueName != (row == 1 ? std::string_view("http") : std::string_view("https"))) return false;
        const std::size_t wanted = agency ? 2 : row < 8 ? 1 : 0;
        if (labelCount(host.prefix) != wanted) return false;
        if (agency && ((lastLabel(host.prefix) == kServiceLabel) != (row < 4))) return false;
        int popupLines = 0;
        for (const HostItem& popup : kPopupAllowList.hosts) popupLines += popup.host == host ? 1 : 0;
        if (popupLines != 1) return false;
    }
    return true;
}
static_assert(hostTableHasItsShape(), "service host table out of shape");

}  // namespace

}  // namespace orvex::catalogue
