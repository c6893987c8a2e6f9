// What the Internet Explorer check tests share: a scripted registry holding one
// user's hive, the registry readers over it, a report on string streams, and
// the registry layouts of the settings the checks read.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "probes/ie/ie_checks.h"
#include "test_support.h"

namespace orvex::testing {

inline const std::string kSid = "S-1-5-21-1111-2222-3333-1001";

// Per-user key paths, below the hive root, as Internet Explorer keeps them.
inline const std::string kDomains = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains";
inline const std::string kAgency = kDomains + "\\orvex.example";
inline const std::string kPortal = kDomains + "\\citizenportal.example";
inline const std::string kZone2 = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
inline const std::string kExtSettings = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
inline const std::string kQuennelClass = kExtSettings + "\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}";
inline const std::string kQuennelControl = kExtSettings + "\\{E4F92B06-1C7A-4D3E-A58B-60D19C2F7E34}";
inline const std::string kXmlHttp = kExtSettings + "\\{88D96A0A-F192-11D4-A65F-0040963251E5}";
inline const std::string kClearable = "\\Software\\Microsoft\\Internet Explorer\\BrowserEmulation\\ClearableListData";
inline const std::string kAllow = "\\Software\\Microsoft\\Internet Explorer\\New Windows\\Allow";

using Bytes = std::vector<unsigned char>;
using IeCheck = void (*)(Registry&, ReportWriter&, const std::string&);

struct IeBed : Streams {
    FakePlatform fake;
    Registry registry{fake};

    // hive is a path below the hive root ("\Software\..."); the SID is put in front.
    void dword(const std::string& hive, const std::string& name, uint32_t value) {
        fake.setDword(RegRoot::Users, kSid + hive, name, value);
    }
    void binary(const std::string& hive, const std::string& name, Bytes data) {
        fake.setBinary(RegRoot::Users, kSid + hive, name, std::move(data));
    }
    void value(const std::string& hive, const std::string& name, uint32_t type, Bytes data) {
        fake.setValue(RegRoot::Users, kSid + hive, name, type, std::move(data));
    }

    // Runs one check for the user; the console lines written so far. The
    // check closes every key it opened and writes no failure line.
    Lines run(IeCheck check) {
        check(registry, report, kSid);
        const Lines lines = consoleLines(out.str());
        EXPECT_EQ(fake.openKeys(), 0);
        EXPECT_EQ(err.str(), "");
        return lines;
    }
};

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
