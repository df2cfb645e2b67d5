#include "core/archive/ArchiveEntry.h"

#include <gtest/gtest.h>

#include <array>

namespace vedra::archive {
namespace {

TEST(ArchiveEntryCodec, GoldenBytes)
{
    ArchiveEntry entry;
    entry.identification = "C_PROVA_3";
    entry.keptValue = 0x01020304;
    entry.creationDate = "8 December 2026";
    entry.extractLength = 0x0190;
    entry.minWordLength = 2;
    entry.truncationLength = 16;
    std::array<std::uint8_t, 100> bytes;
    bytes.fill(0xEE);
    entry.encode(bytes.data());

    std::array<std::uint8_t, 100> expected{};
    const char id[] = "C_PROVA_3";
    std::copy(id, id + 9, expected.begin());
    expected[48] = 0x04; expected[49] = 0x03; expected[50] = 0x02; expected[51] = 0x01;
    const char date[] = "8 December 2026";
    std::copy(date, date + 15, expected.begin() + 52);
    expected[72] = 0x90; expected[73] = 0x01;
    expected[84] = 2;
    expected[88] = 16;
    EXPECT_EQ(bytes, expected);
}

TEST(ArchiveEntryCodec, RoundTripAndOverlongTextsKeepTheirTerminator)
{
    ArchiveEntry entry;
    entry.identification = std::string(60, 'A');
    entry.creationDate = std::string(30, 'D');
    entry.minWordLength = -1;
    std::array<std::uint8_t, 100> bytes{};
    entry.encode(bytes.data());
    EXPECT_EQ(bytes[47], 0);
    EXPECT_EQ(bytes[71], 0);
    ArchiveEntry back = ArchiveEntry::decode(bytes.data());
    EXPECT_EQ(back.identification, std::string(47, 'A'));
    EXPECT_EQ(back.creationDate, std::string(19, 'D'));
    EXPECT_EQ(back.minWordLength, -1);
    EXPECT_EQ(back.extractLength, 200);
}

TEST(ArchiveEntryCodec, UnterminatedIdentificationStopsAtItsField)
{
    std::array<std::uint8_t, 100> bytes;
    bytes.fill('Z');
    ArchiveEntry entry = ArchiveEntry::decode(bytes.data());
    EXPECT_EQ(entry.identification.size(), 48u);
    EXPECT_EQ(entry.creationDate.size(), 20u);
}

TEST(ArchiveEntryCodec, FreeEntryAndExtractLengthRule)
{
    std::array<std::uint8_t, 100> bytes{};
    bytes[0] = '?';
    EXPECT_TRUE(ArchiveEntry::decode(bytes.data()).isFree());
    EXPECT_EQ(effectiveExtractLength(0), 200);
    EXPECT_EQ(effectiveExtractLength(2001), 200);
    EXPECT_EQ(effectiveExtractLength(2000), 2000);
    EXPECT_EQ(effectiveExtractLength(1), 1);
}

} // namespace
} // namespace vedra::archive
