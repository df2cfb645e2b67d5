// The writers compare before writing: closing the program saves the current entry
// and the numbers every time, and a run that changed nothing leaves the file
// untouched. An entry whose first byte is NUL is free like a '?' one, since the gap
// written before a new entry is zeros.
#include "core/archive/Catalogue.h"

#include "core/archive/ByteOrder.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cstring>

namespace vedra::archive {
namespace {

constexpr std::uint64_t kEntrySize = ArchiveEntry::kSize;

bool inUse(const std::uint8_t* bytes)
{
    return bytes[0] != '?' && bytes[0] != '\0';
}

} // namespace

std::optional<CatalogueHead> readCatalogueHead(const std::filesystem::path& catalogue)
{
    auto file = io::FileHandle::open(catalogue, io::OpenMode::ReadOnly);
    if (!file)
        return std::nullopt;
    std::array<std::uint8_t, 200> bytes{};
    if (file->readAt(0, bytes.data(), bytes.size()) < 0)
        return std::nullopt;
    CatalogueHead head;
    std::copy_n(bytes.begin(), CatalogueHead::kHeaderSize, head.header.begin());
    head.currentNumber = getI32le(bytes.data() + CatalogueHead::kNumbersOffset);
    head.defaultNumber = getI32le(bytes.data() + CatalogueHead::kNumbersOffset + 4);
    std::copy_n(bytes.begin() + CatalogueHead::kCurrentEntryOffset, kEntrySize, head.currentEntry.begin());
    if (head.currentNumber > 1) {
        std::array<std::uint8_t, kEntrySize> own{};
        std::uint64_t offset = kEntrySize * static_cast<std::uint64_t>(head.currentNumber);
        if (file->readAt(offset, own.data(), own.size()) == static_cast<std::int64_t>(own.size()) && inUse(own.data()))
            head.currentEntry = own;
    }
    return head;
}

std::optional<CatalogueEntry> readCatalogueEntry(const std::filesystem::path& catalogue, std::int32_t number)
{
    if (number < 1)
        return std::nullopt;
    auto file = io::FileHandle::open(catalogue, io::OpenMode::ReadOnly);
    if (!file)
        return std::nullopt;
    CatalogueEntry entry;
    entry.number = number;
    if (file->readAt(kEntrySize * static_cast<std::uint64_t>(number), entry.bytes.data(), entry.bytes.size()) !=
        static_cast<std::int64_t>(entry.bytes.size()))
        return std::nullopt;
    entry.entry = ArchiveEntry::decode(entry.bytes.data());
    return entry;
}

std::vector<CatalogueEntry> readCatalogueEntries(const std::filesystem::path& catalogue)
{
    std::vector<CatalogueEntry> entries;
    auto bytes = io::readFileBytes(catalogue);
    if (!bytes)
        return entries;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes->data());
    for (std::uint64_t offset = kEntrySize; offset + kEntrySize <= bytes->size(); offset += kEntrySize) {
        if (!inUse(raw + offset))
            continue;
        CatalogueEntry entry;
        entry.number = static_cast<std::int32_t>(offset / kEntrySize);
        std::copy_n(raw + offset, kEntrySize, entry.bytes.begin());
        entry.entry = ArchiveEntry::decode(entry.bytes.data());
        entries.push_back(entry);
    }
    return entries;
}

bool writeCatalogueEntry(const std::filesystem::path& catalogue, std::int32_t number,
                         const std::array<std::uint8_t, ArchiveEntry::kSize>& bytes)
{
    if (number < 1)
        return false;
    auto file = io::FileHandle::open(catalogue, io::OpenMode::ReadWriteCreate);
    if (!file)
        return false;
    std::uint64_t offset = kEntrySize * static_cast<std::uint64_t>(number);
    std::int64_t size = file->size();
    if (size < 0)
        return false;
    // A new catalogue gets its head, and any gap before the entry is zero (free).
    if (static_cast<std::uint64_t>(size) < offset) {
        std::string zeros(static_cast<std::size_t>(offset - static_cast<std::uint64_t>(size)), '\0');
        if (!file->writeAt(static_cast<std::uint64_t>(size), zeros))
            return false;
    }
    // Closing the program saves the current entry: a run that changed nothing
    // (a search) leaves the file untouched.
    std::array<std::uint8_t, ArchiveEntry::kSize> stored{};
    if (file->readAt(offset, stored.data(), stored.size()) == static_cast<std::int64_t>(stored.size()) &&
        stored == bytes)
        return true;
    return file->writeAt(offset, bytes.data(), bytes.size());
}

bool writeCatalogueNumbers(const std::filesystem::path& catalogue, std::int32_t currentNumber,
                           std::int32_t defaultNumber)
{
    auto file = io::FileHandle::open(catalogue, io::OpenMode::ReadWrite);
    if (!file)
        return false;
    std::uint8_t bytes[8];
    putI32le(bytes, currentNumber);
    putI32le(bytes + 4, defaultNumber);
    std::uint8_t stored[8];
    if (file->readAt(CatalogueHead::kNumbersOffset, stored, sizeof stored) == sizeof stored &&
        std::memcmp(stored, bytes, sizeof bytes) == 0)
        return true;
    return file->writeAt(CatalogueHead::kNumbersOffset, bytes, sizeof bytes);
}

} // namespace vedra::archive
