// Every text each item's line can have, built once from the catalogue of the
// report's format, with its verdict and, where something is to be done, a hint.
#include "reader/verdicts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "reader/text_conversion.h"

namespace orvex::reader {

using namespace catalogue;

namespace {

// What may stand between a text's fixed head and tail.
enum class Value {
    Nothing,
    Text,      // anything, nothing included
    Date,      // YYYY/MM/DD HH:MM:SS.mmm
    Unsigned,  // decimal digits
    Signed,    // decimal digits, perhaps after a minus sign
};

struct Form {
    std::string head;  // CP932, after the item number
    Value value;
    std::string tail;
    Verdict verdict;
    std::string hint;  // UTF-8, for action and unread
};

using Forms = std::vector<Form>;

Form exact(std::string_view text, Verdict verdict, std::string hint = std::string()) {
    return {std::string(text), Value::Nothing, std::string(), verdict, std::move(hint)};
}

// head, then a value of its kind, then tail.
Form shaped(std::string_view head, Value value, std::string_view tail, Verdict verdict,
            std::string hint = std::string()) {
    return {std::string(head), value, std::string(tail), verdict, std::move(hint)};
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool fits(Value value, std::string_view text) {
    switch (value) {
    case Value::Nothing: return text.empty();
    case Value::Text: return true;
    case Value::Unsigned: return digitsOnly(text);
    case Value::Signed: return digitsOnly(!text.empty() && text[0] == '-' ? text.substr(1) : text);
    case Value::Date: {
        static constexpr std::string_view kShape = "0000/00/00 00:00:00.000";
        if (text.size() != kShape.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (kShape[i] == '0' ? !isDigit(text[i]) : text[i] != kShape[i]) return false;
        return true;
    }
    }
    return false;
}

std::string concat(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces) text.append(piece);
    return text;
}

using AllForms = std::array<Forms, kItemCount + 1>;  // by item number; 0 unused

void addSystemForms(AllForms& forms) {
    for (const LabelledItem& item : {kOsName, kOsVersion, kOsBuild})
        forms[item.number] = {shaped(item.label, Value::Text, "", Verdict::Info)};
    forms[kOsBitness.number] = {shaped(kOsBitness.label, Value::Text, "", Verdict::Info)};
    {
        const SmartCardItem& card = kSmartCardService;
        Forms& cardForms = forms[card.number];
        for (uint32_t state = 1; state <= 7; ++state) {
            const bool starting = state == 2 || state == 5;
            cardForms.push_back(exact(
                concat({card.label, card.stateMessages[state - 1], "(", std::to_string(state), ")"}),
                state == kSmartCardRunning ? Verdict::Ok : Verdict::Action,
                state == kSmartCardRunning ? ""
                : starting
                    ? "スマートカードサービスが起動の途中でした。少し待ってから、もう一度 OrvexEnv を実行してください。"
                    : "「サービス」で Smart Card を開始し、スタートアップの種類を「自動」にしてください。"));
        }
        // A code outside 1 to 7: the tool itself could not tell the state.
        cardForms.push_back(shaped(concat({card.label, card.stateMessages[7], "("}), Value::Signed, ")",
                                   Verdict::Unread,
                                   "スマートカードサービスの状態が分かりませんでした。「サービス」で Smart Card が"
                                   "実行中か確かめてください。"));
        cardForms.push_back(exact(card.unavailable, Verdict::Unread,
                                  "スマートカードサービスの状態を読めませんでした。「サービス」に Smart Card が"
                                  "あるか確かめてください。"));
    }
    for (const SigningComponentItem& component : {kSigningModule, kSigningControl}) {
        forms[component.number] = {
            shaped(component.dateLabel, Value::Date, "", Verdict::Ok),
            exact(component.notRegistered, Verdict::Action,
                  "事前準備セットアップを実行して、署名モジュールを登録してください。"),
            exact(component.fileMissing, Verdict::Action,
                  "事前準備セットアップを実行し直して、署名モジュールのファイルを入れ直してください。"),
            exact(component.unreadable, Verdict::Unread,
                  "登録されているファイルを読めませんでした。ほかのソフトが使っていないか確かめてから、"
                  "もう一度 OrvexEnv を実行してください。"),
        };
    }
    for (const SetupItem& setup : {kRubenaSetup, kWebSetup, kSoramuSetup}) {
        // The setup's name: its label between the full stop and the closing colon.
        std::string title = cp932ToUtf8(setup.installed.substr(kFullStop.size()));
        title.erase(title.size() - std::string_view("：").size());
        forms[setup.number] = {
            exact(setup.notInstalled, Verdict::Action, "「" + title + "」を実行（インストール）してください。"),
            shaped(setup.installed, Value::Text, "", Verdict::Ok),
        };
    }
}

void addInternetExplorerForms(AllForms& forms) {
    for (const HostItem& line : kTrustedSites.hosts) {
        const std::string head =
            concat({kTrustedSites.label, line.host.zoneValueName, kTrustedSites.result, zoneMapPath(line.host)});
        forms[line.number] = {exact(concat({head, kTrustedSites.set}), Verdict::Ok),
                              exact(concat({head, kTrustedSites.notSet}), Verdict::Action,
                                    concat({"インターネットオプションの信頼済みサイトに ", line.host.zoneValueName, "://",
                                            fullHostName(line.host), " を追加してください。"}))};
    }
    forms[kSecurityZone.number] = {
        exact(concat({kSecurityZone.ok, std::to_string(kDefaultSecurityLevel), kSecurityZone.close}), Verdict::Ok),
        shaped(kSecurityZone.notDefault, Value::Unsigned, kSecurityZone.close, Verdict::Action,
               "インターネットオプションの「セキュリティ」で信頼済みサイトを選び、「既定のレベル」を押してください。"),
        shaped(kSecurityZone.readFailed, Value::Signed, "", Verdict::Unread,
               "信頼済みサイトのセキュリティレベルを読めませんでした。インターネットオプションの「セキュリティ」で"
               "信頼済みサイトの「既定のレベル」を押してから、もう一度 OrvexEnv を実行してください。"),
    };
    for (const AddonItem& addon : {kAddons.iquennelClass, kAddons.quennelControl, kAddons.xmlHttp}) {
        forms[addon.number] = {exact(concat({kAddons.label, addon.displayName, kAddons.ok}), Verdict::Ok),
                               exact(concat({kAddons.label, addon.displayName, kAddons.ng}), Verdict::Action,
                                     concat({"インターネットオプションの「プログラム」の「アドオンの管理」で「",
                                             addon.displayName, "」を有効にしてください。"}))};
    }
    forms[kCompatibilityView.number] = {
        exact(kCompatibilityView.ok, Verdict::Ok),
        exact(concat({kCompatibilityView.ng, kAgencyDomain, kCompatibilityView.ngEnd}), Verdict::Action,
              concat({"互換表示設定の一覧から ", kAgencyDomain, " を削除してください。"}))};
    for (const HostItem& line : kPopupAllowList.hosts) {
        const std::string name = fullHostName(line.host);
        forms[line.number] = {
            exact(concat({kPopupAllowList.label, name, kPopupAllowList.ok}), Verdict::Ok),
            exact(concat({kPopupAllowList.label, name, kPopupAllowList.ng}), Verdict::Action,
                  "ポップアップブロックの設定で、許可するサイトに " + name + " を追加してください。")};
    }
}

void addExtensionForms(AllForms& forms) {
    const ExtensionValues& values = kExtensionValues;
    const struct {
        const BrowserExtensionItems& lines;
        const char* offHint;
    } browsers[] = {
        {kChromeExtension, "Chrome で拡張機能がオフになっています。Chrome の拡張機能の管理（chrome://extensions）"
                           "で有効にしてください。"},
        {kEdgeExtension, "Edge で拡張機能がオフになっています。Edge の拡張機能の管理（edge://extensions）"
                         "で有効にしてください。"},
    };
    for (const auto& browser : browsers) {
        for (const LabelledItem& state : browser.lines.states)
            forms[state.number] = {exact(concat({state.label, values.on}), Verdict::Ok),
                                   exact(concat({state.label, values.off}), Verdict::Action, browser.offHint),
                                   exact(concat({state.label, values.notInstalled}), Verdict::Info)};
        for (const LabelledItem& version : browser.lines.versions)
            forms[version.number] = {shaped(version.label, Value::Text, "", Verdict::Info)};
    }
}

const AllForms& allForms() {
    static const AllForms forms = [] {
        AllForms built;
        addSystemForms(built);
        addInternetExplorerForms(built);
        addExtensionForms(built);
        return built;
    }();
    return forms;
}

}  // namespace

bool digitsOnly(std::string_view text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

const char* verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok: return "ok";
    case Verdict::Action: return "action";
    case Verdict::Unread: return "unread";
    case Verdict::Info: return "info";
    }
    return "unread";
}

int itemNumber(std::string_view line) {
    std::size_t digits = 0;
    while (digits < line.size() && digits < 3 && isDigit(line[digits])) ++digits;
    if (digits == 0 || digits > 2 || line[0] == '0') return 0;
    if (line.substr(digits, kFullStop.size()) != kFullStop) return 0;
    const int number = digits == 1 ? line[0] - '0' : (line[0] - '0') * 10 + (line[1] - '0');
    return number <= kItemCount ? number : 0;
}

Judgement judgeItem(int item, std::string_view line) {
    if (item < 1 || item > kItemCount) return {};
    const std::string number = std::to_string(item);
    if (line.substr(0, number.size()) != number) return {};
    const std::string_view text = line.substr(number.size());
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const Form& form = forms[i];
        if (text.size() < form.head.size() + form.tail.size()) continue;
        if (text.substr(0, form.head.size()) != form.head) continue;
        if (text.substr(text.size() - form.tail.size()) != form.tail) continue;
        if (!fits(form.value, text.substr(form.head.size(), text.size() - form.head.size() - form.tail.size())))
            continue;
        return {form.verdict, static_cast<int>(i)};
    }
    return {};
}

