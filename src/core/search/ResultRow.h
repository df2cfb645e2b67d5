// One row of the result list: the six column texts of the list control and what
// opens the row again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vedra::search {

// The size and time a document record holds for a file on the disk.
struct RecordedFile {
    std::uint32_t size = 0;       // the low 32 bits, as the record keeps them
    std::uint64_t lastWrite = 0;  // FILETIME
};

enum class ResultColumn : std::size_t { Path = 0, LastUpdating, Size, Words, Archive, Position };

struct ResultRow {
    static constexpr std::size_t kColumnCount = 6;
    std::array<std::string, kColumnCount> columns;
    char pathKind = 'f';    // 'f' a file on disk, 'w' a web address
    int archiveNumber = 0;  // the archive that listed it
    // The moment "Last updating" shows, in seconds from 1970, for sorting by date:
    // its text is formatted for the language and cannot be compared.
    std::optional<std::int64_t> modifiedSeconds;

    std::string& operator[](ResultColumn column) { return columns[static_cast<std::size_t>(column)]; }
    const std::string& operator[](ResultColumn column) const { return columns[static_cast<std::size_t>(column)]; }
    // The label is the path: lookups and "open" go by it.
    const std::string& label() const { return columns[0]; }
};

} // namespace vedra::search
