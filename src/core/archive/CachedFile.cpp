// Reads walk the holders in order (head copy, mapping, file, pending appends); the
// pending bytes begin where the later of file and head ends. The head's changes
// are one dirty range, written before the pending bytes so the file never has a
// hole. No memory for a head of its own means running without one, not failing.
#include "core/archive/CachedFile.h"

#include "core/archive/RunJournal.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vedra::archive {

bool CachedFile::open(const std::filesystem::path& path, io::OpenMode mode)
{
    close();
    auto file = io::FileHandle::open(path, mode);
    return file && open(std::move(*file));
}

bool CachedFile::open(io::FileHandle file)
{
    close();
    std::int64_t size = file.size();
    if (size < 0)
        return false;
    m_file = std::move(file);
    m_diskSize = static_cast<std::uint64_t>(size);
    return true;
}

void CachedFile::close()
{
    m_map.unmap();
    m_file.close();
    m_diskSize = 0;
    m_sizeLimited = false;
    m_head = nullptr;
    m_headSize = 0;
    m_headCapacity = 0;
    m_ownHead.reset();
    m_dirtyFrom = m_dirtyTo = 0;
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_appendCapacity = 0;
}

bool CachedFile::setHeadCache(std::uint8_t* buffer, std::size_t capacity)
{
    if (!flush())
        return false;
    m_ownHead.reset();
    m_head = nullptr;
    m_headSize = 0;
    m_headCapacity = 0;
    if (capacity == 0)
        return true;
    if (buffer == nullptr) {
        // Untouched pages cost nothing until the cache grows into them.
        m_ownHead.reset(new (std::nothrow) std::uint8_t[capacity]);
        buffer = m_ownHead.get();
        if (buffer == nullptr)
            return true;  // no memory: run without the cache
    }
    std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, m_diskSize));
    if (size > 0 && m_file.readAt(0, buffer, size) != static_cast<std::int64_t>(size)) {
        m_ownHead.reset();
        return false;
    }
    m_head = buffer;
    m_headSize = size;
    m_headCapacity = capacity;
    return true;
}

bool CachedFile::mapForReading(std::uint64_t limit)
{
    return m_map.map(m_file.descriptor(), m_diskSize, limit);
}

void CachedFile::setAppendBuffer(std::size_t capacity)
{
    m_appendCapacity = capacity;
    m_pending.reserve(capacity);
}

std::uint64_t CachedFile::pendingBytes() const
{
    return (m_headSize > m_diskSize ? m_headSize - m_diskSize : 0) + m_pending.size();
}

std::size_t CachedFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t start = pendingStart();
    std::size_t done = 0;
    while (done < count) {
        std::uint64_t at = offset + done;
        std::size_t want = count - done;
        if (at < m_headSize) {
            std::size_t n = std::min<std::size_t>(want, m_headSize - at);
            std::memcpy(out + done, m_head + at, n);
            done += n;
        } else if (at < std::min(m_map.size(), m_diskSize)) {
            std::uint64_t mapEnd = std::min(m_map.size(), m_diskSize);
            done += m_map.readAt(at, out + done, static_cast<std::size_t>(std::min<std::uint64_t>(want, mapEnd - at)));
        } else if (at < m_diskSize) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(want, m_diskSize - at));
            std::int64_t got = m_file.readAt(at, out + done, n);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
            if (static_cast<std::size_t>(got) < n)
                break;
        } else if (at >= start && at < size()) {
            std::size_t from = static_cast<std::size_t>(at - start);
            std::size_t n = std::min(want, m_pending.size() - from);
            std::memcpy(out + done, m_pending.data() + from, n);
            done += n;
        } else {
            break;
        }
    }
    return done;
}

const std::uint8_t* CachedFile::view(std::uint64_t offset, std::size_t count) const
{
    if (offset + count <= m_headSize)
        return m_head + offset;
    if (offset >= m_headSize && offset + count <= m_diskSize)
        if (const std::uint8_t* mapped = m_map.view(offset, count))
            return mapped;
    const std::uint64_t start = pendingStart();
    if (offset >= start && offset + count <= size())
        return m_pending.data() + (offset - start);
    return nullptr;
}

void CachedFile::markDirty(std::uint64_t from, std::uint64_t to)
{
    if (m_dirtyFrom == m_dirtyTo) {
        m_dirtyFrom = from;
        m_dirtyTo = to;
    } else {
        m_dirtyFrom = std::min(m_dirtyFrom, from);
        m_dirtyTo = std::max(m_dirtyTo, to);
    }
}

