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
#include <optional>
#include <utility>

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
// What the reader looks at of the file's beginning to tell UTF-16.
constexpr std::size_t kHeadBytes = 16;
// The most pieces a mail's wrapping cuts the longest item line into (76
// characters a line).
constexpr std::size_t kMostWrappedPieces = 4;


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

constexpr std::string_view kTimeShape = "0000/00/00 00:00:00";

bool timeShaped(std::string_view time) {
    if (time.size() != kTimeShape.size()) return false;
    for (std::size_t i = 0; i < time.size(); ++i)
        if (kTimeShape[i] == '0' ? time[i] < '0' || time[i] > '9' : time[i] != kTimeShape[i]) return false;
    return true;
}

// The start line's time, when it has the shape the tool writes.
std::string startTime(std::string_view time) { return timeShaped(time) ? std::string(time) : std::string(); }

// ISO-2022-JP as EUC-JP: the escape sequences go, and the bytes of the
// two-byte sets and of half-width katakana take the high bit (EUC-JP's
// single shift before katakana), which is all that tells the two apart.
std::string iso2022JpAsEucJp(std::string_view text) {
    enum class Set { Ascii, TwoByte, Katakana } set = Set::Ascii;
    std::string euc;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        if (startsWith(rest, "\x1b$B") || startsWith(rest, "\x1b$@") || startsWith(rest, "\x1b(I")) {
            set = rest[1] == '$' ? Set::TwoByte : Set::Katakana;
            i += 2;
        } else if (startsWith(rest, "\x1b(B") || startsWith(rest, "\x1b(J")) {
            set = Set::Ascii;
            i += 2;
        } else if (set == Set::Ascii || static_cast<unsigned char>(text[i]) < 0x21) {
            euc += text[i];
        } else {
            if (set == Set::Katakana) euc += '\x8e';
            euc += static_cast<char>(text[i] | 0x80);
        }
    }
    return euc;
}

// A line of a run in the encoding given, in UTF-8.
std::string toUtf8(Encoding encoding, std::string_view raw) {
    switch (encoding) {
    case Encoding::Cp932: return cp932ToUtf8(raw);
    case Encoding::EucJp: return eucJpToUtf8(raw);
    case Encoding::Iso2022Jp: return eucJpToUtf8(iso2022JpAsEucJp(raw));
    case Encoding::Utf8:
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: break;  // lines of UTF-16 are UTF-8 by the time they are lines
    }
    return validUtf8(raw);
}

// A start line, in the encoding it is in: its time (as it stands), or
// nothing when the line is no start line. A line in EUC-JP or ISO-2022-JP
// is decoded to be told, so only a short line that ends in a time or
// follows a separator is tried.
std::optional<std::pair<Encoding, std::string>> startLine(std::string_view line, bool afterSeparator) {
    static const std::string utf8Label = cp932ToUtf8(kStartLabel);
    if (startsWith(line, kStartLabel)) return std::pair{Encoding::Cp932, std::string(line.substr(kStartLabel.size()))};
    if (startsWith(line, utf8Label)) return std::pair{Encoding::Utf8, std::string(line.substr(utf8Label.size()))};
    const bool timed = line.size() >= kTimeShape.size() && timeShaped(line.substr(line.size() - kTimeShape.size()));
    if (line.size() > 64 || !(timed || afterSeparator) || (isAscii(line) && line.find('\x1b') == std::string_view::npos))
        return std::nullopt;
    const Encoding encoding = line.find('\x1b') != std::string_view::npos ? Encoding::Iso2022Jp : Encoding::EucJp;
    const std::string decoded = toUtf8(encoding, line);
    if (!startsWith(decoded, utf8Label)) return std::nullopt;
    return std::pair{encoding, decoded.substr(utf8Label.size())};
}

// A start line whose Japanese became "?" (saved as ANSI on a Windows of
// another language): question marks, then the time.
bool lostStartLine(std::string_view line) {
    const std::size_t marks = line.find_first_not_of('?');
    return marks != 0 && marks != std::string_view::npos && timeShaped(line.substr(marks));
}

}  // namespace

const char* encodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Cp932: return "cp932";
    case Encoding::Utf8: return "utf-8";
    case Encoding::Utf16Le: return "utf-16le";
    case Encoding::Utf16Be: return "utf-16be";
    case Encoding::EucJp: return "euc-jp";
    case Encoding::Iso2022Jp: return "iso-2022-jp";
    }
    return "cp932";
}

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

