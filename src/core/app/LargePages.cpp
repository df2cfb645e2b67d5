#include "core/app/LargePages.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace vedra::app {
namespace {

// Held for the life of the process; reachable, so no leak checker counts it.
void* heapCover = nullptr;
bool heapPrepared = false;

} // namespace

bool PreferLargePagesForHeap(std::size_t bytes)
{
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (heapPrepared)
        return true;
    // Blocks below the threshold come from the heap, which grows by `bytes` at a
    // time and is not given back: all of it can then be marked at once.
    if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 || mallopt(M_TOP_PAD, static_cast<int>(bytes)) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * bytes)) == 0)
        return false;
    const auto before = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    void* block = std::malloc(256 << 10);  // above what the heap has free: it grows
    const auto after = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    const auto blockAt = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (before + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = after & ~(kLargePage - 1);
    if (block == nullptr || to <= from || ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE) != 0) {
        std::free(block);
        return false;
    }
    // The block was cut from the start of the heap's free top, up to a large page
    // below the first one marked, and growing wrote a header at its end, which
    // gives that large page small pages for good. Left so, a search's first
    // megabytes of blocks would take small pages one fault at a time (on a virtual
    // machine a megabyte of them costs some twenty times one large page). Resized
    // in place, the block covers the gap up to the first clean large page and is
    // never used; moved, it is handed back.
    constexpr std::uintptr_t kChunkHeader = 16;
    const std::uintptr_t top = blockAt - kChunkHeader;
    const std::uintptr_t grownHeader = blockAt + (256 << 10);
    const std::uintptr_t clean = grownHeader < from ? from : (grownHeader & ~(kLargePage - 1)) + kLargePage;
    if (clean < to && clean - top >= 4 * kChunkHeader) {
        void* cover = std::realloc(block, ((clean - top) & ~(kChunkHeader - 1)) - kChunkHeader);
        if (cover == nullptr)
            std::free(block);
        else if (reinterpret_cast<std::uintptr_t>(cover) == blockAt)
            heapCover = cover;
        else
            std::free(cover);
    } else {
        std::free(block);
    }
    heapPrepared = true;
    return true;
}

bool KeepFreedHeapForReuse(std::size_t bytes)
{
    // Once set, the allocator's thresholds no longer follow the blocks freed: left
    // to follow them, they let the heap shrink after each long search.
    return mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes)) != 0 &&
           mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes)) != 0;
}

} // namespace vedra::app
