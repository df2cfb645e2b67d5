// Loading and reading the archive's lists; the classification tests.
#include "core/indexing/ArchiveLists.h"

#include "core/app/SystemProbe.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/MoreTypes.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vedra::indexing {
namespace {

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::string_view extensionOf(std::string_view name)
{
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

// The Linux form of the list's backslash rule: a single '/' is the path separator
// and stays, so "/system/" is a folder named system and not a part of
// "filesystems"; a run of two or more was a word break inside an entry and becomes
// one blank.
std::string transformExcludedFolders(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (bytes[i] != '/') {
            out += bytes[i++];
            continue;
        }
        std::size_t run = 0;
        while (i < bytes.size() && bytes[i] == '/') {
            ++run;
            ++i;
        }
        out += run >= 2 ? ' ' : '/';
    }
    return out;
}

// The folder name an entry stands for, compared with a sub-folder's name: "/temp"
// and "/system/" name temp and system; an entry with a separator inside names a
// path, never a single name.
std::string_view entryAsName(std::string_view entry)
{
    while (!entry.empty() && entry.front() == '/')
        entry.remove_prefix(1);
    while (!entry.empty() && entry.back() == '/')
        entry.remove_suffix(1);
    return entry.find('/') == std::string_view::npos ? entry : std::string_view{};
}

bool isEntryEnd(char c)
{
    return c == '\r' || c == '\n' || c == ',' || c == ';';
}

bool isBetweenEntries(char c)
{
    return c == ' ' || c == '\t' || isEntryEnd(c);
}

// ".txt" and ".db" and their kin: positions 1-2 or 2-3 (the dot at 0) are "tx" or "db".
bool hasTextPattern(std::string_view extension)
{
    auto at = [&](std::size_t position, char first, char second) {
        return extension.size() > position + 1 && extension[position] == first && extension[position + 1] == second;
    };
    return at(2, 'd', 'b') || at(1, 'd', 'b') || at(1, 't', 'x') || at(2, 't', 'x');
}

std::vector<std::string> parseEntries(std::string_view buffer)
{
    std::vector<std::string> entries;
    std::size_t i = 0;
    while (i < buffer.size()) {
        while (i < buffer.size() && isBetweenEntries(buffer[i]))
            ++i;
        std::size_t start = i;
        while (i < buffer.size() && !isEntryEnd(buffer[i]))
            ++i;
        std::size_t end = i;
        while (end > start && (buffer[end - 1] == ' ' || buffer[end - 1] == '\t'))
            --end;
        if (end > start)
            entries.push_back(app::lowerAscii(std::string(buffer.substr(start, end - start))));
    }
    return entries;
}

} // namespace

const std::array<int, 5>& ArchiveLists::loadOrder()
{
    static constexpr std::array<int, 5> kOrder = {archive::SlotExcludedFolders, archive::SlotTextExtensions,
                                                  archive::SlotMediaExtensions, archive::SlotCompressedExtensions,
                                                  archive::SlotConvertedExtensions};
    return kOrder;
}

int ArchiveLists::indexOf(int slot)
{
    const auto& order = loadOrder();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == slot)
            return static_cast<int>(i);
    return -1;
}

bool ArchiveLists::load(archive::ArchiveStore& store)
{
    bool complete = true;
    for (int slot : loadOrder()) {
        std::string path = store.slotPath(slot);
        auto bytes = io::readFileBytes(path, kMaxListBytes);
        if (!bytes) {
            std::error_code error;
            bool missing = !std::filesystem::exists(path, error) && !error;
            if (!missing || !io::FileHandle::open(path, io::OpenMode::ReadWriteCreate))
                complete = false;
            bytes.emplace();
        }
        setList(slot, *bytes);
    }
    return complete;
}

