#include "sim/SimMemory.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Smaller blocks are the allocator's as usual: a huge page would mostly stand empty.
constexpr size_t kLargeBlock = 2 * kHugePage;

size_t Rounded(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocateSimMemory(size_t bytes) {
    if (bytes < kLargeBlock)
        return ::operator new(bytes);
    if (bytes > std::numeric_limits<size_t>::max() - kHugePage)
        throw std::bad_alloc();
    void* p = ::operator new (Rounded(bytes), std::align_val_t{kHugePage});
#if defined(__linux__)
    // Advice only: where the system refuses it, the pages stay small.
    madvise(p, Rounded(bytes), MADV_HUGEPAGE);
#endif
    return p;
}

void FreeSimMemory(void* p, size_t bytes) noexcept {
    if (bytes < kLargeBlock)
        ::operator delete(p);
    else
        ::operator delete (p, std::align_val_t{kHugePage});
}
