// Lines and runs. A run opens at a start line and is closed by the separator
// that follows its items; a separator followed by a start line opens the next
// run instead, leaving the run before it unclosed. A start line without a
// separator before it opens a copy of the console's output (the tool's
// announcement lines come before it and are passed over), which the first
// line after its last item closes (the console shows no separators): items
// numbered above the last this reader knows, which a later OrvexEnv writes,
// are still its own. Each start line decides the encoding of its run. Of odd
// runs the desk gets what it can use:
// - lines outside a run (text after a closing separator, the console's
//   announcement lines) are passed over;
// - an item number seen before in the run keeps its first line and the
//   repeat is counted; an item after a higher one marks the run out of order;
// - a line that is none of the tool's is counted, not judged;
// - the last line of a file cut short counts only when it is whole.
#include "reader/result_file.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "reader/text_conversion.h"
#include "report/catalogue.h"

namespace orvex::reader {

using namespace catalogue;

namespace {

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

constexpr std::string_view kUtf8Bom = "\uFEFF";
// What the reader keeps of the file's beginning to tell UTF-16.
constexpr std::size_t kHeadBytes = 16;

// The failure lines the tool writes; those of the target-user lookups end the run.
struct KnownFailure {
    const FailureSite& site;
    bool endsRun;
};

const KnownFailure kKnownFailures[] = {
    {kLastLoggedOnUserUnreadable, true}, {kProfileListUnreadable, true}, {kLastLoggedOnSamUserUnreadable, true},
    {kOsNameQueryFailed, false},         {kNtdllNotLoadable, false},     {kRtlGetVersionMissing, false},
};

// The failure a line is (message, function name, then a number), with its
// number; nullptr when the line is none.
const KnownFailure* knownFailure(std::string_view line, int& number) {
    for (const KnownFailure& known : kKnownFailures) {
        if (!startsWith(line, known.site.message)) continue;
        const std::string_view rest = line.substr(known.site.message.size());
        if (!startsWith(rest, known.site.function) || !digitsOnly(rest.substr(known.site.function.size()))) continue;
        // Up to ten digits: a number past the int range stands as its largest value.
        long long value = 0;
        for (char digit : rest.substr(known.site.function.size())) value = value * 10 + (digit - '0');
        number = value > INT_MAX ? INT_MAX : static_cast<int>(value);
        return &known;
    }
    return nullptr;
}

// The length of a start line's label in the encoding it is in; 0 when the
// line is no start line.
std::size_t startLabel(std::string_view line, Encoding& encoding) {
    static const std::string utf8Label = cp932ToUtf8(kStartLabel);
    if (startsWith(line, kStartLabel)) {
        encoding = Encoding::Cp932;
        return kStartLabel.size();
    }
    if (startsWith(line, utf8Label)) {
        encoding = Encoding::Utf8;
        return utf8Label.size();
    }
    return 0;
}

// The start line's time, when it has the shape the tool writes.
std::string startTime(std::string_view time) {
    static constexpr std::string_view kShape = "0000/00/00 00:00:00";
    if (time.size() != kShape.size()) return std::string();
    for (std::size_t i = 0; i < time.size(); ++i)
        if (kShape[i] == '0' ? time[i] < '0' || time[i] > '9' : time[i] != kShape[i]) return std::string();
    return std::string(time);
}

}  // namespace

RunEnd Run::end() const {
    if (endingFailure != 0) return RunEnd::Failure;
    if (closed) return missingItems().empty() ? RunEnd::Complete : RunEnd::ItemsMissing;
    return fileEnded ? RunEnd::Cut : RunEnd::Interrupted;
}

std::vector<int> Run::missingItems() const {
    int highest = kFewestItems;
    for (int item = kFewestItems + 1; item <= kItemCount; ++item)
        if (items[static_cast<std::size_t>(item - 1)].present) highest = item;
    std::vector<int> missing;
    for (int item = 1; item <= highest; ++item)
        if (!items[static_cast<std::size_t>(item - 1)].present) missing.push_back(item);
    return missing;
}

int Run::count(Verdict verdict) const {
    if (verdict == Verdict::Unknown) return static_cast<int>(laterItems.size());
    int n = 0;
    for (const ItemLine& item : items) n += item.present && item.judgement.verdict == verdict ? 1 : 0;
    return n;
}

ResultFileReader::ResultFileReader(RunHandler handler) : handler_(std::move(handler)) {}

bool ResultFileReader::utf16() const {
    const auto byte = [this](std::size_t at) { return static_cast<unsigned char>(head_[at]); };
    if (head_.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)))
        return true;
    const std::size_t units = head_.size() / 2;
    bool littleEndian = units >= 2, bigEndian = units >= 2;
    for (std::size_t i = 0; i < units; ++i) {
        const auto ascii = [](unsigned c) { return c != 0 && c < 0x80; };
        littleEndian = littleEndian && ascii(byte(2 * i)) && byte(2 * i + 1) == 0;
        bigEndian = bigEndian && byte(2 * i) == 0 && ascii(byte(2 * i + 1));
    }
    return littleEndian || bigEndian;
}

