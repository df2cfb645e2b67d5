#include "core/app/WorkBufferPlan.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace vedra::app {
namespace {

constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

TEST(WorkBufferPlan, MemorySmallerThanDiskSizesByMemory)
{
    WorkBufferSizes s = WorkBufferPlan::compute(100 * kGiB, 400 * kMiB);
    EXPECT_EQ(s.units, 400 * kMiB / 40960);
    EXPECT_EQ(s.dictionaryBytes, s.units * 256u);
    EXPECT_EQ(s.dictionaryUsable, static_cast<std::int64_t>(s.units) * 256 - 92);
    EXPECT_EQ(s.postingsBytes, s.units * 512u);
    EXPECT_EQ(s.postingsUsable, static_cast<std::int64_t>(s.units) * 512 - 8);
    EXPECT_TRUE(s.isUsable());
}

TEST(WorkBufferPlan, DiskSmallerThanMemorySizesByDisk)
{
    WorkBufferSizes s = WorkBufferPlan::compute(50 * kMiB, 8 * kGiB);
    EXPECT_EQ(s.units, 50 * kMiB / 10240);
}

TEST(WorkBufferPlan, EqualMemoryAndDiskUseTheMemoryRule)
{
    WorkBufferSizes s = WorkBufferPlan::compute(kGiB, kGiB);
    EXPECT_EQ(s.units, kGiB / 40960);
}

struct FactorCase {
    std::uint32_t units;
    int factor;
};

void PrintTo(const FactorCase& c, std::ostream* os)
{
    *os << c.units << " units -> k=" << c.factor;
}

class TextFactor : public ::testing::TestWithParam<FactorCase> {};

// Postings usable = units * 512 - 8; the factor steps at 20, 40 and 60 million.
TEST_P(TextFactor, FollowsThePostingsSize)
{
    std::uint64_t memory = std::uint64_t{GetParam().units} * 40960;
    WorkBufferSizes s = WorkBufferPlan::compute(memory * 100, memory);
    ASSERT_EQ(s.units, GetParam().units);
    EXPECT_EQ(s.textFactor, GetParam().factor);
    EXPECT_EQ(s.textBytes, 256000u * static_cast<unsigned>(GetParam().factor));
    EXPECT_EQ(s.textUsable, 256000 * GetParam().factor - 1024);
}

INSTANTIATE_TEST_SUITE_P(Steps, TextFactor,
                         ::testing::Values(FactorCase{39062, 8},   // 19,999,736 usable
                                           FactorCase{39063, 16},  // 20,000,248
                                           FactorCase{78125, 16},  // 39,999,992
                                           FactorCase{78126, 24},  // 40,000,504
                                           FactorCase{117187, 24}, // 59,999,736
                                           FactorCase{117188, 32}));

TEST(WorkBufferPlan, BelowThirtyThousandUsableBytesFails)
{
    // 117 units give 29,860 usable dictionary bytes; 118 give 30,116.
    WorkBufferSizes tooSmall = WorkBufferPlan::compute(kGiB, 117 * 40960);
    EXPECT_EQ(tooSmall.dictionaryUsable, 29860);
    EXPECT_FALSE(tooSmall.isUsable());
    WorkBufferPlan plan;
    EXPECT_FALSE(plan.allocate(tooSmall));
    EXPECT_FALSE(plan.isAllocated());

    WorkBufferSizes enough = WorkBufferPlan::compute(kGiB, 118 * 40960);
    EXPECT_TRUE(enough.isUsable());
    EXPECT_TRUE(plan.allocate(enough));
    EXPECT_TRUE(plan.isAllocated());
    EXPECT_NE(plan.textBuffer(0), plan.textBuffer(1));
}

TEST(WorkBufferPlan, NoMemoryAtAllFails)
{
    WorkBufferSizes none = WorkBufferPlan::compute(kGiB, 0);
    EXPECT_EQ(none.units, 0u);
    EXPECT_FALSE(none.isUsable());
}

TEST(WorkBufferPlan, UnitsAreTakenAs32Bits)
{
    // 2^32 units and more wrap, as the 32-bit unit count always did.
    std::uint64_t disk = (std::uint64_t{1} << 32) * 10240 + 5 * 10240;
    WorkBufferSizes s = WorkBufferPlan::compute(disk, disk + 1);
    EXPECT_EQ(s.units, 5u);
}

TEST(WorkBufferPlan, ReleaseForgetsTheBuffers)
{
    WorkBufferPlan plan;
    ASSERT_TRUE(plan.allocate(WorkBufferPlan::compute(kGiB, 64 * kMiB)));
    plan.release();
    EXPECT_FALSE(plan.isAllocated());
    EXPECT_EQ(plan.sizes().dictionaryBytes, 0u);
}

// The pages of [start, start + bytes) that hold memory.
std::size_t residentPages(const std::uint8_t* start, std::size_t bytes)
{
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(start) + bytes;
    std::vector<unsigned char> flags((to - from + page - 1) / page);
    if (::mincore(reinterpret_cast<void*>(from), to - from, flags.data()) != 0)
        return SIZE_MAX;
    std::size_t resident = 0;
    for (unsigned char flag : flags)
        resident += flag & 1;
    return resident;
}

// An indexing run fills them to their last byte; a search never touches them.
TEST(WorkBufferPlan, BuffersHoldNoMemoryUntilUsedAndReachTheirLastByte)
{
    WorkBufferPlan plan;
    WorkBufferSizes sizes = WorkBufferPlan::compute(kGiB, 64 * kMiB);
    ASSERT_NE(sizes.dictionaryBytes % 4096, 0u);  // a buffer that ends inside a page
    ASSERT_EQ(sizes.textBytes % 4096, 0u);        // and one that ends on a page's end
    ASSERT_TRUE(plan.allocate(sizes));
    struct Buffer {
        std::uint8_t* start;
        std::size_t bytes;
    };
    const Buffer buffers[] = {{plan.dictionaryBuffer(), sizes.dictionaryBytes},
                              {plan.postingsBuffer(), sizes.postingsBytes},
                              {plan.textBuffer(0), sizes.textBytes},
                              {plan.textBuffer(1), sizes.textBytes}};
    for (const Buffer& buffer : buffers)
        EXPECT_EQ(residentPages(buffer.start, buffer.bytes), 0u);
    for (const Buffer& buffer : buffers) {
        buffer.start[0] = 1;
        buffer.start[buffer.bytes - 1] = 2;
        EXPECT_EQ(residentPages(buffer.start, buffer.bytes), 2u);
        EXPECT_EQ(buffer.start[buffer.bytes - 1], 2);
    }
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(plan.dictionaryBuffer()) % 256, 0u);
}

TEST(WorkBufferPlanDeathTest, AWritePastABufferStopsTheProgram)
{
    WorkBufferPlan plan;
    WorkBufferSizes sizes = WorkBufferPlan::compute(kGiB, 64 * kMiB);
    ASSERT_TRUE(plan.allocate(sizes));
    std::uint8_t* dictionary = plan.dictionaryBuffer();
    std::uint8_t* text = plan.textBuffer(1);
    EXPECT_DEATH(*static_cast<volatile std::uint8_t*>(dictionary + sizes.dictionaryBytes) = 1, "");
    EXPECT_DEATH(*static_cast<volatile std::uint8_t*>(text + sizes.textBytes) = 1, "");
}

} // namespace
} // namespace vedra::app
