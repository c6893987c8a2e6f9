// Lines and runs. A run opens at a start line (normally right after a
// separator; a copy of the console's output, which has none, reads too) and
// is closed by the separator that follows its items; a separator followed by
// a start line opens the next run instead, leaving the run before it
// unclosed. Of odd runs the desk gets what it can use:
// - lines outside a run (text after a closing separator, the console's
//   announcement lines) are passed over;
// - an item number seen before in the run keeps its first line and the
//   repeat is counted; an item after a higher one marks the run out of order;
// - a line that is none of the tool's is counted, not judged;
// - the last line of a file cut short counts only when it is whole.
#include "reader/result_file.h"

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

// FF FE or FE FF: the byte-order mark of UTF-16, little- or big-endian.
bool startsWithUtf16Mark(std::string_view text) {
    if (text.size() < 2) return false;
    const unsigned first = static_cast<unsigned char>(text[0]);
    const unsigned second = static_cast<unsigned char>(text[1]);
    return (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF);
}

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

// The start line's time, when it has the shape the tool writes.
std::string startTime(std::string_view line) {
    static constexpr std::string_view kShape = "0000/00/00 00:00:00";
    const std::string_view time = line.substr(kStartLabel.size());
    if (time.size() != kShape.size()) return std::string();
    for (std::size_t i = 0; i < time.size(); ++i)
        if (kShape[i] == '0' ? time[i] < '0' || time[i] > '9' : time[i] != kShape[i]) return std::string();
    return std::string(time);
}

}  // namespace

RunEnd Run::end() const {
    if (endingFailure != 0) return RunEnd::Failure;
    if (closed) {
        for (const ItemLine& item : items)
            if (!item.present) return RunEnd::ItemsMissing;
        return RunEnd::Complete;
    }
    return fileEnded ? RunEnd::Cut : RunEnd::Interrupted;
}

int Run::count(Verdict verdict) const {
    int n = 0;
    for (const ItemLine& item : items) n += item.present && item.judgement.verdict == verdict ? 1 : 0;
    return n;
}

ResultFileReader::ResultFileReader(RunHandler handler) : handler_(std::move(handler)) {}

void ResultFileReader::feed(const char* data, std::size_t size) {
    while (size > 0) {
        const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - data) : size;
        if (end != nullptr && partial_.empty() && !partialCut_) {
            // The whole line lies in this piece: read it where it is.
            onLine(std::string_view(data, length < kMaxLineBytes ? length : kMaxLineBytes), length > kMaxLineBytes,
                   true);
        } else {
            const std::size_t room = kMaxLineBytes - partial_.size();
            partial_.append(data, length < room ? length : room);
            partialCut_ = partialCut_ || length > room;
            if (end == nullptr) return;
            onLine(partial_, partialCut_, true);
            partial_.clear();
            partialCut_ = false;
        }
        data = end + 1;
        size -= length + 1;
    }
}

void ResultFileReader::finish() {
    if (!partial_.empty() || partialCut_) onLine(partial_, partialCut_, false);
    partial_.clear();
    partialCut_ = false;
    if (separatorPending_) {
        separatorPending_ = false;
        run_.closed = true;
    }
    if (open_ && !run_.closed) run_.fileEnded = true;
    endRun();
}

std::string_view ResultFileReader::forMatching(std::string_view raw) {
    if (encoding_ == Encoding::Cp932 || isAscii(raw)) return raw;
    if (encoding_ == Encoding::Utf8) return converted_ = utf8ToCp932(raw);
    // The file's encoding is decided by the first line that reads as one of
    // the tool's lines in one of the two encodings. CP932 lines of the tool
    // are never valid UTF-8 (their first non-ASCII byte is a lead byte that
    // UTF-8 only has inside a character), and a UTF-8 copy of one does not
    // read as the tool's text in CP932.
    const bool utf8 = isValidUtf8(raw);
    if (utf8) {
        converted_ = utf8ToCp932(raw);
        if (kindOf(converted_) != Kind::Other) {
            encoding_ = Encoding::Utf8;
            return converted_;
        }
    }
    if (kindOf(raw) != Kind::Other) {
        encoding_ = Encoding::Cp932;
        return raw;
    }
    return utf8 ? std::string_view(converted_) : raw;
}

ResultFileReader::Kind ResultFileReader::kindOf(std::string_view line) const {
    if (line == kSeparator) return Kind::Separator;
    if (startsWith(line, kStartLabel)) return Kind::Start;
    if (itemNumber(line) != 0) return Kind::Item;
    int number = 0;
    if (knownFailure(line, number) != nullptr) return Kind::Failure;
    return Kind::Other;
}

void ResultFileReader::onLine(std::string_view raw, bool cut, bool terminated) {
    if (firstLine_) {
        firstLine_ = false;
        static constexpr std::string_view kUtf8Bom = u8"\uFEFF";
        if (startsWith(raw, kUtf8Bom)) {
            encoding_ = Encoding::Utf8;
            raw.remove_prefix(kUtf8Bom.size());
        } else {
            utf16_ = startsWithUtf16Mark(raw);
        }
    }
    if (!cut && !raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    const std::string_view line = forMatching(raw);
    const Kind kind = kindOf(line);
    if (separatorPending_) {
        separatorPending_ = false;
        if (kind != Kind::Start) {
            run_.closed = true;
            endRun();
        }
    }
    if (kind == Kind::Start) {
        endRun();
        beginRun(line);
    }
    if (!open_) return;
    if (cut) ++run_.longLines;
    switch (kind) {
    case Kind::Separator: separatorPending_ = true; break;
    case Kind::Start: break;
    case Kind::Failure: {
        int number = 0;
        const KnownFailure* failure = knownFailure(line, number);
        if (run_.failures.size() < kMaxFailures) run_.failures.emplace_back(raw);
        if (failure->endsRun && run_.endingFailure == 0) run_.endingFailure = number != 0 ? number : -1;
        break;
    }
    case Kind::Item: addItem(itemNumber(line), raw, line, terminated); break;
    case Kind::Other: ++run_.otherLines; break;
    }
}

void ResultFileReader::beginRun(std::string_view startLine) {
    run_ = Run();
    run_.number = ++runs_;
    run_.encoding = encoding_ == Encoding::Utf8 ? Encoding::Utf8 : Encoding::Cp932;
    run_.started = startTime(startLine);
    open_ = true;
}

void ResultFileReader::endRun() {
    if (!open_) return;
    open_ = false;
    handler_(run_);
}

void ResultFileReader::addItem(int number, std::string_view raw, std::string_view line, bool terminated) {
    const Judgement judgement = judgeItem(number, line);
    // The last line of a file cut short counts only when it is whole.
    if (!terminated && judgement.form < 0) return;
    ItemLine& slot = run_.items[static_cast<std::size_t>(number - 1)];
    if (slot.present) {
        ++run_.repeatedItems;
        return;
    }
    if (number < run_.lastItem) run_.outOfOrder = true;
    run_.lastItem = number;
    slot.present = true;
    slot.text.assign(raw.data(), raw.size());
    slot.judgement = judgement;
}

}  // namespace orvex::reader
