// The four registry readers. Every key is opened read-only with KEY_READ
// together with the view flag, which the run fixes once, before the first
// read: KEY_WOW64_64KEY on 64-bit Windows so that the 32-bit tool sees the
// native registry, 0 otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orvex {

constexpr int REG_READ_OK = 0;
constexpr int REG_READ_TOO_LARGE = -2;
constexpr int REG_READ_FAILED = -3;
constexpr int PROFILE_LIST_FAILED = -1;

constexpr uint32_t kRegStringLimit = 1024;  // bytes, terminating NUL included

// Under HKEY_LOCAL_MACHINE: one subkey per profile, named after its SID.
inline constexpr char kProfileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Which registry every read of a run sees. A 32-bit process on 64-bit
// Windows is shown the 32-bit (WOW6432Node) view unless it asks for the
// native one; on 32-bit Windows there is only one.
enum class RegistryView { Default, Native64 };

// The access-mask bits of a view: KEY_WOW64_64KEY for the native 64-bit view.
constexpr uint32_t viewFlag(RegistryView view) { return view == RegistryView::Native64 ? kKeyWow64_64Key : 0; }

class Registry {
public:
    // The view is fixed for the registry's life: every read uses the same one.
    explicit Registry(Platform& platform, RegistryView view = RegistryView::Default)
        : platform_(platform), view_(view) {}

    RegistryView view() const { return view_; }
    // The one place the access mask is built.
    uint32_t accessMask() const { return kKeyRead | viewFlag(view_); }

    // HKEY_USERS \ subkey: a REG_DWORD.
    [[nodiscard]] int readRegDword(const std::string& subkey, const std::string& valueName, uint32_t& value);
    // root \ subkey: REG_SZ or REG_EXPAND_SZ (unexpanded) of at most 1024 bytes.
    // value is left unchanged on failure.
    [[nodiscard]] int readRegString(RegRoot root, const std::string& subkey, const std::string& valueName,
                                    std::string& value);
    // HKEY_USERS \ subkey: REG_BINARY of any size. data is left unchanged on failure.
    [[nodiscard]] int readRegBinary(const std::string& subkey, const std::string& valueName,
                                    std::vector<unsigned char>& data);
    // The subkey names of the profile list, in enumeration order; 0 or -1.
    [[nodiscard]] int listProfileSids(std::vector<std::string>& sids);

private:
    Platform& platform_;
    const RegistryView view_;
};

}  // namespace orvex
