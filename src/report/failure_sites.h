// Every failure line the tool writes, in one place: what it means, its
// message, the function name it carries and its numbers - the error-stream
// copy's and the result-file copy's, which is one higher where a site writes
// both - and where it goes. A support desk reads the numbers back from
// reports: they never change.
#pragma once

#include <string_view>

namespace orvex {

enum class FailureTarget { Both, ErrorStreamOnly, ResultFileOnly };

struct FailureSite {
    std::string_view message;
    std::string_view function;
    int errorNumber;  // the error-stream copy's number; 0 where there is none
    int fileNumber;   // the result-file copy's number; 0 where there is none
    FailureTarget target;
};

inline constexpr char kRegistryReadFailed[] = "レジストリ情報の取得に失敗しました。";
inline constexpr char kOsNameFailed[] = "OS情報の取得に失敗しました。";
inline constexpr char kOsVersionFailed[] = "OS情報取得に失敗しました。";

// The logon records name no last interactive user (LastLoggedOnUser
// unreadable): the run ends before item 1.
inline constexpr FailureSite kLastLoggedOnUserUnreadable{kRegistryReadFailed, "main", 344, 345, FailureTarget::Both};
// The profile list cannot be enumerated: the run ends before item 1.
inline constexpr FailureSite kProfileListUnreadable{kRegistryReadFailed, "main", 362, 363, FailureTarget::Both};
// LastLoggedOnSAMUser unreadable: the run ends after item 30.
inline constexpr FailureSite kLastLoggedOnSamUserUnreadable{kRegistryReadFailed, "main", 725, 726,
                                                            FailureTarget::Both};
// The WMI query for the OS name failed: item 1 has an empty name.
inline constexpr FailureSite kOsNameQueryFailed{kOsNameFailed, "getOSName", 48, 0, FailureTarget::ErrorStreamOnly};
// ntdll.dll could not be loaded: items 2 and 3 show zeros.
inline constexpr FailureSite kNtdllNotLoadable{kOsVersionFailed, "GetVersion2", 0, 40, FailureTarget::ResultFileOnly};
// ntdll.dll has no RtlGetVersion: items 2 and 3 show zeros.
inline constexpr FailureSite kRtlGetVersionMissing{kOsVersionFailed, "GetVersion2", 0, 20,
                                                   FailureTarget::ResultFileOnly};

}  // namespace orvex
