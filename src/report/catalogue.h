// The report's format: the number of every item and every fixed text the
// tool writes, declared here and spelled out, in the order of a result file,
// in catalogue.cpp. The checks write their lines from these records; the
// desk's reader, OrvexEnvRead, recognises the lines of stored result files by
// the same records.
//
// FROZEN. Result files written years ago are read back by these texts and
// numbers: changing a byte of a text, or a number, makes the reader fail to
// recognise every report written before the change.
//
// The texts are CP932 bytes (compiled in catalogue.cpp alone, with the
// tool's execution character set), so a program that reads them with
// another character set of its own gets them as data, unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "report/service_hosts.h"

namespace orvex::catalogue {

// A complete run numbers its lines 1 to kItemCount, each once, in order.
inline constexpr int kItemCount = 41;
// Every version of the tool writes items 1 to kFewestItems at least: the
// first wrote that many, and items are only ever added after them. A run that
// holds them, and no gap after them, is whole whichever version wrote it.
inline constexpr int kFewestItems = 41;
static_assert(kFewestItems <= kItemCount, "items are only ever added");

// What each item's line reports. The records below hold each item to its
// kind (checked where they are spelled out); the reader judges an item's
// lines by its kind, and its build fails for an item of a kind it has no
// forms of judging for.
enum class ItemKind {
    OsName,
    OsVersion,
    OsBuild,
    OsBitness,
    SmartCardService,
    SigningComponent,
    TrustedSite,
    SecurityZone,
    AddonManagement,
    CompatibilityView,
    PopupAllowList,
    ExtensionState,
    ExtensionVersion,
    PreparationSetup,
};

// The kind of each item, by item number - 1.
inline constexpr ItemKind kItemKinds[] = {
    ItemKind::OsName, ItemKind::OsVersion, ItemKind::OsBuild, ItemKind::OsBitness,  // 1-4
    ItemKind::SmartCardService,                                                    // 5
    ItemKind::SigningComponent, ItemKind::SigningComponent,                        // 6, 7
    ItemKind::TrustedSite, ItemKind::TrustedSite, ItemKind::TrustedSite,           // 8-16
    ItemKind::TrustedSite, ItemKind::TrustedSite, ItemKind::TrustedSite,
    ItemKind::TrustedSite, ItemKind::TrustedSite, ItemKind::TrustedSite,
    ItemKind::SecurityZone,                                                        // 17
    ItemKind::AddonManagement, ItemKind::AddonManagement, ItemKind::AddonManagement,  // 18-20
    ItemKind::CompatibilityView,                                                   // 21
    ItemKind::PopupAllowList, ItemKind::PopupAllowList, ItemKind::PopupAllowList,  // 22-30
    ItemKind::PopupAllowList, ItemKind::PopupAllowList, ItemKind::PopupAllowList,
    ItemKind::PopupAllowList, ItemKind::PopupAllowList, ItemKind::PopupAllowList,
    ItemKind::ExtensionState, ItemKind::ExtensionState,                            // 31-34: Chrome
    ItemKind::ExtensionVersion, ItemKind::ExtensionVersion,
    ItemKind::ExtensionState, ItemKind::ExtensionState,                            // 35-38: Edge
    ItemKind::ExtensionVersion, ItemKind::ExtensionVersion,
    ItemKind::PreparationSetup, ItemKind::PreparationSetup, ItemKind::PreparationSetup,  // 39-41
};
static_assert(sizeof kItemKinds / sizeof kItemKinds[0] == kItemCount, "every item has its kind, and only they");

constexpr ItemKind itemKind(int item) { return kItemKinds[item - 1]; }

// The full-width full stop that begins every label, right after the item number.
extern const std::string_view kFullStop;

// ---- The run ---------------------------------------------------------------

extern const std::string_view kOpenFailed;    // console: the result file cannot be opened; then its path
extern const std::string_view kAnnouncement;  // console: the result file is written; then its path
extern const std::string_view kSeparator;     // result file: opens every run and closes a complete one
extern const std::string_view kStartLabel;    // console and result file: then the local time, YYYY/MM/DD HH:MM:SS

// ---- Failure lines: message, function name, number -------------------------

enum class FailureTarget { Both, ErrorStreamOnly, ResultFileOnly };

struct FailureSite {
    std::string_view message;
    std::string_view function;
    int errorNumber;  // the error-stream copy's number; 0 where there is none
    int fileNumber;   // the result-file copy's number, one higher where both are written; 0 where there is none
    FailureTarget target;
};

extern const FailureSite kLastLoggedOnUserUnreadable;     // the run ends before item 1
extern const FailureSite kProfileListUnreadable;          // the run ends before item 1
extern const FailureSite kOsNameQueryFailed;              // before item 1, whose name is empty
extern const FailureSite kNtdllNotLoadable;               // before item 2; items 2 and 3 show zeros
extern const FailureSite kRtlGetVersionMissing;           // before item 2; items 2 and 3 show zeros
extern const FailureSite kLastLoggedOnSamUserUnreadable;  // the run ends after the pop-up lines

// ---- Items: number, then one of the item's texts, then what was found ------

// A label followed by a value.
struct LabelledItem {
    int number;
    std::string_view label;
};

// OS identification.
extern const LabelledItem kOsName;     // the name WMI gives
extern const LabelledItem kOsVersion;  // major "." minor
extern const LabelledItem kOsBuild;    // build "(" service pack ")"
struct BitnessItem {
    int number;
    std::string_view label;  // then the bitness text, "(", processor architecture, ")"
    std::string_view bits32;
    std::string_view bits64;
    std::string_view otherBits;
};
extern const BitnessItem kOsBitness;

// The smart card service: label, the state's message, "(", state code, ")";
// or unavailable alone.
struct SmartCardItem {
    int number;
    std::string_view label;
    std::array<std::string_view, 8> stateMessages;  // states 1 to 7, then any other
    std::string_view unavailable;
};
extern const SmartCardItem kSmartCardService;
inline constexpr uint32_t kSmartCardRunning = 4;  // SERVICE_RUNNING

// A signing component: dateLabel followed by the file's date, or one of the
// three other texts alone.
struct SigningComponentItem {
    int number;
    std::string_view notRegistered;
    std::string_view dateLabel;  // YYYY/MM/DD HH:MM:SS.mmm follows
    std::string_view fileMissing;
    std::string_view unreadable;
};
extern const SigningComponentItem kSigningModule;   // Tessivan.dll
extern const SigningComponentItem kSigningControl;  // Quennel.ocx

// A line about one service host.
struct HostItem {
    int number;
    ServiceHost host;
};

// Trusted sites: label, zone-map value name, result, zone-map path, then set or notSet.
struct TrustedSiteItems {
    std::string_view label;
    std::string_view result;
    std::string_view set;
    std::string_view notSet;
    std::array<HostItem, 9> hosts;  // the trusted-sites order
};
extern const TrustedSiteItems kTrustedSites;

// The trusted-sites zone's level: ok or notDefault, level, close; or
// readFailed, the registry reader's status.
struct SecurityZoneItem {
    int number;
    std::string_view ok;
    std::string_view notDefault;
    std::string_view close;
    std::string_view readFailed;
};
extern const SecurityZoneItem kSecurityZone;
inline constexpr uint32_t kDefaultSecurityLevel = 0x11000;  // the only level that is OK

// Add-on management: label, display name, then ok or ng.
struct AddonItem {
    int number;
    std::string_view displayName;
};
struct AddonItems {
    std::string_view label;
    std::string_view ok;
    std::string_view ng;
    AddonItem iquennelClass;
    AddonItem quennelControl;
    AddonItem xmlHttp;
};
extern const AddonItems kAddons;

// The compatibility-view list: ok alone; or ng, the agency domain, ngEnd.
struct CompatibilityItem {
    int number;
    std::string_view ok;
    std::string_view ng;
    std::string_view ngEnd;
};
extern const CompatibilityItem kCompatibilityView;

// The pop-up allow list: label, full host name, then ok or ng.
struct PopupItems {
    std::string_view label;
    std::string_view ok;
    std::string_view ng;
    std::array<HostItem, 9> hosts;  // the pop-up order
};
extern const PopupItems kPopupAllowList;

// The extension in one browser: a state line for each of its two documents,
// then a version line for each, in the order Preferences, Secure Preferences.
struct BrowserExtensionItems {
    std::array<LabelledItem, 2> states;    // on, off or notInstalled follows
    std::array<LabelledItem, 2> versions;  // the recorded version or noVersion follows
};
extern const BrowserExtensionItems kChromeExtension;
extern const BrowserExtensionItems kEdgeExtension;
struct ExtensionValues {
    std::string_view on;
    std::string_view off;
    std::string_view notInstalled;
    std::string_view noVersion;
};
extern const ExtensionValues kExtensionValues;

// A preparation setup: installed followed by its version, or notInstalled alone.
struct SetupItem {
    int number;
    std::string_view installed;
    std::string_view notInstalled;
};
extern const SetupItem kRubenaSetup;
extern const SetupItem kWebSetup;
extern const SetupItem kSoramuSetup;

}  // namespace orvex::catalogue
