// What the Internet Explorer check tests share: a scripted registry holding one
// user's hive, the registry readers over it, a report on string streams, and
// the registry layouts of the settings the checks read.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "platform/registry.h"
#include "probes/ie/ie_checks.h"
#include "report/report_writer.h"

namespace orvex::testing {

inline const std::string kSid = "S-1-5-21-1111-2222-3333-1001";

// Per-user key paths, below the hive root, as Internet Explorer keeps them.
inline const std::string kDomains = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains";
inline const std::string kZone2 = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
inline const std::string kExtSettings = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
inline const std::string kClearable = "\\Software\\Microsoft\\Internet Explorer\\BrowserEmulation\\ClearableListData";
inline const std::string kAllow = "\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow";

using Bytes = std::vector<unsigned char>;

struct IeBed {
    FakePlatform fake;
    Registry registry{fake};
    std::ostringstream out, err, file;
    ReportWriter report{out, err, file};

    // hive is a path below the hive root ("\Software\..."); the SID is put in front.
    void dword(const std::string& hive, const std::string& name, uint32_t value) {
        fake.setDword(RegRoot::Users, kSid + hive, name, value);
    }
    void binary(const std::string& hive, const std::string& name, Bytes data) {
        fake.setBinary(RegRoot::Users, kSid + hive, name, std::move(data));
    }
    void string(const std::string& hive, const std::string& name, const std::string& text) {
        fake.setString(RegRoot::Users, kSid + hive, name, text);
    }
    void value(const std::string& hive, const std::string& name, uint32_t type, Bytes data) {
        fake.setValue(RegRoot::Users, kSid + hive, name, type, std::move(data));
    }

    // The console lines written so far, without their newlines.
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
};

// The five checks in the run's order, items 8 to 30; the console lines.
inline std::vector<std::string> runAllChecks(IeBed& bed, const std::string& sid) {
    int item = 8;
    item = checkTrustedSites(bed.registry, bed.report, sid, item);
    item = checkSecurityZone(bed.registry, bed.report, sid, item);
    item = checkAddonSettings(bed.registry, bed.report, sid, item);
    item = checkCompatibilityView(bed.registry, bed.report, sid, item);
    item = checkPopupAllowList(bed.registry, bed.report, sid, item);
    EXPECT_EQ(item, 31);
    EXPECT_EQ(bed.fake.openKeys(), 0);
    EXPECT_EQ(bed.err.str(), "");
    return bed.lines();
}

// Whether a console line ends with the given verdict ("：OK", "：NG").
inline bool endsWith(const std::string& line, const std::string& verdict) {
    return line.size() >= verdict.size() && line.compare(line.size() - verdict.size(), verdict.size(), verdict) == 0;
}

// One site as the compatibility-view list stores its name: a 16-bit
// little-endian character count, then UTF-16LE code units.
inline Bytes storedDomain(const std::string& domain) {
    Bytes bytes = {static_cast<unsigned char>(domain.size() & 0xFF), static_cast<unsigned char>(domain.size() >> 8)};
    for (char c : domain) {
        bytes.push_back(static_cast<unsigned char>(c));
        bytes.push_back(0);
    }
    return bytes;
}

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A compatibility-view list laid out like the browser's own: a header, then per
// site a fixed-size record (entry size, flags, the time it was added, a hit
// count) followed by the stored domain. The checks do not parse it; the tests
// use it to show that a real list is searched correctly.
inline Bytes compatibilityList(const std::vector<std::string>& sites) {
    Bytes list = {0x41, 0x1F, 0x00, 0x00, 0x53, 0x8C, 0xAD, 0xBA,  // signature
                  0x01, 0x00, 0x00, 0x00,                          // version
                  static_cast<unsigned char>(sites.size()), 0x00, 0x00, 0x00};
    uint32_t stamp = 0xD2F0A6C0;
    for (const std::string& site : sites) {
        const Bytes name = storedDomain(site);
        const uint32_t size = static_cast<uint32_t>(20 + name.size());
        const unsigned char time[8] = {static_cast<unsigned char>(stamp), static_cast<unsigned char>(stamp >> 8),
                                       static_cast<unsigned char>(stamp >> 16), static_cast<unsigned char>(stamp >> 24),
                                       0x5B, 0x6E, 0xD7, 0x01};
        list.insert(list.end(), {static_cast<unsigned char>(size), 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00});
        list.insert(list.end(), std::begin(time), std::end(time));
        list.insert(list.end(), {0x01, 0x00, 0x00, 0x00});
        list.insert(list.end(), name.begin(), name.end());
        stamp += 0x01234567;
    }
    return list;
}

}  // namespace orvex::testing
