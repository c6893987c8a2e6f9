// A result file read into its runs, as it streams past: the reader holds the
// line being read and the run it belongs to, never the whole file.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/verdicts.h"

namespace orvex::reader {

// The most kept of one line. The tool's lines are at most a few kilobytes;
// the rest of a longer line is read past and dropped.
inline constexpr std::size_t kMaxLineBytes = std::size_t{64} * 1024;
// The most failure lines kept of one run (a run of the tool writes three at most).
inline constexpr std::size_t kMaxFailures = 16;
// The most item lines of a later OrvexEnv kept of one run.
inline constexpr std::size_t kMaxLaterItems = 64;

// A run's encoding, decided by its start line: the rest of a run's opening
// (the separator, the time) is ASCII, so each run of a file joined from a
// copy and the original reads in its own.
enum class Encoding {
    Cp932,      // as the tool writes it
    Utf8,       // a copy saved again as UTF-8, with or without a byte-order mark
    Utf16Le,    // saved as "Unicode" (the tool may have appended later runs in CP932)
    Utf16Be,    // saved as "Unicode big endian"
    EucJp,      // saved on a system whose Japanese is EUC-JP
    Iso2022Jp,  // a mail's text saved as it came (JIS)
};

// "cp932", "utf-8", "utf-16le", "utf-16be", "euc-jp", "iso-2022-jp".
const char* encodingName(Encoding encoding);

struct ItemLine {
    bool present = false;
    std::string text;  // UTF-8, decoded from the run's encoding once when read, without the line end;
                       // cut at kMaxLineBytes of the file's bytes
    Judgement judgement;
};

// An item line numbered above the items this reader knows (a later OrvexEnv
// writes it): kept as it is, its verdict unknown.
struct LaterItem {
    int number = 0;
    std::string text;  // UTF-8, as an ItemLine's
};

// How a run ended, judged by its own closing lines and the items it holds:
// a later OrvexEnv's run, with more items than this reader knows, is
// complete when it holds every item this reader knows.
enum class RunEnd {
    Complete,      // its items without a gap (missingItems) and the closing separator (in a copy of the
                   // console, which shows no separators: its items, and no more of them after)
    Failure,       // a lookup's failure line ended it
    Interrupted,   // the next run began before it was closed
    Cut,           // the file ends inside it
    ItemsMissing,  // closed, but without some of its items
};

struct Run {
    int number = 0;          // 1, 2, ... within the file
    Encoding encoding = Encoding::Cp932;
    std::string started;     // YYYY/MM/DD HH:MM:SS; empty when the start line holds no such time
    std::array<ItemLine, kItemCount> items;  // by item number - 1
    std::vector<LaterItem> laterItems;       // in the order read, each number once; at most kMaxLaterItems
    std::vector<std::string> failures;       // failure lines, UTF-8
    int endingFailure = 0;   // source-line number of the lookup failure that ended the run; 0 for none
    bool fromConsole = false; // no separator before its start line: a copy of the console, closed by what
                              // follows its items
    bool closed = false;     // its closing separator followed
    bool fileEnded = false;  // the file ended while it was open
    int lastItem = 0;        // the last item line read
    int repeatedItems = 0;   // item lines whose number came before in the run (the first is kept)
    bool outOfOrder = false; // an item came after one with a higher number
    int otherLines = 0;      // lines in the run that are none of the tool's
    int longLines = 0;       // lines cut at kMaxLineBytes
    int trimmedLines = 0;    // lines that ended in blanks (added by mail, or a console's block copy)
    int joinedLines = 0;     // lines a mail had wrapped, joined again to the item line they were cut from

