// Every text each item's line can have, built once from the checks' own
// texts, with its verdict and, where something is to be done, a hint.
#include "reader/verdicts.h"

#include <array>
#include <cstdint>
#include <vector>

#include "probes/chromium/browser_extension.h"
#include "probes/ie/ie_checks.h"
#include "probes/ie/service_hosts.h"
#include "probes/system/os_identification.h"
#include "probes/system/preparation_setups.h"
#include "probes/system/signing_modules.h"
#include "probes/system/smart_card_service.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

namespace {

// Every label begins with the full-width full stop; the setups' titles end
// with a full-width colon.
constexpr std::string_view kFullStop = "．";
constexpr std::string_view kColon = "：";

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

Form exact(std::string text, Verdict verdict, std::string hint = std::string()) {
    return {std::move(text), Value::Nothing, std::string(), verdict, std::move(hint)};
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool digitsOnly(std::string_view text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

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

void addSystemForms(std::array<Forms, kItemCount + 1>& forms) {
    {
        using namespace os_texts;
        const char* const labels[] = {kNameLabel, kVersionLabel, kBuildLabel, kBitnessLabel};
        for (int i = 0; i < 4; ++i) forms[1 + i] = {{labels[i], Value::Text, "", Verdict::Info, ""}};
    }
    {
        using namespace smart_card_texts;
        for (uint32_t state = 1; state <= 7; ++state) {
            const bool starting = state == 2 || state == 5;
            forms[5].push_back(exact(
                concat({kLabel, kStateMessages[state - 1], "(", std::to_string(state), ")"}),
                state == kRunning ? Verdict::Ok : Verdict::Action,
                state == kRunning ? ""
                : starting
                    ? u8"スマートカードサービスが起動の途中でした。少し待ってから、もう一度 OrvexEnv を実行してください。"
                    : u8"「サービス」で Smart Card を開始し、スタートアップの種類を「自動」にしてください。"));
        }
        // A code outside 1 to 7: the tool itself could not tell the state.
        forms[5].push_back({concat({kLabel, kStateMessages[7], "("}), Value::Signed, ")", Verdict::Unread,
                            u8"スマートカードサービスの状態が分かりませんでした。「サービス」で Smart Card が"
                            u8"実行中か確かめてください。"});
        forms[5].push_back(exact(kUnavailable, Verdict::Unread,
                                 u8"スマートカードサービスの状態を読めませんでした。「サービス」に Smart Card が"
                                 u8"あるか確かめてください。"));
    }
    for (int i = 0; i < 2; ++i) {
        const signing_texts::SigningModule& module = signing_texts::kModules[i];
        forms[6 + i] = {
            {module.dateLabel, Value::Date, "", Verdict::Ok, ""},
            exact(module.notRegistered, Verdict::Action,
                  u8"事前準備セットアップを実行して、署名モジュールを登録してください。"),
            exact(module.fileMissing, Verdict::Action,
                  u8"事前準備セットアップを実行し直して、署名モジュールのファイルを入れ直してください。"),
            exact(module.unreadable, Verdict::Unread,
                  u8"登録されているファイルを読めませんでした。ほかのソフトが使っていないか確かめてから、"
                  u8"もう一度 OrvexEnv を実行してください。"),
        };
    }
    for (int i = 0; i < 3; ++i) {
        const setup_texts::PreparationSetup& setup = setup_texts::kSetups[i];
        std::string_view title = setup.installed;
        title.remove_prefix(kFullStop.size());
        title.remove_suffix(kColon.size());
        forms[39 + i] = {
            exact(setup.notInstalled, Verdict::Action,
                  u8"「" + cp932ToUtf8(title) + u8"」を実行（インストール）してください。"),
            {setup.installed, Value::Text, "", Verdict::Ok, ""},
        };
    }
}

void addInternetExplorerForms(std::array<Forms, kItemCount + 1>& forms) {
    int item = 8;
    for (const ServiceHost& host : kServiceHosts) {
        using namespace trusted_sites_texts;
        const std::string head = concat({kLabel, host.zoneValueName, kResult, zoneMapPath(host)});
        forms[item++] = {exact(head + kSet, Verdict::Ok),
                         exact(head + kNotSet, Verdict::Action,
                               concat({u8"インターネットオプションの信頼済みサイトに ", host.zoneValueName, "://",
                                       fullHostName(host), u8" を追加してください。"}))};
    }
    {
        using namespace security_zone_texts;
        forms[17] = {
            exact(concat({kOk, std::to_string(kDefaultLevel), kClose}), Verdict::Ok),
            {kNotDefault, Value::Unsigned, kClose, Verdict::Action,
             u8"インターネットオプションの「セキュリティ」で信頼済みサイトを選び、「既定のレベル」を押してください。"},
            {kReadFailed, Value::Signed, "", Verdict::Unread,
             u8"信頼済みサイトのセキュリティレベルを読めませんでした。インターネットオプションの「セキュリティ」で"
             u8"信頼済みサイトの「既定のレベル」を押してから、もう一度 OrvexEnv を実行してください。"},
        };
    }
    item = 18;
    for (const addon_texts::Addon& addon : addon_texts::kAddons) {
        using namespace addon_texts;
        forms[item++] = {exact(concat({kLabel, addon.displayName, kOk}), Verdict::Ok),
                         exact(concat({kLabel, addon.displayName, kNg}), Verdict::Action,
                               concat({u8"インターネットオプションの「プログラム」の「アドオンの管理」で「",
                                       addon.displayName, u8"」を有効にしてください。"}))};
    }
    {
        using namespace compatibility_texts;
        forms[21] = {exact(kOk, Verdict::Ok),
                     exact(concat({kNg, kAgencyDomain, kNgEnd}), Verdict::Action,
                           concat({u8"互換表示設定の一覧から ", kAgencyDomain, u8" を削除してください。"}))};
    }
    item = 22;
    for (const ServiceHost* host : hostsInPopupOrder()) {
        using namespace popup_texts;
        const std::string name = fullHostName(*host);
        forms[item++] = {exact(concat({kLabel, name, kOk}), Verdict::Ok),
                         exact(concat({kLabel, name, kNg}), Verdict::Action,
                               u8"ポップアップブロックの設定で、許可するサイトに " + name + u8" を追加してください。")};
    }
}

void addExtensionForms(std::array<Forms, kItemCount + 1>& forms) {
    using namespace extension_texts;
    // Each browser: the state lines of its two documents, then their version lines.
    for (int browser = 0; browser < 2; ++browser) {
        const std::string offHint =
            browser == 0 ? u8"Chrome で拡張機能がオフになっています。Chrome の拡張機能の管理（chrome://extensions）"
                           u8"で有効にしてください。"
                         : u8"Edge で拡張機能がオフになっています。Edge の拡張機能の管理（edge://extensions）"
                           u8"で有効にしてください。";
        for (int document = 0; document < 2; ++document) {
            const DocumentRow& row = kDocuments[browser * 2 + document];
            const int stateItem = 31 + browser * 4 + document;
            forms[stateItem] = {exact(concat({row.stateLabel, kOn}), Verdict::Ok),
                                exact(concat({row.stateLabel, kOff}), Verdict::Action, offHint),
                                exact(concat({row.stateLabel, kNotInstalled}), Verdict::Info)};
            forms[stateItem + 2] = {{row.versionLabel, Value::Text, "", Verdict::Info, ""}};
        }
    }
}

const std::array<Forms, kItemCount + 1>& allForms() {
    static const std::array<Forms, kItemCount + 1> forms = [] {
        std::array<Forms, kItemCount + 1> built;
        addSystemForms(built);
        addInternetExplorerForms(built);
        addExtensionForms(built);
        return built;
    }();
    return forms;
}

}  // namespace

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
        return u8"項目 " + std::to_string(item) +
               u8" として OrvexEnv が書く形の行ではありません（ファイルが書き換えられたか壊れています）。"
               u8"もう一度 OrvexEnv を実行してもらってください。";
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    const std::size_t form = static_cast<std::size_t>(judgement.form);
    return form < forms.size() ? forms[form].hint : std::string();
}

}  // namespace orvex::reader
