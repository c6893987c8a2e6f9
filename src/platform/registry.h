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

class Registry {
public:
    explicit Registry(Platform& platform) : platform_(platform) {}

    void setViewFlag(uint32_t flag) { viewFlag_ = flag; }
    uint32_t viewFlag() const { return viewFlag_; }
    // The one place the access mask is built.
    uint32_t accessMask() const { return kKeyRead | viewFlag_; }

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
    uint32_t viewFlag_ = 0;
};

}  // namespace orvex