void ArchiveLists::setList(int slot, std::string_view bytes)
{
    int index = indexOf(slot);
    if (index < 0)
        return;
    bytes = bytes.substr(0, kMaxListBytes);
    // The program holds each list as a C string: a NUL byte ends it.
    if (std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    auto i = static_cast<std::size_t>(index);
    m_buffers[i] = slot == archive::SlotExcludedFolders ? transformExcludedFolders(bytes) : std::string(bytes);
    m_entries[i] = parseEntries(m_buffers[i]);
    m_shortEntries[i].clear();
    for (const std::string& entry : m_entries[i])
        if (auto key = packShort(entry))
            m_shortEntries[i].push_back(*key);
    std::sort(m_shortEntries[i].begin(), m_shortEntries[i].end());
    if (slot == archive::SlotTextExtensions)
        m_moreTypes = hasEntry(slot, kMoreTypesMarker);
    if (slot == archive::SlotMediaExtensions)
        m_ocr = hasEntry(slot, kOcrMarker);
}

std::optional<std::uint64_t> ArchiveLists::packShort(std::string_view text)
{
    if (text.size() > 7)
        return std::nullopt;
    // The length in the top byte keeps "a" apart from "a" followed by NUL bytes.
    std::uint64_t key = std::uint64_t{text.size()} << 56;
    for (std::size_t i = 0; i < text.size(); ++i)
        key |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    return key;
}

const std::string& ArchiveLists::buffer(int slot) const
{
    static const std::string kNone;
    int index = indexOf(slot);
    return index < 0 ? kNone : m_buffers[static_cast<std::size_t>(index)];
}

const std::vector<std::string>& ArchiveLists::entries(int slot) const
{
    static const std::vector<std::string> kNone;
    int index = indexOf(slot);
    return index < 0 ? kNone : m_entries[static_cast<std::size_t>(index)];
}

bool ArchiveLists::hasEntry(int slot, std::string_view lowerCasedText) const
{
    if (lowerCasedText.empty())
        return false;
    if (auto key = packShort(lowerCasedText)) {
        const int index = indexOf(slot);
        if (index < 0)
            return false;
        const auto& keys = m_shortEntries[static_cast<std::size_t>(index)];
        return std::binary_search(keys.begin(), keys.end(), *key);
    }
    for (const auto& entry : entries(slot))
        if (entry == lowerCasedText)
            return true;
    return false;
}

std::string_view ArchiveLists::FolderExclusionEntry(std::string_view path) const
{
    // A list that starts with a blank, a digit or a sign is switched off. The
    // separators in front of a first entry such as "/temp" do not count: once
    // they were dropped on loading, and the list was on.
    const std::string& list = buffer(archive::SlotExcludedFolders);
    std::size_t first = list.find_first_not_of('/');
    if (first == std::string::npos || static_cast<unsigned char>(list[first]) <= 'A')
        return {};
    std::string lowered = app::lowerAscii(std::string(path));
    for (const auto& entry : entries(archive::SlotExcludedFolders)) {
        // "/" alone would exclude every folder; it once loaded as nothing.
        if (entry.find_first_not_of('/') != std::string::npos && contains(lowered, entry))
            return entry;
    }
    return {};
}

bool ArchiveLists::IsFolderExcluded(std::string_view path) const
{
    return !FolderExclusionEntry(path).empty();
}

std::string_view ArchiveLists::NameExclusionEntry(std::string_view name) const
{
    std::string lowered = app::lowerAscii(std::string(name));
    if (lowered.empty())
        return {};
    for (const auto& entry : entries(archive::SlotExcludedFolders))
        if (entryAsName(entry) == lowered)
            return entry;
    return {};
}

bool ArchiveLists::IsSubfolderExcluded(std::string_view name, const PatternFilter& folderFilter,
                                       std::string_view parentFolder) const
{
    if (!NameExclusionEntry(name).empty())
        return true;
    return !PassesSubfolderFilter(name, folderFilter, parentFolder);
}

bool ArchiveLists::PassesSubfolderFilter(std::string_view name, const PatternFilter& folderFilter,
                                         std::string_view parentFolder)
{
    if (folderFilter.letsEverythingThrough())
        return true;
    std::string folder = app::lowerAscii(app::withTrailingSlash(std::string(parentFolder)) + std::string(name) + "/");
    for (std::size_t i = 0; i < PatternFilter::kMaxPatterns; ++i) {
        std::string pattern = app::lowerAscii(std::string(folderFilter.pattern(i)));
        if (pattern.empty())
            continue;
        if (contains(folder, pattern))
            return true;
        if (pattern[0] == '/' && pattern.starts_with(folder))
            return true;
    }
    return false;
}

ConversionKind ArchiveLists::ConversionClass(std::string_view fileName, bool unpackOption) const
{
    std::string extension = app::lowerAscii(std::string(extensionOf(fileName)));
    if (hasEntry(archive::SlotConvertedExtensions, extension))
        return extension == ".pdf" ? ConversionKind::Pdf : ConversionKind::DocumentXml;
    if (hasEntry(archive::SlotCompressedExtensions, extension))
        return unpackOption ? ConversionKind::Compressed : ConversionKind::Skip;
    return ConversionKind::None;
}

bool ArchiveLists::HasIndexableText(std::string_view lowerCasedName, const PatternFilter& fileFilter,
                                    int runMode) const
{
    if (lowerCasedName.empty())
        return true;
    if (static_cast<unsigned char>(lowerCasedName[0]) < '!')
        return false;

    if (!fileFilter.isEmpty()) {
        for (std::size_t i = 0; i < PatternFilter::kMaxPatterns; ++i)
            if (contains(fileFilter.pattern(i), "*.*"))
                return true;
        for (std::size_t i = 0; i < PatternFilter::kMaxPatterns; ++i) {
            std::string pattern = app::lowerAscii(std::string(fileFilter.pattern(i)));
            if (pattern.empty())
                return false;
            if (contains(lowerCasedName, pattern))
                return true;
        }
    }

    std::string_view extension = extensionOf(lowerCasedName);
    if (extension.empty() || extension.size() > 4)
        return true;

    if (contains(extension, ".ht"))
        return true;
    if (runMode == 0 && contains(lowerCasedName, ".pdf"))
        return true;

    if (hasTextPattern(extension))
        return true;

    if (contains(lowerCasedName, "estratti.vedra"))
        return false;
    return hasEntry(archive::SlotTextExtensions, extension) || (m_moreTypes && IsUnknownType(lowerCasedName));
}

bool ArchiveLists::IsUnknownType(std::string_view lowerCasedName) const
{
    std::string_view extension = extensionOf(lowerCasedName);
    if (extension.empty())
        return true;
    if (contains(extension, ".ht") || hasTextPattern(extension))
        return false;
    for (int slot : {archive::SlotTextExtensions, archive::SlotMediaExtensions, archive::SlotCompressedExtensions,
                     archive::SlotConvertedExtensions})
        if (hasEntry(slot, extension))
            return false;
    return true;
}

bool ArchiveLists::IsMultimedia(std::string_view fileName) const
{
    return hasEntry(archive::SlotMediaExtensions, app::lowerAscii(std::string(extensionOf(fileName))));
}

bool PassesFolderFilter(std::string_view path, const PatternFilter& folderFilter)
{
    if (folderFilter.letsEverythingThrough())
        return true;
    std::string lowered = app::lowerAscii(std::string(path));
    for (std::size_t i = 0; i < PatternFilter::kMaxPatterns; ++i) {
        std::string pattern = app::lowerAscii(std::string(folderFilter.pattern(i)));
        if (!pattern.empty() && contains(lowered, pattern))
            return true;
    }
    return false;
}

} // namespace vedra::indexing
