#include "platform/registry.h"

#include <cstring>

#include "platform/handles.h"

namespace orvex {

int Registry::readRegDword(const std::string& subkey, const std::string& valueName, uint32_t& value) {
    RegKeyOwner key(platform_);
    if (platform_.regOpenKey(RegRoot::Users, subkey, accessMask(), key.put()) != kErrorSuccess) return REG_READ_FAILED;
    uint32_t type = 0;
    uint32_t size = 0;
    if (platform_.regQueryValue(key.get(), valueName, &type, nullptr, &size) != kErrorSuccess || type != kRegDword)
        return REG_READ_FAILED;
    if (size > sizeof(uint32_t)) return REG_READ_TOO_LARGE;
    unsigned char data[sizeof(uint32_t)] = {};
    size = sizeof(data);
    if (platform_.regQueryValue(key.get(), valueName, &type, data, &size) != kErrorSuccess) return REG_READ_FAILED;
    std::memcpy(&value, data, sizeof(value));
    return REG_READ_OK;
}

int Registry::readRegString(RegRoot root, const std::string& subkey, const std::string& valueName,
                            std::string& value) {
    char buffer[kRegStringLimit] = {};
    RegKeyOwner key(platform_);
    if (platform_.regOpenKey(root, subkey, accessMask(), key.put()) != kErrorSuccess) return REG_READ_FAILED;
    uint32_t type = 0;
    uint32_t size = 0;
    if (platform_.regQueryValue(key.get(), valueName, &type, nullptr, &size) != kErrorSuccess ||
        (type != kRegSz && type != kRegExpandSz))
        return REG_READ_FAILED;
    if (size > kRegStringLimit) return REG_READ_TOO_LARGE;
    size = kRegStringLimit;
    if (platform_.regQueryValue(key.get(), valueName, &type, reinterpret_cast<unsigned char*>(buffer), &size) !=
        kErrorSuccess)
        return REG_READ_FAILED;
    key.reset();
    // Up to the first NUL, and never past the buffer (a value stored without one).
    value.assign(buffer, strnlen(buffer, sizeof(buffer)));
    return REG_READ_OK;
}

int Registry::readRegBinary(const std::string& subkey, const std::string& valueName,
                            std::vector<unsigned char>& data) {
    RegKeyOwner key(platform_);
    if (platform_.regOpenKey(RegRoot::Users, subkey, accessMask(), key.put()) != kErrorSuccess) return REG_READ_FAILED;
    uint32_t type = 0;
    uint32_t size = 0;
    if (platform_.regQueryValue(key.get(), valueName, &type, nullptr, &size) != kErrorSuccess || type != kRegBinary)
        return REG_READ_FAILED;
    std::vector<unsigned char> buffer(size, 0);
    uint32_t got = size;
    if (platform_.regQueryValue(key.get(), valueName, &type, buffer.data(), &got) != kErrorSuccess)
        return REG_READ_FAILED;
    // The value may have shrunk between the two queries; never grow past the buffer.
    if (got < buffer.size()) buffer.resize(got);
    data.swap(buffer);
    return REG_READ_OK;
}

int Registry::listProfileSids(std::vector<std::string>& sids) {
    sids.clear();
    RegKeyOwner key(platform_);
    if (platform_.regOpenKey(RegRoot::LocalMachine, kProfileListKey, accessMask(), key.put()) != kErrorSuccess)
        return PROFILE_LIST_FAILED;
    long status = kErrorSuccess;
    for (uint32_t index = 0;; ++index) {
        char name[kRegStringLimit] = {};
        uint32_t nameChars = kRegStringLimit;
        status = platform_.regEnumKey(key.get(), index, name, &nameChars);
        if (status != kErrorSuccess) break;
        sids.emplace_back(name, strnlen(name, sizeof(name)));
    }
    return status == kErrorNoMoreItems ? REG_READ_OK : PROFILE_LIST_FAILED;
}

}  // namespace orvex
