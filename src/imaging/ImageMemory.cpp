#include "imaging/ImageMemory.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

// Advice only, for the whole huge pages inside the block; where it is refused (or the block is
// smaller than one), its pages stay small.
void AdviseHugePages([[maybe_unused]] BYTE* block, [[maybe_unused]] size_t bytes) {
#if defined(__linux__)
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace

std::unique_ptr<BYTE[]> ReserveImageMemory(size_t bytes) {
    std::unique_ptr<BYTE[]> memory(bytes ? new (std::nothrow) BYTE[bytes] : nullptr);
    if (memory)
        AdviseHugePages(memory.get(), bytes);
    return memory;
}
