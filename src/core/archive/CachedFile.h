// One archive file seen through two optional memory areas: a copy of its head,
// which also takes appended bytes while it has room (patched and extended in
// memory, its changed range written back on flush), and an append buffer for new
// bytes beyond it (written at the end of the file when full or on flush). Reads
// and writes at any offset go to whichever holds the bytes, so callers never care
// where a node lies; the bytes on disk after a flush are the same whatever the
// cache sizes. A reader may instead map the head of the file read-only: reads
// then come from the mapping, and only bytes past it from the file.
#pragma once

#include "core/archive/MappedFile.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace vedra::archive {

class RunJournal;

class CachedFile {
public:
    // Called before the appended bytes go to disk with their count; false stops
    // the flush (the bytes stay pending).
    using RoomCheck = std::function<bool(std::uint64_t pendingBytes)>;

    bool open(const std::filesystem::path& path, io::OpenMode mode);
    // Takes a file the caller has opened (in the mode it needs); false when its
    // size cannot be read.
    bool open(io::FileHandle file);
    bool isOpen() const { return m_file.isOpen(); }
    // Drops the caches without writing them; see flush().
    void close();

    // Holds the head of the file in `buffer` (which the caller owns and keeps
    // alive), or in memory of its own when buffer is null: the first `capacity`
    // bytes, and appended bytes while they fit.
    bool setHeadCache(std::uint8_t* buffer, std::size_t capacity);
    void setAppendBuffer(std::size_t capacity);
    // Maps the first `limit` bytes of the file (at most its size now) for reading.
    // False when nothing was mapped; reads then go to the file. Writes stay
    // correct while mapped (the mapping shares the file's pages), but a writer
    // gains nothing from it: indexing runs use the head cache instead.
    bool mapForReading(std::uint64_t limit);
    void unmap() { m_map.unmap(); }
    std::uint64_t mappedSize() const { return m_map.size(); }
    void setRoomCheck(RoomCheck check) { m_roomCheck = std::move(check); }
    // Called before the file takes the bytes held in memory (the head's changes,
    // appended bytes), and after it took them; false from `before` stops the write.
    using FlushHook = std::function<bool()>;
    void setFlushHooks(FlushHook before, FlushHook after)
    {
        m_beforeFlush = std::move(before);
        m_afterFlush = std::move(after);
    }
    // True when a write at `offset` goes straight to the file (it lies past the
    // head held in memory, in bytes the file has).
    bool writesThrough(std::uint64_t offset) const { return offset >= m_headSize && offset < m_diskSize; }
    // The bytes the file has now; what lies past them is held in memory.
    std::uint64_t fileSize() const { return m_diskSize; }
    // Every later write to the file first saves what it overwrites in `journal`
    // (under `slot`); null stops that. Kept across close and open.
    void setJournal(RunJournal* journal, int slot)
    {
        m_journal = journal;
        m_journalSlot = slot;
    }
    // Saves in the journal, ahead of time, what the head's write-back and a write
    // of `count` bytes at `offset` will overwrite, so that a close can sync the
    // journal once before it writes.
    bool protectHead();
    bool protect(std::uint64_t offset, const void* buffer, std::size_t count);
    // The file itself, for undoing a run before any cache is loaded.
    io::FileHandle& handle() { return m_file; }
    const io::FileHandle& handle() const { return m_file; }
    // Takes the file's size again after it was changed through handle(); only
    // without caches and pending bytes.
    bool refreshSize();
    // A reader sees no byte at or past `limit`: the size a run going on (or cut
    // off) found the file with. What that run links to past it is not there yet.
    void limitSize(std::uint64_t limit)
    {
        m_diskSize = std::min(m_diskSize, limit);
        m_sizeLimited = true;
    }
    bool sizeLimited() const { return m_sizeLimited; }

    // Logical size: the file plus every byte not yet written.
    std::uint64_t size() const { return pendingStart() + m_pending.size(); }

    // Reads up to `count` bytes at `offset`; returns the count read (short at the end).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // The bytes [offset, offset + count) when they all lie in memory, so hot
    // lookups can compare in place; null otherwise. Valid until the next write,
    // append or flush.
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const;
    bool writeAt(std::uint64_t offset, const void* buffer, std::size_t count);
    bool append(const void* buffer, std::size_t count);

    // The changed part of the head, then the pending appended bytes.
    bool flush();
    bool flushHead();
    bool flushAppended();

    // Bytes held in memory that the file does not have yet.
    std::uint64_t pendingBytes() const;
    std::uint64_t bytesWritten() const { return m_bytesWritten; }

private:
    std::uint64_t pendingStart() const { return m_diskSize > m_headSize ? m_diskSize : m_headSize; }
    void markDirty(std::uint64_t from, std::uint64_t to);
    bool writeToFile(std::uint64_t offset, const void* buffer, std::size_t count);

    io::FileHandle m_file;
    MappedFile m_map;
    std::uint64_t m_diskSize = 0;
    bool m_sizeLimited = false;
    std::uint8_t* m_head = nullptr;
    std::size_t m_headSize = 0;
    std::size_t m_headCapacity = 0;
    std::unique_ptr<std::uint8_t[]> m_ownHead;
    std::uint64_t m_dirtyFrom = 0;
    std::uint64_t m_dirtyTo = 0;
    std::vector<std::uint8_t> m_pending;
    std::size_t m_appendCapacity = 0;
    RoomCheck m_roomCheck;
    FlushHook m_beforeFlush;
    FlushHook m_afterFlush;
    std::uint64_t m_bytesWritten = 0;
    RunJournal* m_journal = nullptr;
    int m_journalSlot = 0;
};

} // namespace vedra::archive
