// The folders a walk meets, by the offset of their text in the archive, each with
// its path the right way round and what the walk worked out about it once.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

class FolderPaths {
public:
    // Answers a walk keeps per folder: -1 not worked out yet, else 0 or 1.
    struct Notes {
        std::int8_t holdsQueryWord = -1;
        std::int8_t inExtracts = -1;
    };

    // The entry of the folder at `folderText`, or -1.
    int find(std::uint32_t folderText) const;
    // Adds the folder from its reversed text; returns its entry.
    int add(std::uint32_t folderText, std::string_view reversedFolder);
    std::string_view path(int entry) const;
    Notes& notes(int entry) { return m_entries[static_cast<std::size_t>(entry)].notes; }
    std::size_t size() const { return m_entries.size(); }
    void forgetNotes();
    void clear();

private:
    struct Entry {
        std::uint32_t folderText = 0;
        std::uint32_t length = 0;
        const char* path = nullptr;
        Notes notes;
    };
    std::size_t slotOf(std::uint32_t folderText) const;
    void grow();

    // A frequent word's documents mostly lie in folders of their own, so a folder
    // costs no allocation of its own: paths go into blocks that never move, entries
    // into a deque, and an open table (a power of two, at most half full) holds
    // entry + 1. No buffer grows past a few pages, so none is mapped afresh (and
    // faulted in page by page) on every search.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::deque<Entry> m_entries;
    std::vector<std::uint32_t> m_slots;
};

} // namespace vedra::search
