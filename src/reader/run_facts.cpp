#include "reader/run_facts.h"

#include <algorithm>

#include "report/catalogue.h"

namespace orvex::reader {

using namespace catalogue;

namespace {

const ItemLine& lineOf(const Run& run, int item) { return run.items[static_cast<std::size_t>(item - 1)]; }

std::optional<Verdict> verdictOf(const Run& run, int item) {
    const ItemLine& line = lineOf(run, item);
    return line.present ? std::optional<Verdict>(line.judgement.verdict) : std::nullopt;
}

// After what the person at the PC can do: where it may not be enough.
const char kOrSend[] = "それでも直らないときは、OrvexEnv.txt をヘルプデスクに送ってください。";

std::string afterLastItem(const Run& run) {
    return run.lastItem == 0 ? std::string("開始の直後") : "項目 " + std::to_string(run.lastItem) + " の後";
}

std::string findingText(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: {
        std::string items;
        for (int item : extensionStateItems()) items += (items.empty() ? "" : "、") + std::to_string(item);
        return "拡張機能はどのブラウザでも有効になっていません（項目 " + items + "）。";
    }
    }
    return std::string();
}

std::string findingHint(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: return "Chrome か Edge で拡張機能を追加して、有効にしてください。";
    }
    return std::string();
}

// What to do about a line no text of its item fits, by why it does not: a
// file that came through mail is best sent again as it is, as an
// attachment; one that did not was changed or broken, and a new run helps.
// At the PC the file is the one beside the tool, which no mail has touched.
std::string unreadLineHint(const Run& run, int item, Audience audience) {
    if (run.throughMail() && audience == Audience::Desk)
        return "項目 " + std::to_string(item) +
               " の行は、メールの本文で送られる途中で形が変わり、読めません。"
               "OrvexEnv.txt を本文に貼り付けず、ファイルのまま添付して送ってもらってください。";
    return hint(item, Judgement{}, audience);
}

}  // namespace

std::string howItEnded(const Run& run, Audience audience) {
    // What the person at the PC is to do, as the desk passes it on or as that
    // person reads it, then to send the file when doing it does not help.
    const auto todo = [audience](const char* forDesk, const char* atThePc) {
        return audience == Audience::Desk ? std::string(forDesk) : std::string(atThePc) + kOrSend;
    };
    const char* again = "もう一度 OrvexEnv を実行してください。";
    switch (run.end()) {
    case RunEnd::Complete: return "最後まで実行されています。";
    case RunEnd::Failure: {
        const auto endedAt = [&run](const FailureSite& site) {
            return run.endingFailure == site.errorNumber || run.endingFailure == site.fileNumber;
        };
        const std::string signIn =
            todo("パソコンの利用者が Windows にサインインし直してから、もう一度 OrvexEnv を実行してください。",
                 "Windows にサインインし直してから、もう一度 OrvexEnv を実行してください。");
        if (endedAt(kLastLoggedOnUserUnreadable))
            return "途中で終わっています。最後にログオンしたユーザーをレジストリから読めませんでした。" + signIn;
        if (endedAt(kProfileListUnreadable))
            return "途中で終わっています。ユーザーのプロファイル一覧をレジストリから読めませんでした。" +
                   todo("パソコンの管理者に相談してください。", "パソコンの管理者に相談してください。");
        // The account name is looked up after the pop-up lines, before the extension's.
        if (endedAt(kLastLoggedOnSamUserUnreadable))
            return "項目 " + std::to_string(kPopupAllowList.hosts.back().number) +
                   " の後で終わっています。最後にログオンしたユーザーのアカウント名をレジストリから読めず、項目 " +
                   std::to_string(kChromeExtension.states.front().number) + " 以降は調べられていません。" + signIn;
        return "途中で終わっています。" + todo(again, again);
    }
    case RunEnd::Interrupted:
        return afterLastItem(run) + "で終わり、次の実行が始まっています。" +
               todo("もう一度 OrvexEnv を実行して、最後まで終わるのを待ってもらってください。",
                    "もう一度 OrvexEnv を実行して、最後まで終わるのを待ってください。");
    case RunEnd::Cut:
        return "ファイルが" + afterLastItem(run) + "で切れています。" +
               todo("結果ファイルを全部送ってもらってください。",
                    "もう一度 OrvexEnv を実行して、最後まで終わるのを待ってください。");
    case RunEnd::ItemsMissing:
        return "終わりの区切り線はありますが、項目 " + itemList(run.missingItems()) +
               " がありません（ファイルが書き換えられた可能性があります）。" +
               todo("もう一度 OrvexEnv を実行してもらってください。", again);
    }
    return std::string();
}

const char* endName(RunEnd end) {
    switch (end) {
    case RunEnd::Complete: return "complete";
    case RunEnd::Failure: return "failure";
    case RunEnd::Interrupted: return "interrupted";
    case RunEnd::Cut: return "cut";
    case RunEnd::ItemsMissing: return "items-missing";
    }
    return "cut";
}

std::array<int, 4> extensionStateItems() {
    return {kChromeExtension.states[0].number, kChromeExtension.states[1].number, kEdgeExtension.states[0].number,
            kEdgeExtension.states[1].number};
}

