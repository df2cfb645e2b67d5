#include "core/indexing/ArchiveInventory.h"

#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"

#include <algorithm>
#include <functional>

namespace vedra::indexing {

ArchiveInventory::ArchiveInventory(archive::ArchiveStore& store)
{
    m_documents = store.documentCount();
    store.forEachDocument([this](std::uint32_t number, const archive::DocRecord& record) {
        if (record.kind == archive::kRemovedKind)
            ++m_removed;
        else
            m_byFolder[record.folderText].push_back({number, NameHash(KeyFileName(record.key))});
    });
    // Folder nodes lie one after another from the end of the bucket table.
    std::string text;
    for (std::uint32_t at = archive::kBucketTableSize + archive::FolderNode::kTextOffset; at < store.foldersEnd();) {
        if (!store.folderTextInto(at, text) || text.empty())
            break;
        m_folders.emplace_back(archive::reversed(text), at);
        at += static_cast<std::uint32_t>(text.size()) + 1 + archive::FolderNode::kTextOffset;
    }
    std::sort(m_folders.begin(), m_folders.end());
}

const std::vector<ArchiveInventory::Document>& ArchiveInventory::documentsIn(std::uint32_t folderText) const
{
    static const std::vector<Document> kNone;
    auto found = m_byFolder.find(folderText);
    return found == m_byFolder.end() ? kNone : found->second;
}

std::vector<std::uint32_t> ArchiveInventory::foldersUnder(std::string_view folder) const
{
    std::vector<std::uint32_t> offsets;
    auto at = std::lower_bound(m_folders.begin(), m_folders.end(), folder,
                               [](const auto& entry, std::string_view key) { return entry.first < key; });
    for (; at != m_folders.end() && std::string_view(at->first).substr(0, folder.size()) == folder; ++at)
        offsets.push_back(at->second);
    return offsets;
}

std::vector<std::pair<std::string, std::string>> ArchiveInventory::childFolders(std::string_view folder) const
{
    std::vector<std::pair<std::string, std::string>> children;
    auto at = std::upper_bound(m_folders.begin(), m_folders.end(), folder,
                               [](std::string_view key, const auto& entry) { return key < entry.first; });
    for (; at != m_folders.end() && std::string_view(at->first).substr(0, folder.size()) == folder; ++at) {
        std::string_view rest = std::string_view(at->first).substr(folder.size());
        // A direct child is "name/" with no other separator.
        if (rest.size() > 1 && rest.find('/') == rest.size() - 1)
            children.emplace_back(std::string(rest.substr(0, rest.size() - 1)), at->first);
    }
    return children;
}

std::uint64_t NameHash(std::string_view name)
{
    return std::hash<std::string_view>{}(name);
}

std::string KeyFileName(std::string_view reversedKey)
{
    // Reversed, the name runs from the start to the first separator.
    std::size_t slash = reversedKey.find('/');
    return archive::reversed(reversedKey.substr(0, slash == std::string_view::npos ? reversedKey.size() : slash));
}

} // namespace vedra::indexing
