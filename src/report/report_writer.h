// The only place that writes text. Report lines and failure lines go to the
// console first and then to the result file, one whole line at a time, each
// flushed as it ends. Text passes through as it is (CP932 bytes), with one
// exception: every line stays one line (see asOneLine).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "report/catalogue.h"

namespace orvex {

class ReportWriter {
public:
    // The console streams are the process's; the result file is attached once
    // it is open, or handed in (tests). Until then file copies go nowhere.
    ReportWriter(std::ostream& out, std::ostream& err);
    ReportWriter(std::ostream& out, std::ostream& err, std::ostream& resultFile);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // The opened result file; the writer keeps it until it is destroyed.
    void attachResultFile(std::unique_ptr<std::ostream> resultFile);

    // item number, label, pieces..., newline: the item's number and label
    // from the catalogue (report/catalogue.h).
    template <typename... Pieces>
    void writeItem(int item, std::string_view label, const Pieces&... pieces) {
        std::string line = std::to_string(item);
        line.append(label);
        (appendPiece(line, pieces), ...);
        writeLine(line);
    }

    // message, function name and number run together, on the site's target.
    void writeFailure(const catalogue::FailureSite& site);

    void writeConsoleLine(std::string_view text);  // standard output only
    void writeFileLine(std::string_view text);     // result file only
    void writeLine(std::string_view text);         // standard output, then the result file

private:
    static void appendPiece(std::string& line, std::string_view text) { line.append(text); }
    static void appendPiece(std::string& line, const char* text) { line.append(text); }
    static void appendPiece(std::string& line, const std::string& text) { line.append(text); }
    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    static void appendPiece(std::string& line, T number) {
        static_assert(!std::is_same_v<T, bool> && !std::is_same_v<T, char>, "not a number piece");
        line += std::to_string(number);
    }

    void toStream(std::ostream& stream, std::string_view text);
    void toResultFile(std::string_view text);

    std::ostream& out_;
    std::ostream& err_;
    std::ostream unattached_{nullptr};  // no buffer: every write fails quietly
    std::unique_ptr<std::ostream> ownedFile_;
    std::ostream* file_;
};

// The text with each control character (0x00 to 0x1F and 0x7F) replaced by
// '?'. Values read from the machine - a version from a browser's document, a
// registry string - may hold a newline, a carriage return, NUL or an escape
// sequence; written raw, such a value could end its line early, overprint it
// on the console or add a line that looks like an item of its own. No byte of
// a double-byte character of the ANSI code pages lies in that range, and no
// fixed text of the report holds one, so nothing else changes.
std::string asOneLine(std::string_view text);

}  // namespace orvex