std::string hint(int item, const Judgement& judgement) {
    if (item < 1 || item > kItemCount) return std::string();
    if (judgement.form < 0)
        return "項目 " + std::to_string(item) +
               " として OrvexEnv が書く形の行ではありません（ファイルが書き換えられたか壊れています）。"
               "もう一度 OrvexEnv を実行してもらってください。";
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    const std::size_t form = static_cast<std::size_t>(judgement.form);
    return form < forms.size() ? forms[form].hint : std::string();
}

}  // namespace orvex::reader

namespace orvex::reader {

std::string itemLabel(int item) {
    static const std::array<std::string, kItemCount + 1> labels = [] {
        std::array<std::string, kItemCount + 1> built;
        const std::string colon = "：";
        const std::string fullStop = cp932ToUtf8(kFullStop);
        for (int n = 1; n <= kItemCount; ++n) {
            // The line's fixed head up to its last colon: what it is about, not what it says.
            std::string text = cp932ToUtf8(allForms()[static_cast<std::size_t>(n)].front().head);
            if (text.rfind(fullStop, 0) == 0) text.erase(0, fullStop.size());
            const std::size_t last = text.rfind(colon);
            if (last != std::string::npos && last > 0) text.erase(last);
            built[static_cast<std::size_t>(n)] = text;
        }
        // The signing components' first text names the date; the trusted sites differ only in the host the path ends with; the
        // security zone's value comes after its first colon.
        for (const HostItem& line : kTrustedSites.hosts)
            built[static_cast<std::size_t>(line.number)] = "ブラウザ設定 信頼済みサイト " +
                                                           std::string(line.host.zoneValueName) + "://" +
                                                           fullHostName(line.host);
        for (const SigningComponentItem& component : {kSigningModule, kSigningControl}) {
            std::string text = cp932ToUtf8(component.notRegistered.substr(kFullStop.size()));
            built[static_cast<std::size_t>(component.number)] = text.substr(0, text.rfind(colon));
        }
        std::string& zone = built[static_cast<std::size_t>(kSecurityZone.number)];
        zone.erase(std::min(zone.find(colon), zone.size()));
        return built;
    }();
    return item >= 1 && item <= kItemCount ? labels[static_cast<std::size_t>(item)] : std::string();
}

}  // namespace orvex::reader
