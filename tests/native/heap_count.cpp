// Replaces the global operator new and delete (the other forms forward to
// these two): each block carries its size in front of it. Single-threaded,
// as the benchmark is. A file of its own, so that the compiler never sees an
// allocation and its release through different functions.
#include "heap_count.h"

#include <cstdlib>
#include <new>

namespace {
constexpr std::size_t kHeader = alignof(std::max_align_t);
std::size_t gLive = 0;
std::size_t gPeak = 0;
}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size + kHeader);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    gLive += size;
    if (gLive > gPeak) gPeak = gLive;
    return static_cast<char*>(block) + kHeader;
}

void operator delete(void* pointer) noexcept {
    if (pointer == nullptr) return;
    char* block = static_cast<char*>(pointer) - kHeader;
    gLive -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

namespace orvex::heap {

std::size_t liveBytes() { return gLive; }
std::size_t peakBytes() { return gPeak; }
void resetPeak() { gPeak = gLive; }

}  // namespace orvex::heap
