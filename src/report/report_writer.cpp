#include "report/report_writer.h"

namespace orvex {

ReportWriter::ReportWriter(std::ostream& out, std::ostream& err) : out_(out), err_(err), file_(&ownedFile_) {}

ReportWriter::ReportWriter(std::ostream& out, std::ostream& err, std::ostream& resultFile)
    : out_(out), err_(err), file_(&resultFile) {}

bool ReportWriter::openResultFile(const std::string& hostPath) {
    // Binary append: the newline translation is done here, so the file gets
    // CR LF on every host, exactly as a text-mode stream writes it on Windows.
    ownedFile_.open(hostPath, std::ios::out | std::ios::app | std::ios::binary);
    file_ = &ownedFile_;
    return ownedFile_.is_open();
}

void ReportWriter::toStream(std::ostream& stream, std::string_view text) {
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.put('\n');
    stream.flush();
}

void ReportWriter::toResultFile(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n') line += '\r';
        line += c;
    }
    line += "\r\n";
    file_->write(line.data(), static_cast<std::streamsize>(line.size()));
    file_->flush();
}

void ReportWriter::writeConsoleLine(std::string_view text) { toStream(out_, text); }

void ReportWriter::writeFileLine(std::string_view text) { toResultFile(text); }

void ReportWriter::writeLine(std::string_view text) {
    toStream(out_, text);
    toResultFile(text);
}

void ReportWriter::writeFailure(std::string_view message, std::string_view function, int errorNumber,
                                int fileNumber, FailureTarget target) {
    auto compose = [&](int number) {
        std::string line(message);
        line.append(function);
        line += std::to_string(number);
        return line;
    };
    switch (target) {
    case FailureTarget::Both:
        toStream(err_, compose(errorNumber));
        toResultFile(compose(fileNumber));
        break;
    case FailureTarget::ErrorStreamOnly:
        toStream(err_, compose(errorNumber));
        break;
    case FailureTarget::ResultFileOnly:
        // Only while the result file is still good; a failed stream drops it.
        if (!file_->fail()) toResultFile(compose(fileNumber));
        break;
    }
}

}  // namespace orvex
