#include "core/app/LargePages.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace vedra::app {

bool PreferLargePagesForHeap(std::size_t bytes)
{
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    // Blocks below the threshold come from the heap, which grows by `bytes` at a
    // time and is not given back: all of it can then be marked at once.
    if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 || mallopt(M_TOP_PAD, static_cast<int>(bytes)) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * bytes)) == 0)
        return false;
    const auto before = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    void* block = std::malloc(256 << 10);  // above what the heap has free: it grows
    const auto after = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    std::free(block);
    const std::uintptr_t from = (before + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = after & ~(kLargePage - 1);
    if (block == nullptr || to <= from)
        return false;
    return ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE) == 0;
}

bool KeepFreedHeapForReuse(std::size_t bytes)
{
    // Once set, the allocator's thresholds no longer follow the blocks freed: left
    // to follow them, they let the heap shrink after each long search.
    return mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes)) != 0 &&
           mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes)) != 0;
}

} // namespace vedra::app
