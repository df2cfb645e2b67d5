// MAP_SHARED, not private: bytes this process writes through the same descriptor
// show in the mapping, so a reader never sees a stale node. Bounds are checked by
// subtraction, so no offset near the top of the range can wrap around.
#include "core/archive/MappedFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>

namespace vedra::archive {
namespace {

struct KeptMapping {
    MappedFile::Identity file;
    std::uint64_t size = 0;
    const std::uint8_t* data = nullptr;
};

// An archive maps seven files; a search of every archive maps them in turn. The
// oldest goes first.
constexpr std::size_t kMostKept = 32;

// Never destroyed: a mapping let go during exit still finds them.
std::mutex& keptLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

std::vector<KeptMapping>& kept()
{
    static auto* mappings = new std::vector<KeptMapping>;
    return *mappings;
}

void unmapBytes(const std::uint8_t* data, std::uint64_t size)
{
    ::munmap(const_cast<std::uint8_t*>(data), static_cast<std::size_t>(size));
}

} // namespace

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_file(other.m_file)
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_file = other.m_file;
    }
    return *this;
}

bool MappedFile::map(int descriptor, std::uint64_t fileSize, std::uint64_t limit)
{
    unmap();
    std::uint64_t size = std::min(fileSize, limit);
    if (descriptor < 0 || size == 0 || size > std::numeric_limits<std::size_t>::max())
        return false;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0)
        return false;
    // The times tell a file changed since, or a new file given a freed inode number.
    const Identity file{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                        info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec,
                        info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec};
    {
        std::lock_guard<std::mutex> hold(keptLock());
        auto& mappings = kept();
        for (auto it = mappings.begin(); it != mappings.end(); ++it) {
            if (it->file.device != file.device || it->file.inode != file.inode)
                continue;
            const KeptMapping found = *it;
            mappings.erase(it);
            if (found.file == file && found.size == size) {
                m_data = found.data;
                m_size = size;
                m_file = file;
                return true;
            }
            unmapBytes(found.data, found.size);
            break;
        }
    }
    // Shared, so bytes this process writes through the descriptor are seen here too.
    // A small file is mapped whole at once: a search over many documents touches
    // most of its pages, and one fault costs as much as mapping some 70 pages in
    // advance. A larger file is left to its faults, which a rare word keeps few.
    constexpr std::uint64_t kMappedAtOnce = 4 << 20;
    const int flags = MAP_SHARED | (size <= kMappedAtOnce ? MAP_POPULATE : 0);
    void* data = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, flags, descriptor, 0);
    if (data == MAP_FAILED)
        return false;
    m_data = static_cast<const std::uint8_t*>(data);
    m_size = size;
    m_file = file;
    return true;
}

void MappedFile::unmap()
{
    if (m_data != nullptr) {
        std::lock_guard<std::mutex> hold(keptLock());
        auto& mappings = kept();
        if (mappings.size() >= kMostKept) {
            unmapBytes(mappings.front().data, mappings.front().size);
            mappings.erase(mappings.begin());
        }
        mappings.push_back({m_file, m_size, m_data});
    }
    m_data = nullptr;
    m_size = 0;
}

void MappedFile::releaseKept()
{
    std::lock_guard<std::mutex> hold(keptLock());
    for (const KeptMapping& mapping : kept())
        unmapBytes(mapping.data, mapping.size);
    kept().clear();
}

std::size_t MappedFile::keptCount()
{
    std::lock_guard<std::mutex> hold(keptLock());
    return kept().size();
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
