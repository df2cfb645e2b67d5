#include "core/search/FolderPaths.h"

#include <algorithm>

namespace vedra::search {

namespace {
std::size_t spread(std::uint32_t value)
{
    // Folder offsets grow in steps of node sizes: mix the bits before masking.
    return static_cast<std::size_t>((std::uint64_t{value} * 0x9E3779B97F4A7C15ull) >> 32);
}
} // namespace

std::size_t FolderPaths::slotOf(std::uint32_t folderText) const
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = spread(folderText) & mask;
    while (m_slots[at] != 0 && m_entries[m_slots[at] - 1].folderText != folderText)
        at = (at + 1) & mask;
    return at;
}

int FolderPaths::find(std::uint32_t folderText) const
{
    if (m_slots.empty())
        return -1;
    const std::uint32_t slot = m_slots[slotOf(folderText)];
    return slot == 0 ? -1 : static_cast<int>(slot - 1);
}

int FolderPaths::add(std::uint32_t folderText, std::string_view reversedFolder)
{
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const std::size_t slot = slotOf(folderText);
    if (m_slots[slot] != 0)
        return static_cast<int>(m_slots[slot] - 1);
    constexpr std::size_t kBlockBytes = 16 * 1024;
    if (m_blocks.empty() || m_blockSize - m_blockUsed < reversedFolder.size()) {
        m_blockSize = std::max(kBlockBytes, reversedFolder.size());
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char* at = m_blocks.back().get() + m_blockUsed;
    std::copy(reversedFolder.rbegin(), reversedFolder.rend(), at);
    m_blockUsed += reversedFolder.size();
    Entry entry;
    entry.folderText = folderText;
    entry.length = static_cast<std::uint32_t>(reversedFolder.size());
    entry.path = at;
    m_entries.push_back(entry);
    m_slots[slot] = static_cast<std::uint32_t>(m_entries.size());
    return static_cast<int>(m_entries.size() - 1);
}

std::string_view FolderPaths::path(int entry) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(entry)];
    return {e.path, e.length};
}

void FolderPaths::grow()
{
    m_slots.assign(m_slots.empty() ? 64 : m_slots.size() * 2, 0);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_slots[slotOf(m_entries[i].folderText)] = static_cast<std::uint32_t>(i + 1);
}

void FolderPaths::forgetNotes()
{
    for (Entry& entry : m_entries)
        entry.notes = Notes{};
}

void FolderPaths::clear()
{
    m_blocks.clear();
    m_blockUsed = m_blockSize = 0;
    m_entries.clear();
    m_slots.clear();
}

} // namespace vedra::search
