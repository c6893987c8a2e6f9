// What each line of a report means for the support desk. A line is judged by
// the catalogue of the report's format, the texts the checks write from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "report/catalogue.h"

namespace orvex::reader {

using catalogue::kItemCount;

enum class Verdict {
    Ok,      // as the service needs it
    Action,  // the user or the desk has something to do
    Unread,  // the tool could not read it, or the line is not one the tool writes for its item
    Info,    // a fact, neither right nor wrong
    Unknown, // an item numbered above the items this reader knows, written by a later OrvexEnv
};

// "ok", "action", "unread", "info", "unknown".
const char* verdictName(Verdict verdict);

// Someone has to act: the verdict is action or unread (a line the run lacks
// is neither).
inline bool needsAction(const std::optional<Verdict>& verdict) {
    return verdict == Verdict::Action || verdict == Verdict::Unread;
}

struct Judgement {
    Verdict verdict = Verdict::Unread;
    int form = -1;  // which of the item's texts the line is; -1 when none fits
};

// line: a whole line in CP932, its item number included. item: 1 to 41.
Judgement judgeItem(int item, std::string_view line);

// Whom the words for what to do address: the help desk, which passes them on
// to the person at the PC, or that person (the taxpayer), reading them at
// the PC. Most of them read right for both; those that differ say, for the
// taxpayer, what to do at the PC, or to send OrvexEnv.txt to the help desk
// where nothing at the PC helps.
enum class Audience { Desk, Taxpayer };

// What to do about a line judged action or unread (UTF-8, one sentence or
// two); empty for ok and info.
std::string hint(int item, const Judgement& judgement, Audience audience = Audience::Desk);

// The line's text is the one its form allows, with no value of its own (a
// date, a number, a version): every line of that item and form is alike.
bool fixedText(int item, const Judgement& judgement);

// What an item is about, in UTF-8 ("Chrome拡張機能(Edge用)：Preferences",
// "ブラウザ設定 信頼済みサイト https://www.efile.orvex.example"); empty
// outside 1 to 41.
std::string itemLabel(int item);

// The number a report line begins with (1 to 999, without leading zeros,
// followed by the full-width full stop every label begins with); 0 when the
// line is not an item line. A number above kItemCount is an item of a later
// OrvexEnv than this reader knows.
int itemNumber(std::string_view line);

// One to ten decimal digits and nothing else: a number as the tool writes it.
bool digitsOnly(std::string_view text);

}  // namespace orvex::reader