void ResultFileReader::feed(const char* data, std::size_t size) {
    if (head_.size() < kHeadBytes) head_.append(data, std::min(kHeadBytes - head_.size(), size));
    const char* const end = data + size;
    while (data != end) {
        if (deciding_ != 0) {
            // An LF after the CRs: LF ends lines (CR LF, CR CR LF); anything else: CR alone.
            if (*data == '\r') {
                ++deciding_;
                ++data;
                continue;
            }
            decideLineEnds(*data == '\n');
            if (lineEnds_ == LineEnds::Lf) ++data;
            continue;
        }
        const char* stop = end;
        if (lineEnds_ == LineEnds::Lf) {
            if (const void* lf = std::memchr(data, '\n', static_cast<std::size_t>(end - data)))
                stop = static_cast<const char*>(lf);
        } else {
            stop = std::find_if(data, end, [](char c) { return c == '\r' || c == '\n'; });
        }
        if (stop != data) afterCr_ = false;
        if (stop == end) {
            append(data, static_cast<std::size_t>(end - data));
            return;
        }
        const bool cr = *stop == '\r';
        if (!cr && afterCr_) {
            afterCr_ = false;  // the LF of a CR LF in a file of CRs alone
        } else if (cr && lineEnds_ == LineEnds::Undecided) {
            append(data, static_cast<std::size_t>(stop - data));
            deciding_ = 1;
        } else {
            if (lineEnds_ == LineEnds::Undecided) lineEnds_ = LineEnds::Lf;
            afterCr_ = cr;
            endLine(data, static_cast<std::size_t>(stop - data), true);
        }
        data = stop + 1;
    }
}

void ResultFileReader::finish() {
    if (deciding_ != 0)
        decideLineEnds(false);
    else if (!partial_.empty() || partialCut_)
        endLine(nullptr, 0, false);
    if (separatorPending_ || consoleCopyDone()) {
        separatorPending_ = false;
        run_.closed = true;
    }
    if (open_ && !run_.closed) run_.fileEnded = true;
    endRun();
}

// Every version writes items 1 to kFewestItems: after them, more items (of
// this reader's or a later version's) may follow in the copy.
bool ResultFileReader::consoleCopyDone() const {
    return open_ && run_.fromConsole && run_.items[static_cast<std::size_t>(kFewestItems - 1)].present;
}

void ResultFileReader::decideLineEnds(bool lf) {
    lineEnds_ = lf ? LineEnds::Lf : LineEnds::Cr;
    endLine(nullptr, 0, true);
    // Without an LF each of the CRs after the first ends an empty line.
    for (; deciding_ > 1 && !lf; --deciding_) onLine(std::string_view(), false, true);
    deciding_ = 0;
}

void ResultFileReader::append(const char* data, std::size_t size) {
    const std::size_t room = kMaxLineBytes - partial_.size();
    partial_.append(data, std::min(size, room));
    partialCut_ = partialCut_ || size > room;
}

void ResultFileReader::endLine(const char* data, std::size_t size, bool terminated) {
    std::string_view line;
    bool cut = false;
    if (partial_.empty() && !partialCut_) {
        // The whole line lies in this piece: read it where it is.
        cut = size > kMaxLineBytes;
        line = std::string_view(data, std::min(size, kMaxLineBytes));
    } else {
        append(data, size);
        line = partial_;
        cut = partialCut_;
    }
    // The CRs before an LF belong to the line end (CR LF, CR CR LF).
    if (lineEnds_ == LineEnds::Lf && !cut)
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    onLine(line, cut, terminated);
    partial_.clear();
    partialCut_ = false;
}