bool Run::throughMail() const {
    return trimmedLines != 0 || joinedLines != 0 || encoding == Encoding::Iso2022Jp || encoding == Encoding::EucJp;
}

int Run::count(Verdict verdict) const {
    if (verdict == Verdict::Unknown) return static_cast<int>(laterItems.size());
    int n = 0;
    for (const ItemLine& item : items) n += item.present && item.judgement.verdict == verdict ? 1 : 0;
    return n;
}

ResultFileReader::ResultFileReader(RunHandler handler) : handler_(std::move(handler)) {}

void ResultFileReader::decideStream() {
    const auto byte = [this](std::size_t at) { return static_cast<unsigned char>(head_[at]); };
    stream_ = Stream::Bytes;
    if (head_.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) stream_ = Stream::Utf16Le;
    if (head_.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) stream_ = Stream::Utf16Be;
    // Without a byte-order mark: ASCII (the tool's separator) as UTF-16, a NUL byte in every second place.
    const std::size_t units = head_.size() / 2;
    bool littleEndian = units >= 2, bigEndian = units >= 2;
    for (std::size_t i = 0; i < units; ++i) {
        const auto ascii = [](unsigned c) { return c != 0 && c < 0x80; };
        littleEndian = littleEndian && ascii(byte(2 * i)) && byte(2 * i + 1) == 0;
        bigEndian = bigEndian && byte(2 * i) == 0 && ascii(byte(2 * i + 1));
    }
    if (littleEndian) stream_ = Stream::Utf16Le;
    if (bigEndian) stream_ = Stream::Utf16Be;
    std::string head;
    head.swap(head_);
    if (stream_ == Stream::Bytes)
        feedBytes(head.data(), head.size());
    else
        feedUtf16(head.data(), head.size());
}

void ResultFileReader::feed(const char* data, std::size_t size) {
    if (stream_ == Stream::Unknown) {
        const std::size_t taken = std::min(kHeadBytes - head_.size(), size);
        head_.append(data, taken);
        data += taken;
        size -= taken;
        if (head_.size() < kHeadBytes) return;
        decideStream();
    }
    if (stream_ == Stream::Bytes)
        feedBytes(data, size);
    else
        feedUtf16(data, size);
}

// Line by line: each UTF-16 line is converted at its LF and read as UTF-8.
// The tool appends a later run in its own code page, whose separator reads
// as UTF-16 units of two "=" each: from there on the file is bytes again.
void ResultFileReader::feedUtf16(const char* data, std::size_t size) {
    const bool bigEndian = stream_ == Stream::Utf16Be;
    for (std::size_t at = 0; at < size; ++at) {
        utf16Line_ += data[at];
        if (utf16Line_.size() % 2 != 0) continue;
        const auto byte = [this](std::size_t from_end) {
            return static_cast<unsigned char>(utf16Line_[utf16Line_.size() - from_end]);
        };
        const unsigned unit = bigEndian ? byte(2) << 8 | byte(1) : byte(1) << 8 | byte(2);
        equalSigns_ = unit == 0x3D3D ? equalSigns_ + 1 : 0;
        if (equalSigns_ == 4) {
            const std::string tail = utf16Line_.substr(utf16Line_.size() - 8);
            utf16Line_.resize(utf16Line_.size() - 8);
            flushUtf16();
            stream_ = Stream::Bytes;
            feedBytes(tail.data(), tail.size());
            return feedBytes(data + at + 1, size - at - 1);
        }
        if (unit == '\n') flushUtf16();
    }
}

void ResultFileReader::flushUtf16() {
    if (utf16Line_.empty()) return;
    const std::string line = utf16ToUtf8(utf16Line_, stream_ == Stream::Utf16Be);
    utf16Line_.clear();
    feedBytes(line.data(), line.size());
}

