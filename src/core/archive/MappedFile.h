// A read-only memory mapping of the first bytes of an open file. A search touches
// a few scattered nodes and postings of files that can be hundreds of megabytes:
// mapped, it reads only the pages it needs and pays no system call per record.
//
// The mapping never reaches past the size the file had when it was mapped, and
// every access is checked against that size, so a damaged offset gives "not
// there" exactly as a short read would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vedra::archive {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { unmap(); }
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps bytes [0, min(fileSize, limit)) of `descriptor`. False, with nothing
    // mapped, when that range is empty or the system refuses the mapping; callers
    // then read the file as before.
    //
    // A mapping let go is kept for the next reader of the same file, unchanged
    // since (same inode, times and length): a window searching one archive again
    // then finds the pages it touched last time still in place instead of taking
    // each one again. A file written, replaced, grown or cut gets a mapping of its own.
    bool map(int descriptor, std::uint64_t fileSize, std::uint64_t limit);
    void unmap();
    // Lets every kept mapping go (a test, or a process about to drop its files).
    static void releaseKept();
    static std::size_t keptCount();

    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t modified = 0;  // nanoseconds
        std::int64_t changed = 0;
        bool operator==(const Identity&) const = default;
    };

    bool isMapped() const { return m_data != nullptr; }
    std::uint64_t size() const { return m_size; }

    // The bytes [offset, offset + count) when they all lie in the mapping; null
    // otherwise (also when offset + count overflows).
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const;
    // Copies up to `count` bytes at `offset`; returns the count copied, short or
    // zero where the mapping ends.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;

private:
    const std::uint8_t* m_data = nullptr;
    std::uint64_t m_size = 0;
    Identity m_file;
};

} // namespace vedra::archive
