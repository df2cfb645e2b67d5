// The head of the catalogue "IND_ARC.PRI", as start-up reads it.
//
//   offset width  field
//    0     92     header (the area of entry 0)
//   92     int32  number of the current archive
//   96     int32  archive number of an identification string without '_'
//  100*n   100    entry of archive number n (ArchiveEntry), n >= 1
//
// The entry at offset 100 has always been read as "the current archive". Writing
// the current archive there would overwrite archive 1 whenever another archive is
// current, so the current entry is written at its own place (100*n) and found
// again through the number at offset 92; a catalogue whose number is 1 (as every
// catalogue written before reads) opens the entry at offset 100, as it always did.
#pragma once

#include "core/archive/ArchiveEntry.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vedra::archive {

inline constexpr const char* kCatalogueFileName = "IND_ARC.PRI";

struct CatalogueHead {
    static constexpr std::size_t kHeaderSize = 92;
    static constexpr std::size_t kNumbersOffset = 92;
    static constexpr std::size_t kCurrentEntryOffset = 100;

    std::array<std::uint8_t, kHeaderSize> header{};
    std::int32_t currentNumber = 0;
    std::int32_t defaultNumber = 0;
    std::array<std::uint8_t, 100> currentEntry{};
};

// Reads the head of the catalogue and the current archive's entry (100 * the number
// at offset 92 when that entry exists and is not free, else the entry at 100);
// bytes past the end of a short file read as zero. Empty optional when the file
// cannot be opened.
std::optional<CatalogueHead> readCatalogueHead(const std::filesystem::path& catalogue);

struct CatalogueEntry {
    std::int32_t number = 0;
    std::array<std::uint8_t, ArchiveEntry::kSize> bytes{};
    ArchiveEntry entry;
};

// Every entry from number 1 on that is in use (first byte neither '?' nor NUL).
std::vector<CatalogueEntry> readCatalogueEntries(const std::filesystem::path& catalogue);

// The entry of archive `number`; empty when missing or short.
std::optional<CatalogueEntry> readCatalogueEntry(const std::filesystem::path& catalogue, std::int32_t number);

// Writes the 100 bytes of archive `number`'s entry, creating the catalogue (zero
// filled up to the entry) when it is missing. False when nothing could be written.
bool writeCatalogueEntry(const std::filesystem::path& catalogue, std::int32_t number,
                         const std::array<std::uint8_t, ArchiveEntry::kSize>& bytes);

// Writes the two numbers at offset 92 of an existing catalogue.
bool writeCatalogueNumbers(const std::filesystem::path& catalogue, std::int32_t currentNumber,
                           std::int32_t defaultNumber);

} // namespace vedra::archive
