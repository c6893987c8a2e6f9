// What the check tests share: a ReportWriter on string streams and the
// registry places the lookups read.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "report/report_writer.h"

namespace orvex::testing {

struct Streams {
    std::ostringstream out, err, file;
    ReportWriter report{out, err, file};
};

// The result file's lines, without their CR LF.
inline std::vector<std::string> fileLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

inline const char kLogonUi[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI";
inline const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

inline void addProfile(FakePlatform& fake, const std::string& sid, const std::string& imagePath) {
    fake.setString(RegRoot::LocalMachine, std::string(kProfileList) + "\\" + sid, "ProfileImagePath", imagePath,
                   kRegExpandSz);
}

}  // namespace orvex::testing
