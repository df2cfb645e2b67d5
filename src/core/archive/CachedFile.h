// One archive file seen through two optional memory areas: a copy of its head
// (patched in memory, written back whole at offset 0) and an append buffer for
// new bytes (written at the end of the file when full or on flush). Reads and
// writes at any offset go to whichever holds the bytes, so callers never care
// where a node lies; the bytes on disk after a flush are the same whatever the
// cache sizes.
#pragma once

#include "core/app/FileHandle.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace vedra::archive {

class CachedFile {
public:
    // Called before the append buffer goes to disk with the bytes about to be
    // written; false stops the flush (the bytes stay pending).
    using RoomCheck = std::function<bool(std::uint64_t pendingBytes)>;

    bool open(const std::filesystem::path& path, app::OpenMode mode);
    bool isOpen() const { return m_file.isOpen(); }
    // Drops the caches without writing them; see flush().
    void close();

    // Loads the head of the file (at most `capacity` bytes) into `buffer`, which the
    // caller owns and keeps alive, or into memory of its own when buffer is null.
    bool setHeadCache(std::uint8_t* buffer, std::size_t capacity);
    void setAppendBuffer(std::size_t capacity);
    void setRoomCheck(RoomCheck check) { m_roomCheck = std::move(check); }

    // Logical size: the file plus the pending appended bytes.
    std::uint64_t size() const { return m_fileSize + m_pending.size(); }

    // Reads up to `count` bytes at `offset`; returns the count read (short at the end).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // The bytes [offset, offset + count) when they all lie in memory (head cache or
    // pending appends), so hot lookups can compare in place; null otherwise. Valid
    // until the next write, append or flush.
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const;
    bool writeAt(std::uint64_t offset, const void* buffer, std::size_t count);
    bool append(const void* buffer, std::size_t count);

    // The head cache (when dirty) at offset 0, then the pending appended bytes.
    bool flush();
    bool flushHead();
    bool flushAppended();

    std::uint64_t pendingBytes() const { return m_pending.size(); }
    std::uint64_t bytesWritten() const { return m_bytesWritten; }

private:
    bool writeToFile(std::uint64_t offset, const void* buffer, std::size_t count);

    app::FileHandle m_file;
    std::uint64_t m_fileSize = 0;
    std::uint8_t* m_head = nullptr;
    std::size_t m_headSize = 0;
    std::unique_ptr<std::uint8_t[]> m_ownHead;
    bool m_headDirty = false;
    std::vector<std::uint8_t> m_pending;
    std::size_t m_appendCapacity = 0;
    RoomCheck m_roomCheck;
    std::uint64_t m_bytesWritten = 0;
};

} // namespace vedra::archive
