// A catalogue entry of "IND_ARC.PRI": one archive, 100 bytes.
//
//   offset width  field
//    0     48     identification: disk letter, '_', NAME, '_', number, NUL
//   48     int32  a per-archive value restored into the window's state on opening
//   52     20     creation date "%d %B %Y", NUL-terminated
//   72     uint16 extract length (bytes of text per hit shown), default 200
//   74     10     unused, zero
//   84     int32  minimum word length registered (default 2)
//   88     int32  truncation length as entered at creation (default 16)
//   92     uint16 0
//   94     6      unused, zero
//
// An entry whose first byte is '?' is free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vedra::archive {

struct ArchiveEntry {
    static constexpr std::size_t kSize = 100;
    static constexpr std::size_t kIdentificationSize = 48;
    static constexpr std::size_t kCreationDateSize = 20;
    static constexpr std::uint16_t kDefaultExtractLength = 200;

    std::string identification;
    std::int32_t keptValue = 0;
    std::string creationDate;
    std::uint16_t extractLength = kDefaultExtractLength;
    std::int32_t minWordLength = 2;
    std::int32_t truncationLength = 16;

    // `bytes` holds kSize bytes.
    static ArchiveEntry decode(const std::uint8_t* bytes);
    // Writes kSize bytes; texts are cut to leave room for their NUL.
    void encode(std::uint8_t* out) const;

    bool isFree() const { return !identification.empty() && identification[0] == '?'; }
};

// The extract length an opened archive uses: 0 or above 2000 reads as 200.
inline std::uint16_t effectiveExtractLength(std::uint16_t stored)
{
    return stored == 0 || stored > 2000 ? ArchiveEntry::kDefaultExtractLength : stored;
}

} // namespace vedra::archive
