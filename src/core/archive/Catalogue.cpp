// The writers compare before writing: closing the program saves the current entry
// and the numbers every time, and a run that changed nothing leaves the file
// untouched. A change replaces the whole file (it is a few kilobytes at most) through
// a temporary and a rename, so a crash never leaves an entry half written. An entry
// whose first byte is NUL is free like a '?' one, since the gap written before a new
// entry is zeros.
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

// The whole catalogue; a missing one reads as empty when it may be created.
bool readWhole(const std::filesystem::path& catalogue, bool createWhenMissing, std::string& whole)
{
    if (auto bytes = io::readFileBytes(catalogue)) {
        whole = std::move(*bytes);
        return true;
    }
    std::error_code error;
    if (!createWhenMissing || std::filesystem::exists(catalogue, error) || error)
        return false;
    whole.clear();
    return true;
}

// Puts `count` bytes at `offset` and replaces the file with the result. Closing the
// program saves the current entry and the numbers every time: bytes equal to the
// stored ones leave the file untouched.
bool patchAndReplace(const std::filesystem::path& catalogue, std::string whole, std::uint64_t offset,
                     const std::uint8_t* bytes, std::size_t count)
{
    const auto at = static_cast<std::size_t>(offset);
    if (whole.size() < at + count)
        whole.resize(at + count, '\0');
    else if (std::memcmp(whole.data() + at, bytes, count) == 0)
        return true;
    std::memcpy(whole.data() + at, bytes, count);
    return io::writeFileAtomically(catalogue, whole);
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
    std::string whole;
    if (!readWhole(catalogue, true, whole))
        return false;
    std::uint64_t offset = kEntrySize * static_cast<std::uint64_t>(number);
    // A new catalogue gets its head, and any gap before the entry is zero (free).
    if (whole.size() < offset + kEntrySize)
        whole.resize(static_cast<std::size_t>(std::max<std::uint64_t>(whole.size(), offset)), '\0');
    return patchAndReplace(catalogue, std::move(whole), offset, bytes.data(), bytes.size());
}

bool writeCatalogueNumbers(const std::filesystem::path& catalogue, std::int32_t currentNumber,
                           std::int32_t defaultNumber)
{
    std::string whole;
    if (!readWhole(catalogue, false, whole))
        return false;
    std::uint8_t bytes[8];
    putI32le(bytes, currentNumber);
    putI32le(bytes + 4, defaultNumber);
    return patchAndReplace(catalogue, std::move(whole), CatalogueHead::kNumbersOffset, bytes, sizeof bytes);
}

} // namespace vedra::archive
