// The catalogue's writers, byte for byte: an entry lands at 100 * its number with
// zeros before it, the numbers at 92, and every other byte stays as it was.
#include "core/archive/Catalogue.h"

#include "core/io/AtomicFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::archive {
namespace {

namespace fs = std::filesystem;

std::array<std::uint8_t, ArchiveEntry::kSize> entryOf(const std::string& text)
{
    std::array<std::uint8_t, ArchiveEntry::kSize> bytes{};
    for (std::size_t i = 0; i < text.size() && i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    bytes[99] = 0xAB;
    return bytes;
}

std::string asText(const std::array<std::uint8_t, ArchiveEntry::kSize>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST(CatalogueWrite, EntriesAndNumbersLandAtTheirOffsetsAndNothingElseChanges)
{
    testing::TempFolder folder;
    const fs::path catalogue = folder.path() / kCatalogueFileName;
    EXPECT_FALSE(writeCatalogueNumbers(catalogue, 2, 0)) << "the numbers need a catalogue";
    EXPECT_FALSE(fs::exists(catalogue));

    ASSERT_TRUE(writeCatalogueEntry(catalogue, 2, entryOf("C_TWO_2")));
    std::string expected = std::string(200, '\0') + asText(entryOf("C_TWO_2"));
    EXPECT_EQ(testing::readFile(catalogue), expected);

    ASSERT_TRUE(writeCatalogueNumbers(catalogue, 2, 1));
    expected.replace(92, 8, std::string("\x02\0\0\0\x01\0\0\0", 8));
    EXPECT_EQ(testing::readFile(catalogue), expected);

    // A head written by another program keeps its bytes.
    std::string withHead = expected;
    withHead.replace(0, 5, "HEAD!");
    testing::writeFile(catalogue, withHead);
    ASSERT_TRUE(writeCatalogueEntry(catalogue, 1, entryOf("C_ONE_1")));
    withHead.replace(100, 100, asText(entryOf("C_ONE_1")));
    EXPECT_EQ(testing::readFile(catalogue), withHead);

    ASSERT_TRUE(writeCatalogueEntry(catalogue, 4, entryOf("C_FOUR_4")));
    EXPECT_EQ(testing::readFile(catalogue), withHead + std::string(100, '\0') + asText(entryOf("C_FOUR_4")));
    EXPECT_FALSE(fs::exists(io::AtomicFile::temporaryPathFor(catalogue)));
}

} // namespace
} // namespace vedra::archive
