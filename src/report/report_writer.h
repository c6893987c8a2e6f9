// The only place that writes text. Report lines and failure lines go to the
// console first and then to the result file, one whole line at a time, each
// flushed as it ends. Text passes through as it is (CP932 bytes).
#pragma once

#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

namespace orvex {

enum class FailureTarget { Both, ErrorStreamOnly, ResultFileOnly };

class ReportWriter {
public:
    // The console streams are the process's; the result file is opened later
    // with openResultFile, or handed in (tests).
    ReportWriter(std::ostream& out, std::ostream& err);
    ReportWriter(std::ostream& out, std::ostream& err, std::ostream& resultFile);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Opens the result file for appending; false when it cannot be opened.
    bool openResultFile(const std::string& hostPath);

    // item number, label, pieces..., newline. Returns item + 1.
    template <typename... Pieces>
    int writeItem(int item, std::string_view label, const Pieces&... pieces) {
        std::string line = std::to_string(item);
        line.append(label);
        (appendPiece(line, pieces), ...);
        writeLine(line);
        return item + 1;
    }

    // message, function name and source-line number run together.
    void writeFailure(std::string_view message, std::string_view function, int errorNumber, int fileNumber,
                      FailureTarget target);

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
    std::ofstream ownedFile_;
    std::ostream* file_;
};

}  // namespace orvex
