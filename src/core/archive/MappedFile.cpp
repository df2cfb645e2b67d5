// MAP_SHARED, not private: bytes this process writes through the same descriptor
// show in the mapping, so a reader never sees a stale node. Bounds are checked by
// subtraction, so no offset near the top of the range can wrap around.
#include "core/archive/MappedFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include <sys/mman.h>

namespace vedra::archive {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

bool MappedFile::map(int descriptor, std::uint64_t fileSize, std::uint64_t limit)
{
    unmap();
    std::uint64_t size = std::min(fileSize, limit);
    if (descriptor < 0 || size == 0 || size > std::numeric_limits<std::size_t>::max())
        return false;
    // Shared, so bytes this process writes through the descriptor are seen here too.
    void* data = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, descriptor, 0);
    if (data == MAP_FAILED)
        return false;
    m_data = static_cast<const std::uint8_t*>(data);
    m_size = size;
    return true;
}

void MappedFile::unmap()
{
    if (m_data != nullptr)
        ::munmap(const_cast<std::uint8_t*>(m_data), static_cast<std::size_t>(m_size));
    m_data = nullptr;
    m_size = 0;
}

const std::uint8_t* MappedFile::view(std::uint64_t offset, std::size_t count) const
{
    if (m_data == nullptr || offset > m_size || count > m_size - offset)
        return nullptr;
    return m_data + offset;
}

std::size_t MappedFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    if (m_data == nullptr || offset >= m_size)
        return 0;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset));
    std::memcpy(buffer, m_data + offset, n);
    return n;
}

} // namespace vedra::archive
