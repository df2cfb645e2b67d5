// The head of the catalogue "IND_ARC.PRI", as start-up reads it.
//
//   offset width  field
//    0     92     header (the area of entry 0)
//   92     int32  number of the current archive (set to 1 in memory after loading)
//   96     int32  archive number of an identification string without '_'
//  100     100    the current archive's entry (ArchiveEntry)
//  100*n   100    entry of archive number n
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

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

// Reads the head of the catalogue; bytes past the end of a short file read as zero.
// Empty optional when the file cannot be opened.
std::optional<CatalogueHead> readCatalogueHead(const std::filesystem::path& catalogue);

} // namespace vedra::archive