    RunEnd end() const;
    // The items a whole run would hold that this one lacks: those of every
    // version (1 to kFewestItems) and those before the highest it holds.
    std::vector<int> missingItems() const;
    bool complete() const { return end() == RunEnd::Complete; }
    int count(Verdict verdict) const;  // of the items known and later
    // The file passed through mail or a copy on the way: blanks added, lines
    // wrapped, a mail's encoding. What could not be read is then best sent
    // again as the file itself.
    bool throughMail() const;
};

// Splits bytes into lines and lines into runs. Hand it the file's bytes in
// pieces of any size, then call finish(); each run goes to the handler as
// soon as it has ended. A line ends at LF, CR LF, CR CR LF (line ends
// converted twice on the way) or, in a file whose first line ends so, at a
// CR alone; elsewhere a CR is part of its line. Blanks at a line's end are
// no part of it. A file saved as UTF-16 is read as such up to where the tool
// appended a later run in its own code page.
class ResultFileReader {
public:
    using RunHandler = std::function<void(Run&)>;
    explicit ResultFileReader(RunHandler handler);

    void feed(const char* data, std::size_t size);
    void finish();

    int runs() const { return runs_; }
    // The file holds start lines whose Japanese became "?" (saved again as
    // ANSI on a Windows of another language), and no run this reader can read.
    bool japaneseLost() const { return runs_ == 0 && lostStarts_ > 0; }

private:
    enum class LineEnds { Undecided, Lf, Cr };
    enum class Kind { Separator, Failure, Item, Other };
    // What the bytes are: not yet known (the first few decide), bytes of
    // lines, or UTF-16 turned into lines of UTF-8.
    enum class Stream { Unknown, Bytes, Utf16Le, Utf16Be };

    void decideStream();
    void feedUtf16(const char* data, std::size_t size);
    // The UTF-16 line held so far, converted and handed on.
    void flushUtf16();
    void feedBytes(const char* data, std::size_t size);
    // The file's first line ended with CRs; lf: an LF followed them.
    void decideLineEnds(bool lf);
    void append(const char* data, std::size_t size);
    // The line is the bytes held in partial_, then these.
    void endLine(const char* data, std::size_t size, bool terminated);
    // raw: one line without its line end; cut: longer than kMaxLineBytes;
    // terminated: its line end was read (only the file's last line may lack one).
    void onLine(std::string_view raw, bool cut, bool terminated);
    Kind kindOf(std::string_view line) const;
    void beginRun(std::string_view time, Encoding encoding, bool fromConsole);
    void endRun();
    // The run is a copy of the console that holds its last item this reader
    // knows: what follows its items closes it.
    bool consoleCopyDone() const;
    // A line of the current run in UTF-8: invalid bytes as U+FFFD.
    std::string decoded(std::string_view raw) const;
    // A line of the current run in CP932, as the items are judged.
    std::string_view judgedForm(std::string_view raw);
    void addItem(int number, std::string_view raw, std::string_view line, bool terminated);
    void keepItem(int number, const Judgement& judgement, std::string text);
    // A line that may be the rest of the wrapped item line held: true when
    // it was taken (joined, or held as a further piece).
    bool joinWrapped(std::string_view raw, std::string_view line);
    // The wrapped item line held, kept as it stands (unread); its pieces
    // count as lines that are none of the tool's.
    void flushWrapped();

    RunHandler handler_;
    Stream stream_ = Stream::Unknown;
    std::string head_;       // the first bytes, until they tell what the stream is
    std::string utf16Line_;  // a UTF-16 line's bytes, until its LF
    int equalSigns_ = 0;     // UTF-16 units in a row made of two "=": the tool's separator in its own code page
    LineEnds lineEnds_ = LineEnds::Undecided;
    std::size_t deciding_ = 0;  // CRs ending the file's first line; the byte after them decides
    bool afterCr_ = false;   // the last byte was a CR ending a line (an LF right after it belongs to it)
    std::string partial_;    // the line read so far, when it spans pieces
    bool partialCut_ = false;
    std::string converted_;  // the current line converted to CP932
    bool afterSeparator_ = false;  // the line before was a separator
    bool open_ = false;  // run_ is being read
    bool separatorPending_ = false;
    int runs_ = 0;
    int lostStarts_ = 0;     // start lines whose Japanese became "?"
    // An item line no text of its item fits, held while the lines after it
    // may be what a mail's wrapping cut from it.
    struct Wrapped {
        bool held = false;
        int number = 0;
        std::vector<std::string> raw, judged;  // the line, then each piece after it
    } wrapped_;
    Run run_;
};

}  // namespace orvex::reader
