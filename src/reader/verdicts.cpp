// Every text each item's line can have, built once from the catalogue of the
// report's format, with its verdict and, where something is to be done, a hint.
#include "reader/verdicts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
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

struct LineForm {
    std::string head;  // CP932, after the item number
    Value value;
    std::string tail;
    Verdict verdict;
    std::string hint;  // UTF-8, for action and unread
};

using Forms = std::vector<LineForm>;

LineForm exact(std::string_view text, Verdict verdict, std::string hint = std::string()) {
    return {std::string(text), Value::Nothing, std::string(), verdict, std::move(hint)};
}

// head, then a value of its kind, then tail.
LineForm shaped(std::string_view head, Value value, std::string_view tail, Verdict verdict,
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

// What to do about a line that needs action or could not be read, for a
// person at the desk: one sentence or two, written around the name of what
// the line is about where an item's lines differ by it (a host, an add-on,
// a setup).
struct Hint {
    std::string_view before;
    std::string_view after = {};

    std::string around(std::string_view name = {}) const { return concat({before, name, after}); }
};

struct KindRule;
// The forms of an item's lines, built from the catalogue's texts for it.
using FormsOf = Forms (*)(int item, const KindRule& rule);

// How the reader judges the lines of one kind of item: their forms, and what
// to do about each that needs action or could not be read.
struct KindRule {
    ItemKind kind;
    FormsOf forms;
    std::array<Hint, 4> hints;  // in the order the kind's forms take them
    std::size_t hintsUsed;
};

// The record of an item among the catalogue's records of its kind.
template <typename Record, std::size_t Count>
const Record* numbered(const std::array<Record, Count>& records, int item) {
    for (const Record& record : records)
        if (record.number == item) return &record;
    return nullptr;
}

Forms systemInfo(int item, const KindRule&) {
    static const std::array<LabelledItem, 4> lines = {kOsName, kOsVersion, kOsBuild,
                                                      LabelledItem{kOsBitness.number, kOsBitness.label}};
    const LabelledItem* line = numbered(lines, item);
    return line ? Forms{shaped(line->label, Value::Text, "", Verdict::Info)} : Forms{};
}

Forms smartCardService(int, const KindRule& rule) {
    const SmartCardItem& card = kSmartCardService;
    Forms forms;
    for (uint32_t state = 1; state <= 7; ++state) {
        const bool starting = state == 2 || state == 5;
        forms.push_back(exact(concat({card.label, card.stateMessages[state - 1], "(", std::to_string(state), ")"}),
                              state == kSmartCardRunning ? Verdict::Ok : Verdict::Action,
                              state == kSmartCardRunning ? "" : rule.hints[starting ? 1 : 0].around()));
    }
    // A code outside 1 to 7: the tool itself could not tell the state.
    forms.push_back(shaped(concat({card.label, card.stateMessages[7], "("}), Value::Signed, ")", Verdict::Unread,
                           rule.hints[2].around()));
    forms.push_back(exact(card.unavailable, Verdict::Unread, rule.hints[3].around()));
    return forms;
}

Forms signingComponent(int item, const KindRule& rule) {
    static const std::array components = {kSigningModule, kSigningControl};
    const SigningComponentItem* component = numbered(components, item);
    if (!component) return {};
    return {shaped(component->dateLabel, Value::Date, "", Verdict::Ok),
            exact(component->notRegistered, Verdict::Action, rule.hints[0].around()),
            exact(component->fileMissing, Verdict::Action, rule.hints[1].around()),
            exact(component->unreadable, Verdict::Unread, rule.hints[2].around())};
}

Forms trustedSite(int item, const KindRule& rule) {
    const HostItem* line = numbered(kTrustedSites.hosts, item);
    if (!line) return {};
    const std::string head =
        concat({kTrustedSites.label, line->host.zoneValueName, kTrustedSites.result, zoneMapPath(line->host)});
    return {exact(concat({head, kTrustedSites.set}), Verdict::Ok),
            exact(concat({head, kTrustedSites.notSet}), Verdict::Action,
                  rule.hints[0].around(concat({line->host.zoneValueName, "://", fullHostName(line->host)})))};
}

Forms securityZone(int, const KindRule& rule) {
    return {exact(concat({kSecurityZone.ok, std::to_string(kDefaultSecurityLevel), kSecurityZone.close}), Verdict::Ok),
            shaped(kSecurityZone.notDefault, Value::Unsigned, kSecurityZone.close, Verdict::Action,
                   rule.hints[0].around()),
            shaped(kSecurityZone.readFailed, Value::Signed, "", Verdict::Unread, rule.hints[1].around())};
}

Forms addonManagement(int item, const KindRule& rule) {
    static const std::array addons = {kAddons.iquennelClass, kAddons.quennelControl, kAddons.xmlHttp};
    const AddonItem* addon = numbered(addons, item);
    if (!addon) return {};
    return {exact(concat({kAddons.label, addon->displayName, kAddons.ok}), Verdict::Ok),
            exact(concat({kAddons.label, addon->displayName, kAddons.ng}), Verdict::Action,
                  rule.hints[0].around(addon->displayName))};
}

Forms compatibilityView(int, const KindRule& rule) {
    return {exact(kCompatibilityView.ok, Verdict::Ok),
            exact(concat({kCompatibilityView.ng, kAgencyDomain, kCompatibilityView.ngEnd}), Verdict::Action,
                  rule.hints[0].around(kAgencyDomain))};
}

Forms popupAllowList(int item, const KindRule& rule) {
    const HostItem* line = numbered(kPopupAllowList.hosts, item);
    if (!line) return {};
    const std::string name = fullHostName(line->host);
    return {exact(concat({kPopupAllowList.label, name, kPopupAllowList.ok}), Verdict::Ok),
            exact(concat({kPopupAllowList.label, name, kPopupAllowList.ng}), Verdict::Action,
                  rule.hints[0].around(name))};
}

// Chrome's hint first, then Edge's.
Forms extensionState(int item, const KindRule& rule) {
    const ExtensionValues& values = kExtensionValues;
    for (const auto& [browser, hint] : {std::pair{&kChromeExtension, 0}, std::pair{&kEdgeExtension, 1}}) {
        const LabelledItem* state = numbered(browser->states, item);
        if (!state) continue;
        return {exact(concat({state->label, values.on}), Verdict::Ok),
                exact(concat({state->label, values.off}), Verdict::Action, rule.hints[hint].around()),
                exact(concat({state->label, values.notInstalled}), Verdict::Info)};
    }
    return {};
}

Forms extensionVersion(int item, const KindRule&) {
    for (const BrowserExtensionItems* browser : {&kChromeExtension, &kEdgeExtension})
        if (const LabelledItem* version = numbered(browser->versions, item))
            return {shaped(version->label, Value::Text, "", Verdict::Info)};
    return {};
}

Forms preparationSetup(int item, const KindRule& rule) {
    static const std::array setups = {kRubenaSetup, kWebSetup, kSoramuSetup};
    const SetupItem* setup = numbered(setups, item);
    if (!setup) return {};
    // The setup's name: its label between the full stop and the closing colon.
    std::string title = cp932ToUtf8(setup->installed.substr(kFullStop.size()));
    title.erase(title.size() - std::string_view("：").size());
    return {exact(setup->notInstalled, Verdict::Action, rule.hints[0].around(title)),
            shaped(setup->installed, Value::Text, "", Verdict::Ok)};
}

// Every kind of item the reader judges. An item of a kind without a rule
// here, or with a hint left empty, fails the build (below).
constexpr KindRule kKindRules[] = {
    {ItemKind::OsName, systemInfo, {}, 0},
    {ItemKind::OsVersion, systemInfo, {}, 0},
    {ItemKind::OsBuild, systemInfo, {}, 0},
    {ItemKind::OsBitness, systemInfo, {}, 0},
    {ItemKind::SmartCardService,
     smartCardService,
     {{{"「サービス」で Smart Card を開始し、スタートアップの種類を「自動」にしてください。"},
       {"スマートカードサービスが起動の途中でした。少し待ってから、もう一度 OrvexEnv を実行してください。"},
       {"スマートカードサービスの状態が分かりませんでした。「サービス」で Smart Card が実行中か確かめてください。"},
       {"スマートカードサービスの状態を読めませんでした。「サービス」に Smart Card があるか確かめてください。"}}},
     4},
    {ItemKind::SigningComponent,
     signingComponent,
     {{{"事前準備セットアップを実行して、署名モジュールを登録してください。"},
       {"事前準備セットアップを実行し直して、署名モジュールのファイルを入れ直してください。"},
       {"登録されているファイルを読めませんでした。ほかのソフトが使っていないか確かめてから、"
        "もう一度 OrvexEnv を実行してください。"}}},
     3},
    {ItemKind::TrustedSite,
     trustedSite,
     {{{"インターネットオプションの信頼済みサイトに ", " を追加してください。"}}},
     1},
    {ItemKind::SecurityZone,
     securityZone,
     {{{"インターネットオプションの「セキュリティ」で信頼済みサイトを選び、「既定のレベル」を押してください。"},
       {"信頼済みサイトのセキュリティレベルを読めませんでした。インターネットオプションの「セキュリティ」で"
        "信頼済みサイトの「既定のレベル」を押してから、もう一度 OrvexEnv を実行してください。"}}},
     2},
    {ItemKind::AddonManagement,
     addonManagement,
     {{{"インターネットオプションの「プログラム」の「アドオンの管理」で「", "」を有効にしてください。"}}},
     1},
    {ItemKind::CompatibilityView, compatibilityView, {{{"互換表示設定の一覧から ", " を削除してください。"}}}, 1},
    {ItemKind::PopupAllowList,
     popupAllowList,
     {{{"ポップアップブロックの設定で、許可するサイトに ", " を追加してください。"}}},
     1},
    {ItemKind::ExtensionState,
     extensionState,
     {{{"Chrome で拡張機能がオフになっています。Chrome の拡張機能の管理（chrome://extensions）で有効にしてください。"},
       {"Edge で拡張機能がオフになっています。Edge の拡張機能の管理（edge://extensions）で有効にしてください。"}}},
     2},
    {ItemKind::ExtensionVersion, extensionVersion, {}, 0},
    {ItemKind::PreparationSetup, preparationSetup, {{{"「", "」を実行（インストール）してください。"}}}, 1},
};

constexpr const KindRule* ruleOf(ItemKind kind) {
    for (const KindRule& rule : kKindRules)
        if (rule.kind == kind) return &rule;
    return nullptr;
}

constexpr bool judged(const KindRule* rule) {
    if (rule == nullptr || rule->forms == nullptr || rule->hintsUsed > rule->hints.size()) return false;
    for (std::size_t i = 0; i < rule->hintsUsed; ++i)
        if (rule->hints[i].before.empty()) return false;
    return true;
}

// The build fails for an item the reader cannot judge, naming it: the
// compiler's message shows "JudgedByTheReader<N>" for item N.
template <int Item>
struct JudgedByTheReader {
    static_assert(judged(ruleOf(itemKind(Item))),
                  "an item of the catalogue has no rule in kKindRules (src/reader/verdicts.cpp): give its kind "
                  "forms of judging and a hint for each form that needs action or could not be read");
    static constexpr bool value = true;
};
template <int... Index>
constexpr bool everyItemJudged(std::integer_sequence<int, Index...>) {
    return (JudgedByTheReader<Index + 1>::value && ...);
}
static_assert(everyItemJudged(std::make_integer_sequence<int, kItemCount>()));

using AllForms = std::array<Forms, kItemCount + 1>;  // by item number; 0 unused

const AllForms& allForms() {
    static const AllForms forms = [] {
        AllForms built;
        for (int item = 1; item <= kItemCount; ++item) {
            const KindRule& rule = *ruleOf(itemKind(item));
            built[static_cast<std::size_t>(item)] = rule.forms(item, rule);
        }
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
    case Verdict::Unknown: return "unknown";
    }
    return "unread";
}

int itemNumber(std::string_view line) {
    std::size_t digits = 0;
    while (digits < line.size() && digits < 4 && isDigit(line[digits])) ++digits;
    if (digits == 0 || digits > 3 || line[0] == '0') return 0;
    if (line.substr(digits, kFullStop.size()) != kFullStop) return 0;
    int number = 0;
    for (char digit : line.substr(0, digits)) number = number * 10 + (digit - '0');
    return number;
}

Judgement judgeItem(int item, std::string_view line) {
    if (item < 1 || item > kItemCount) return {};
    const std::string number = std::to_string(item);
    if (line.substr(0, number.size()) != number) return {};
    const std::string_view text = line.substr(number.size());
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const LineForm& form = forms[i];
        if (text.size() < form.head.size() + form.tail.size()) continue;
        if (text.substr(0, form.head.size()) != form.head) continue;
        if (text.substr(text.size() - form.tail.size()) != form.tail) continue;
        if (!fits(form.value, text.substr(form.head.size(), text.size() - form.head.size() - form.tail.size())))
            continue;
        return {form.verdict, static_cast<int>(i)};
    }
    return {};
}

std::string hint(int item, const Judgement& judgement, Audience audience) {
    if (item < 1 || item > kItemCount) return std::string();
    if (judgement.form < 0)
        return "項目 " + std::to_string(item) +
               " として OrvexEnv が書く形の行ではありません（ファイルが書き換えられたか壊れています）。" +
               (audience == Audience::Desk ? "もう一度 OrvexEnv を実行してもらってください。"
                                           : "もう一度 OrvexEnv を実行しても同じときは、OrvexEnv.txt をヘルプデスクに送ってください。");
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    const std::size_t form = static_cast<std::size_t>(judgement.form);
    return form < forms.size() ? forms[form].hint : std::string();
}

bool fixedText(int item, const Judgement& judgement) {
    if (item < 1 || item > kItemCount || judgement.form < 0) return false;
    const Forms& forms = allForms()[static_cast<std::size_t>(item)];
    const std::size_t form = static_cast<std::size_t>(judgement.form);
    return form < forms.size() && forms[form].value == Value::Nothing;
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
            const Forms& forms = allForms()[static_cast<std::size_t>(n)];
            std::string text = forms.empty() ? "項目 " + std::to_string(n) + "：" : cp932ToUtf8(forms.front().head);
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
