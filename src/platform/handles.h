// Owners for the handles that cross the platform seam: each closes its handle
// exactly once, when it goes out of scope or is reset.
#pragma once

#include "platform/platform.h"

namespace orvex {

template <auto Close>
class Owned {
public:
    explicit Owned(Platform& platform) : platform_(platform) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    // For a call that writes the handle: the owner holds nothing before it.
    std::uintptr_t& put() {
        reset();
        return handle_;
    }
    void adopt(std::uintptr_t handle) {
        reset();
        handle_ = handle;
    }
    std::uintptr_t get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }
    void reset() {
        if (handle_ != 0) {
            std::uintptr_t handle = handle_;
            handle_ = 0;
            (platform_.*Close)(handle);
        }
    }

private:
    Platform& platform_;
    std::uintptr_t handle_ = 0;
};

using RegKeyOwner = Owned<&Platform::regCloseKey>;
using ServiceOwner = Owned<&Platform::closeServiceHandle>;
using FileOwner = Owned<&Platform::closeFile>;
using ModuleOwner = Owned<&Platform::freeLibrary>;
using ComOwner = Owned<&Platform::release>;

}  // namespace orvex