void ResultFileReader::feedBytes(const char* data, std::size_t size) {
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
    if (stream_ == Stream::Unknown) decideStream();
    if (stream_ != Stream::Bytes) flushUtf16();
    if (deciding_ != 0)
        decideLineEnds(false);
    else if (!partial_.empty() || partialCut_)
        endLine(nullptr, 0, false);
    flushWrapped();
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
    // Blanks at the end are no part of a line: mail adds them, and a copy of
    // the console's window pads each line to its width.
    bool trimmed = false;
    if (!cut) {
        const std::size_t kept = raw.find_last_not_of(" \t") + 1;  // 0 for a line of blanks alone
        trimmed = kept != raw.size();
        raw = raw.substr(0, kept);
    }
    const bool afterSeparator = afterSeparator_;
    afterSeparator_ = raw == kSeparator;

    if (const auto start = startLine(raw, afterSeparator)) {
        flushWrapped();
        separatorPending_ = false;  // the separator before was this run's opening one
        if (consoleCopyDone()) run_.closed = true;
        endRun();
        // A line of UTF-16 reaches here as UTF-8.
        const Encoding encoding = stream_ == Stream::Utf16Le   ? Encoding::Utf16Le
                                  : stream_ == Stream::Utf16Be ? Encoding::Utf16Be
                                                               : start->first;
        beginRun(start->second, encoding, !afterSeparator);
        if (cut) ++run_.longLines;
        if (trimmed) ++run_.trimmedLines;
        return;
    }
    if (!open_ && lostStartLine(raw)) ++lostStarts_;
    if (separatorPending_) {
        separatorPending_ = false;
        run_.closed = true;
        endRun();
    }
    if (!open_) return;
    if (trimmed) ++run_.trimmedLines;
    const std::string_view line = judgedForm(raw);
    const Kind kind = kindOf(line);
    if (wrapped_.held) {
        if (kind == Kind::Other && !cut && joinWrapped(raw, line)) return;
        flushWrapped();
    }
    // The console shows nothing after the items: what follows them, but for
    // more items of a later OrvexEnv, closes a copy of it.
    if (consoleCopyDone() && itemNumber(line) <= run_.lastItem) {
        run_.closed = true;
        endRun();
        return;
    }
    if (cut) ++run_.longLines;
    switch (kind) {
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

std::string ResultFileReader::decoded(std::string_view raw) const { return toUtf8(run_.encoding, raw); }

std::string_view ResultFileReader::judgedForm(std::string_view raw) {
    switch (run_.encoding) {
    case Encoding::Cp932: return raw;
    case Encoding::Utf8:
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        if (isAscii(raw)) return raw;
        return converted_ = utf8ToCp932(raw);
    case Encoding::EucJp:
    case Encoding::Iso2022Jp:
        if (isAscii(raw) && raw.find('\x1b') == std::string_view::npos) return raw;
        return converted_ = utf8ToCp932(toUtf8(run_.encoding, raw));
    }
    return raw;
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
    flushWrapped();
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
    if (judgement.form < 0) {
        // Perhaps a mail wrapped it: the lines after it may be its rest.
        wrapped_ = Wrapped{true, number, {std::string(raw)}, {std::string(line)}};
        return;
    }
    keepItem(number, judgement, decoded(raw));
}

void ResultFileReader::keepItem(int number, const Judgement& judgement, std::string text) {
    ItemLine& slot = run_.items[static_cast<std::size_t>(number - 1)];
    slot.present = true;
    slot.text = std::move(text);
    slot.judgement = judgement;
}

// The pieces are joined as a mail cut them: right after each other, or with
// the blank it cut at (which the piece before lost as a blank at its end).
// The first join that reads as a text of the item is the line.
bool ResultFileReader::joinWrapped(std::string_view raw, std::string_view line) {
    if (wrapped_.raw.size() == kMostWrappedPieces) return false;
    wrapped_.raw.emplace_back(raw);
    wrapped_.judged.emplace_back(line);
    const std::size_t cuts = wrapped_.raw.size() - 1;
    for (unsigned blanks = 0; blanks < 1u << cuts; ++blanks) {
        std::string joined = wrapped_.judged[0];
        for (std::size_t piece = 1; piece <= cuts; ++piece)
            joined += (blanks >> (piece - 1) & 1u ? " " : "") + wrapped_.judged[piece];
        const Judgement judgement = judgeItem(wrapped_.number, joined);
        if (judgement.form < 0) continue;
        std::string text = wrapped_.raw[0];
        for (std::size_t piece = 1; piece <= cuts; ++piece)
            text += (blanks >> (piece - 1) & 1u ? " " : "") + wrapped_.raw[piece];
        keepItem(wrapped_.number, judgement, decoded(text));
        run_.joinedLines += static_cast<int>(cuts);
        wrapped_ = Wrapped();
        return true;
    }
    return true;
}

void ResultFileReader::flushWrapped() {
    if (!wrapped_.held) return;
    keepItem(wrapped_.number, Judgement{}, decoded(wrapped_.raw[0]));
    run_.otherLines += static_cast<int>(wrapped_.raw.size() - 1);
    wrapped_ = Wrapped();
}

}  // namespace orvex::reader