ResultFileReader::Kind ResultFileReader::kindOf(std::string_view line) const {
    if (line == kSeparator) return Kind::Separator;
    if (itemNumber(line) != 0) return Kind::Item;
    int number = 0;
    if (knownFailure(line, number) != nullptr) return Kind::Failure;
    return Kind::Other;
}

void ResultFileReader::onLine(std::string_view raw, bool cut, bool terminated) {
    // Files joined by hand: a byte-order mark may begin any line.
    if (startsWith(raw, kUtf8Bom)) raw.remove_prefix(kUtf8Bom.size());
    const bool afterSeparator = afterSeparator_;
    afterSeparator_ = raw == kSeparator;

    Encoding encoding = Encoding::Cp932;
    if (const std::size_t label = startLabel(raw, encoding)) {
        separatorPending_ = false;  // the separator before was this run's opening one
        if (consoleCopyDone()) run_.closed = true;
        endRun();
        beginRun(raw.substr(label), encoding, !afterSeparator);
        if (cut) ++run_.longLines;
        return;
    }
    if (separatorPending_) {
        separatorPending_ = false;
        run_.closed = true;
        endRun();
    }
    if (!open_) return;
    const std::string_view line =
        run_.encoding == Encoding::Utf8 && !isAscii(raw) ? std::string_view(converted_ = utf8ToCp932(raw)) : raw;
    // The console shows nothing after the items: what follows them, but for
    // more items of a later OrvexEnv, closes a copy of it.
    if (consoleCopyDone() && itemNumber(line) <= run_.lastItem) {
        run_.closed = true;
        endRun();
        return;
    }
    if (cut) ++run_.longLines;
    switch (kindOf(line)) {
    case Kind::Separator: separatorPending_ = true; break;
    case Kind::Failure: {
        int number = 0;
        const KnownFailure* failure = knownFailure(line, number);
        if (run_.failures.size() < kMaxFailures) run_.failures.push_back(decoded(raw));
        if (failure->endsRun && run_.endingFailure == 0) run_.endingFailure = number != 0 ? number : -1;
        break;
    }
    case Kind::Item: addItem(itemNumber(line), raw, line, terminated); break;
    case Kind::Other: ++run_.otherLines; break;
    }
}

std::string ResultFileReader::decoded(std::string_view raw) const {
    return run_.encoding == Encoding::Utf8 ? validUtf8(raw) : cp932ToUtf8(raw);
}

void ResultFileReader::beginRun(std::string_view time, Encoding encoding, bool fromConsole) {
    run_ = Run();
    run_.number = ++runs_;
    run_.encoding = encoding;
    run_.fromConsole = fromConsole;
    run_.started = startTime(time);
    open_ = true;
}

void ResultFileReader::endRun() {
    if (!open_) return;
    open_ = false;
    handler_(run_);
}

void ResultFileReader::addItem(int number, std::string_view raw, std::string_view line, bool terminated) {
    const bool later = number > kItemCount;
    const Judgement judgement = later ? Judgement{Verdict::Unknown, -1} : judgeItem(number, line);
    // The last line of a file cut short counts only when it is whole (of a
    // later item's, this reader cannot tell).
    if (!terminated && judgement.form < 0) return;
    const bool seen = later ? std::any_of(run_.laterItems.begin(), run_.laterItems.end(),
                                          [number](const LaterItem& item) { return item.number == number; })
                            : run_.items[static_cast<std::size_t>(number - 1)].present;
    if (seen) {
        ++run_.repeatedItems;
        return;
    }
    if (number < run_.lastItem) run_.outOfOrder = true;
    run_.lastItem = number;
    if (later) {
        if (run_.laterItems.size() < kMaxLaterItems) run_.laterItems.push_back({number, decoded(raw)});
        return;
    }
    ItemLine& slot = run_.items[static_cast<std::size_t>(number - 1)];
    slot.present = true;
    slot.text = decoded(raw);
    slot.judgement = judgement;
}

}  // namespace orvex::reader
