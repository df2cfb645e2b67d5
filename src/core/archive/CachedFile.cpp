#include "core/archive/CachedFile.h"

#include <algorithm>
#include <cstring>

namespace vedra::archive {

bool CachedFile::open(const std::filesystem::path& path, app::OpenMode mode)
{
    close();
    auto file = app::FileHandle::open(path, mode);
    if (!file)
        return false;
    std::int64_t size = file->size();
    if (size < 0)
        return false;
    m_file = std::move(*file);
    m_fileSize = static_cast<std::uint64_t>(size);
    return true;
}

void CachedFile::close()
{
    m_file.close();
    m_fileSize = 0;
    m_head = nullptr;
    m_headSize = 0;
    m_ownHead.reset();
    m_headDirty = false;
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_appendCapacity = 0;
}

bool CachedFile::setHeadCache(std::uint8_t* buffer, std::size_t capacity)
{
    if (!flushHead())
        return false;
    m_ownHead.reset();
    m_head = nullptr;
    m_headSize = 0;
    std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, m_fileSize));
    if (size == 0)
        return true;
    if (buffer == nullptr) {
        m_ownHead.reset(new (std::nothrow) std::uint8_t[size]);
        buffer = m_ownHead.get();
        if (buffer == nullptr)
            return true;  // no memory: run without the cache
    }
    if (m_file.readAt(0, buffer, size) != static_cast<std::int64_t>(size)) {
        m_ownHead.reset();
        return false;
    }
    m_head = buffer;
    m_headSize = size;
    return true;
}

void CachedFile::setAppendBuffer(std::size_t capacity)
{
    m_appendCapacity = capacity;
    m_pending.reserve(capacity);
}

std::size_t CachedFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::uint64_t at = offset + done;
        std::size_t want = count - done;
        if (at < m_headSize) {
            std::size_t n = std::min<std::size_t>(want, m_headSize - at);
            std::memcpy(out + done, m_head + at, n);
            done += n;
        } else if (at < m_fileSize) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(want, m_fileSize - at));
            std::int64_t got = m_file.readAt(at, out + done, n);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
            if (static_cast<std::size_t>(got) < n)
                break;
        } else if (at < size()) {
            std::size_t from = static_cast<std::size_t>(at - m_fileSize);
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
    if (offset >= m_fileSize && offset + count <= size())
        return m_pending.data() + (offset - m_fileSize);
    return nullptr;
}

bool CachedFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::uint64_t at = offset + done;
        std::size_t want = count - done;
        if (at < m_headSize) {
            std::size_t n = std::min<std::size_t>(want, m_headSize - at);
            std::memcpy(m_head + at, in + done, n);
            m_headDirty = true;
            done += n;
        } else if (at < m_fileSize) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(want, m_fileSize - at));
            if (!writeToFile(at, in + done, n))
                return false;
            done += n;
        } else if (at < size()) {
            std::size_t from = static_cast<std::size_t>(at - m_fileSize);
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
    if (m_appendCapacity == 0) {
        if (!writeToFile(m_fileSize, in, count))
            return false;
        m_fileSize += count;
        return true;
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
    if (!m_headDirty)
        return true;
    if (!writeToFile(0, m_head, m_headSize))
        return false;
    m_headDirty = false;
    return true;
}

bool CachedFile::flushAppended()
{
    if (m_pending.empty())
        return true;
    if (m_roomCheck && !m_roomCheck(m_pending.size()))
        return false;
    if (!writeToFile(m_fileSize, m_pending.data(), m_pending.size()))
        return false;
    m_fileSize += m_pending.size();
    m_pending.clear();
    return true;
}

bool CachedFile::writeToFile(std::uint64_t offset, const void* buffer, std::size_t count)
{
    if (!m_file.writeAt(offset, buffer, count))
        return false;
    m_bytesWritten += count;
    return true;
}

} // namespace vedra::archive
