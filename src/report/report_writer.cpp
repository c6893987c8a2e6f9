#include "report/report_writer.h"

namespace orvex {

std::string asOneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return line;
}

ReportWriter::ReportWriter(std::ostream& out, std::ostream& err) : out_(out), err_(err), file_(&unattached_) {}

ReportWriter::ReportWriter(std::ostream& out, std::ostream& err, std::ostream& resultFile)
    : out_(out), err_(err), file_(&resultFile) {}

void ReportWriter::attachResultFile(std::unique_ptr<std::ostream> resultFile) {
    ownedFile_ = std::move(resultFile);
    file_ = ownedFile_ ? ownedFile_.get() : &unattached_;
}

void ReportWriter::toStream(std::ostream& stream, std::string_view text) {
    const std::string line = asOneLine(text) + '\n';
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.flush();
}

void ReportWriter::toResultFile(std::string_view text) {
    // The file is written in binary: its line end is stored here as CR LF,
    // exactly as a text-mode stream writes it on Windows.
    const std::string line = asOneLine(text) + "\r\n";
    file_->write(line.data(), static_cast<std::streamsize>(line.size()));
    file_->flush();
}

void ReportWriter::writeConsoleLine(std::string_view text) { toStream(out_, text); }

void ReportWriter::writeFileLine(std::string_view text) { toResultFile(text); }

void ReportWriter::writeLine(std::string_view text) {
    toStream(out_, text);
    toResultFile(text);
}

void ReportWriter::writeFailure(const catalogue::FailureSite& site) {
    using catalogue::FailureTarget;
    auto compose = [&](int number) {
        std::string line(site.message);
        line.append(site.function);
        line += std::to_string(number);
        return line;
    };
    switch (site.target) {
    case FailureTarget::Both:
        toStream(err_, compose(site.errorNumber));
        toResultFile(compose(site.fileNumber));
        break;
    case FailureTarget::ErrorStreamOnly:
        toStream(err_, compose(site.errorNumber));
        break;
    case FailureTarget::ResultFileOnly:
        // Only while the result file is still good; a failed stream drops it.
        if (!file_->fail()) toResultFile(compose(site.fileNumber));
        break;
    }
}

}  // namespace orvex
