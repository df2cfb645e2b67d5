// The heap of a search process is backed by large pages where the system gives
// them on request, and the window's heap keeps what one search frees for the next.
#include "core/app/LargePages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace vedra::app {
namespace {

bool largePagesOnRequest()
{
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text((std::istreambuf_iterator<char>(mode)), std::istreambuf_iterator<char>());
    return text.find("[madvise]") != std::string::npos || text.find("[always]") != std::string::npos;
}

// The kilobytes of large pages in the mapping that holds `address`.
long largePageKilobytes(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(maps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= at && at < to;
            continue;
        }
        if (inside && line.rfind("AnonHugePages:", 0) == 0)
            return std::strtol(line.c_str() + 14, nullptr, 10);
    }
    return -1;
}

// A search process's heap, prepared once per process as the command line does.
class SearchHeap : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the sanitizer's allocator keeps its own heap";
#endif
        if (!largePagesOnRequest())
            GTEST_SKIP() << "this system gives no large pages on request";
        ASSERT_TRUE(PreferLargePagesForHeap(32 << 20));
    }
};

TEST_F(SearchHeap, GrowsOntoLargePages)
{
    // A block of a few megabytes, as a long result list fills: from the heap, not
    // a mapping of its own, and on large pages once touched.
    constexpr std::size_t kBytes = 8 << 20;
    auto* block = static_cast<char*>(std::malloc(kBytes));
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBytes);
    EXPECT_GE(largePageKilobytes(block + kBytes / 2), 2048);
    EXPECT_EQ(block[kBytes - 1], 1);
    std::free(block);
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

TEST_F(SearchHeap, TheFirstBlocksAreOnLargePagesToo)
{
    // A search's first megabyte, in rows of a few kilobytes: on small pages below
    // the first large one, it would take 256 faults.
    const long before = minorFaults();
    std::vector<char*> blocks;
    for (int i = 0; i < 64; ++i) {
        blocks.push_back(static_cast<char*>(std::malloc(16 << 10)));
        ASSERT_NE(blocks.back(), nullptr);
        std::memset(blocks.back(), i, 16 << 10);
    }
    EXPECT_LT(minorFaults() - before, 32);
    for (char* block : blocks)
        std::free(block);
}

// Fills and frees 16 MiB in blocks of 64 KiB, as a long result list comes and goes.
void fillAndFree()
{
    constexpr std::size_t kBlock = 64 << 10;
    std::vector<char*> blocks;
    for (int i = 0; i < 256; ++i) {
        blocks.push_back(static_cast<char*>(std::malloc(kBlock)));
        ASSERT_NE(blocks.back(), nullptr);
        std::memset(blocks.back(), i, kBlock);
    }
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
}

TEST(LargePages, MemoryFreedBySearchStaysForTheNext)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own heap";
#endif
    ASSERT_TRUE(KeepFreedHeapForReuse(32 << 20));
    fillAndFree();
    const long before = minorFaults();
    for (int round = 0; round < 3; ++round)
        fillAndFree();
    // Handed back each time, the 16 MiB would cost 4,096 faults a round.
    EXPECT_LT(minorFaults() - before, 400);
}

} // namespace
} // namespace vedra::app
