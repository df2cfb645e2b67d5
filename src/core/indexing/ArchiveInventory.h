// What the archive held when a run began, arranged for telling what is gone from
// the disk: the documents of each folder, and the folders by path. The archive
// keeps neither (a record names its folder, a folder node its path), so a run
// that may remove anything reads the records and folder nodes once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vedra::archive {
class ArchiveStore;
}

namespace vedra::indexing {

class ArchiveInventory {
public:
    // Reads every record and folder node of the store (open for indexing).
    // Records already marked removed are left out.
    explicit ArchiveInventory(archive::ArchiveStore& store);

    struct Document {
        std::uint32_t number = 0;
        std::uint64_t nameHash = 0;  // NameHash of the file name
    };
    // The documents whose records name the folder at this text offset.
    const std::vector<Document>& documentsIn(std::uint32_t folderText) const;
    // The text offsets of `folder` (a path ending in '/') and of every folder below it.
    std::vector<std::uint32_t> foldersUnder(std::string_view folder) const;
    // The names of the folders the archive holds directly inside `folder`, with
    // their paths (ending in '/').
    std::vector<std::pair<std::string, std::string>> childFolders(std::string_view folder) const;
    std::uint32_t documentsRead() const { return m_documents; }
    // Records marked removed when the run began.
    std::uint32_t removedBefore() const { return m_removed; }

private:
    std::unordered_map<std::uint32_t, std::vector<Document>> m_byFolder;
    std::vector<std::pair<std::string, std::uint32_t>> m_folders;  // path -> text offset, sorted by path
    std::uint32_t m_documents = 0;
    std::uint32_t m_removed = 0;
};

// The file name of a record's key ("/parent/name" reversed).
std::string KeyFileName(std::string_view reversedKey);
// What a folder's names are compared by: two names that differ may share a hash,
// which at worst keeps a gone file's row, never removes a present one.
std::uint64_t NameHash(std::string_view name);

} // namespace vedra::indexing