bool CachedFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::uint64_t at = offset + done;
        std::size_t want = count - done;
        const std::uint64_t start = pendingStart();
        if (at < m_headSize) {
            std::size_t n = std::min<std::size_t>(want, m_headSize - at);
            std::memcpy(m_head + at, in + done, n);
            markDirty(at, at + n);
            done += n;
        } else if (at < m_diskSize) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(want, m_diskSize - at));
            if (!writeToFile(at, in + done, n))
                return false;
            done += n;
        } else if (at >= start && at < size()) {
            std::size_t from = static_cast<std::size_t>(at - start);
            std::size_t n = std::min(want, m_pending.size() - from);
            std::memcpy(m_pending.data() + from, in + done, n);
            done += n;
        } else {
            // Writing past the logical end is an append of what remains.
            if (at != size())
                return false;
            return append(in + done, want);
        }
    }
    return true;
}

bool CachedFile::append(const void* buffer, std::size_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    // While everything lies in the head and it has room, the head simply grows.
    if (m_head != nullptr && m_pending.empty() && m_headSize >= m_diskSize && m_headSize + count <= m_headCapacity) {
        std::memcpy(m_head + m_headSize, in, count);
        markDirty(m_headSize, m_headSize + count);
        m_headSize += count;
        return true;
    }
    if (m_appendCapacity == 0) {
        if (!flushHead())
            return false;
        if (m_beforeFlush && !m_beforeFlush())
            return false;
        if (!writeToFile(pendingStart(), in, count))
            return false;
        m_diskSize = pendingStart() + count;
        return !m_afterFlush || m_afterFlush();
    }
    if (m_pending.size() + count > m_appendCapacity && !flushAppended())
        return false;
    m_pending.insert(m_pending.end(), in, in + count);
    if (m_pending.size() >= m_appendCapacity)
        return flushAppended();
    return true;
}

bool CachedFile::flush()
{
    return flushHead() && flushAppended();
}

bool CachedFile::flushHead()
{
    if (m_dirtyFrom == m_dirtyTo)
        return true;
    if (m_beforeFlush && !m_beforeFlush())
        return false;
    std::uint64_t growth = m_dirtyTo > m_diskSize ? m_dirtyTo - m_diskSize : 0;
    if (growth > 0 && m_roomCheck && !m_roomCheck(growth))
        return false;
    if (!writeToFile(m_dirtyFrom, m_head + m_dirtyFrom, static_cast<std::size_t>(m_dirtyTo - m_dirtyFrom)))
        return false;
    m_diskSize = std::max(m_diskSize, m_dirtyTo);
    m_dirtyFrom = m_dirtyTo = 0;
    return !m_afterFlush || m_afterFlush();
}

bool CachedFile::flushAppended()
{
    if (m_pending.empty())
        return true;
    // The head's new bytes lie before the pending ones: write them first so the
    // file never has a hole.
    if (!flushHead())
        return false;
    if (m_roomCheck && !m_roomCheck(m_pending.size()))
        return false;
    if (m_beforeFlush && !m_beforeFlush())
        return false;
    std::uint64_t start = pendingStart();
    if (!writeToFile(start, m_pending.data(), m_pending.size()))
        return false;
    m_diskSize = start + m_pending.size();
    m_pending.clear();
    return !m_afterFlush || m_afterFlush();
}

bool CachedFile::protectHead()
{
    if (m_journal == nullptr || m_dirtyFrom == m_dirtyTo)
        return true;
    return m_journal->protect(m_journalSlot, m_file, m_dirtyFrom, m_head + m_dirtyFrom,
                              static_cast<std::size_t>(m_dirtyTo - m_dirtyFrom));
}

bool CachedFile::protect(std::uint64_t offset, const void* buffer, std::size_t count)
{
    return m_journal == nullptr || m_journal->protect(m_journalSlot, m_file, offset, buffer, count);
}

bool CachedFile::refreshSize()
{
    if (m_head != nullptr || !m_pending.empty())
        return false;
    std::int64_t size = m_file.size();
    if (size < 0)
        return false;
    m_diskSize = static_cast<std::uint64_t>(size);
    return true;
}

bool CachedFile::writeToFile(std::uint64_t offset, const void* buffer, std::size_t count)
{
    if (m_journal != nullptr && !m_journal->protect(m_journalSlot, m_file, offset, buffer, count))
        return false;
    if (!m_file.writeAt(offset, buffer, count))
        return false;
    m_bytesWritten += count;
    return true;
}

} // namespace vedra::archive
