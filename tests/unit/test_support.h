// What the check tests share: a ReportWriter on string streams, the lines it
// wrote, a check that nothing opened was left open, and the registry places
// the target-user lookups read.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "report/report_writer.h"

namespace orvex::testing {

using Lines = std::vector<std::string>;

struct Streams {
    std::ostringstream out, err, file;
    ReportWriter report{out, err, file};
};

// The lines of a text, without their line ends (CR LF in the result file).
inline Lines splitLines(const std::string& text, const std::string& end) {
    Lines lines;
    std::string::size_type start = 0;
    for (std::string::size_type stop; (stop = text.find(end, start)) != std::string::npos; start = stop + end.size())
        lines.push_back(text.substr(start, stop - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}
inline Lines fileLines(const std::string& text) { return splitLines(text, "\r\n"); }
inline Lines consoleLines(const std::string& text) { return splitLines(text, "\n"); }

// Every registry key, file and COM object that was opened has been given back.
inline void expectNothingOpen(const FakePlatform& fake) {
    EXPECT_EQ(fake.openKeys(), 0);
    EXPECT_EQ(fake.openFiles(), 0);
    EXPECT_EQ(fake.liveComObjects(), 0);
}

inline const char kLogonUi[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI";
inline const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

inline void addProfile(FakePlatform& fake, const std::string& sid, const std::string& imagePath) {
    fake.setString(RegRoot::LocalMachine, std::string(kProfileList) + "\\" + sid, "ProfileImagePath", imagePath,
                   kRegExpandSz);
}

}  // namespace orvex::testing
