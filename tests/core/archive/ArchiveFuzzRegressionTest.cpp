// A fixed set of pseudo-random damages fed to the archive readers in every build
// (the sanitizer build turns any out-of-bounds read into a failure). The same body
// runs under libFuzzer in tests/fuzz.
#include "support/ArchiveFuzzBody.h"

#include <gtest/gtest.h>

#include <random>

namespace vedra::archive {
namespace {

TEST(ArchiveFuzzRegression, RandomDamageNeverCrashesTheReaders)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; ++round) {
        testing::ArchiveFixture fx(1);
        testing::buildSmallArchive(*fx.store);
        std::size_t length = 9 * (1 + random() % 12);
        std::vector<std::uint8_t> bytes(length);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        // Most damage should land where the nodes are: bias half the offsets there.
        for (std::size_t i = 0; i + 9 <= length; i += 9)
            if (random() % 2 == 0)
                putU32le(bytes.data() + i + 1, 26004 + random() % 400);
        testing::fuzzArchiveReaders(fx, bytes.data(), bytes.size());
        // The archive's files are still there to be read again.
        EXPECT_TRUE(std::filesystem::exists(fx.store->slotPath(SlotWords)));
    }
}

} // namespace
} // namespace vedra::archive