std::vector<Finding> findings(const Run& run) {
    std::vector<Finding> found;
    bool onNowhere = true;
    // Only from lines read: a line no text of its item fits says nothing of the browser.
    for (int item : extensionStateItems()) {
        const ItemLine& line = lineOf(run, item);
        onNowhere = onNowhere && line.present && line.judgement.form >= 0 && line.judgement.verdict != Verdict::Ok &&
                    line.judgement.verdict != Verdict::Unread;
    }
    if (onNowhere) found.push_back(Finding::ExtensionOnNowhere);
    return found;
}

const char* findingName(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: return "extension-on-nowhere";
    }
    return "";
}

bool needsAttention(const Run& run) {
    return !run.complete() || run.count(Verdict::Action) != 0 || run.count(Verdict::Unread) != 0 ||
           !findings(run).empty();
}

std::vector<LineToAct> linesToAct(const Run& run, Audience audience) {
    std::vector<LineToAct> lines;
    for (int item = 1; item <= kItemCount; ++item) {
        const ItemLine& line = lineOf(run, item);
        if (line.present && needsAction(line.judgement.verdict))
            lines.push_back({item, line.judgement.verdict, line.text,
                             line.judgement.form >= 0 ? hint(item, line.judgement, audience)
                                                       : unreadLineHint(run, item, audience),
                             fixedText(item, line.judgement)});
    }
    for (Finding finding : findings(run)) lines.push_back({0, Verdict::Action, findingText(finding), findingHint(finding)});
    return lines;
}

const char* verdictWords(const std::optional<Verdict>& verdict) {
    if (!verdict) return "記録なし";
    switch (*verdict) {
    case Verdict::Ok: return "問題なし";
    case Verdict::Action: return "要対応";
    case Verdict::Unread: return "読めず";
    case Verdict::Info: return "参考";
    case Verdict::Unknown: return "不明";
    }
    return "読めず";
}

std::string itemList(const std::vector<int>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size();) {
        std::size_t j = i;
        while (j + 1 < items.size() && items[j + 1] == items[j] + 1) ++j;
        if (!text.empty()) text += "、";
        text += std::to_string(items[i]);
        if (j > i) text += "～" + std::to_string(items[j]);
        i = j + 1;
    }
    return text;
}

std::vector<Change> changes(const Run& before, const Run& after) {
    std::vector<Change> changed;
    for (int item = 1; item <= kItemCount; ++item) {
        const std::optional<Verdict> from = verdictOf(before, item);
        const std::optional<Verdict> to = verdictOf(after, item);
        if (from != to) changed.push_back({item, from, to});
    }
    return changed;
}

const char* changeVerdictName(const std::optional<Verdict>& verdict) {
    return verdict ? verdictName(*verdict) : "missing";
}

RunFacts factsOf(const Run& run, const Run* previous, Audience audience) {
    RunFacts facts;
    facts.end = run.end();
    facts.howItEnded = howItEnded(run, audience);
    facts.findings = findings(run);
    facts.attention = needsAttention(run);
    facts.toAct = linesToAct(run, audience);
    facts.ok = run.count(Verdict::Ok);
    facts.action = run.count(Verdict::Action);
    facts.unread = run.count(Verdict::Unread);
    facts.info = run.count(Verdict::Info);
    facts.unknown = run.count(Verdict::Unknown);
    for (const ItemLine& line : run.items) facts.missing += line.present ? 0 : 1;
    for (const LaterItem& item : run.laterItems) facts.laterItems.push_back(item.number);
    std::sort(facts.laterItems.begin(), facts.laterItems.end());
    if (previous != nullptr) {
        facts.hasPrevious = true;
        facts.previousNumber = previous->number;
        facts.previousStarted = previous->started;
        facts.changes = changes(*previous, run);
        for (const Change& change : facts.changes) {
            if (needsAction(change.from) && change.to == Verdict::Ok) facts.fixed.push_back(change.item);
            if (!needsAction(change.from) && needsAction(change.to)) facts.worse.push_back(change.item);
        }
    }
    return facts;
}

void OverviewCounts::addRun(const RunFacts& facts) {
    ++(facts.end == RunEnd::Complete ? runsComplete : runsNotComplete);
}

void OverviewCounts::addLatest(const Run& latest, const RunFacts& facts) {
    ++filesRead;
    for (int item = 1; item <= kItemCount; ++item)
        if (needsAction(verdictOf(latest, item))) ++itemsNeedingAttention[static_cast<std::size_t>(item - 1)];
    for (Finding finding : facts.findings)
        if (finding == Finding::ExtensionOnNowhere) ++extensionOnNowhere;
}

std::vector<int> OverviewCounts::mostFrequent() const {
    std::vector<int> items;
    for (int item = 1; item <= kItemCount; ++item)
        if (itemsNeedingAttention[static_cast<std::size_t>(item - 1)] > 0) items.push_back(item);
    std::stable_sort(items.begin(), items.end(), [this](int a, int b) {
        return itemsNeedingAttention[static_cast<std::size_t>(a - 1)] >
               itemsNeedingAttention[static_cast<std::size_t>(b - 1)];
    });
    return items;
}

}  // namespace orvex::reader
