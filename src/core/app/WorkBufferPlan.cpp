// Each buffer is a mapping of its own: its pages stay untouched until used, and a
// failed allocation is a false answer, not an exception. From the heap, a text
// buffer's chunk headers would land in pages of their own, and a search, whose heap
// has large pages, paid for zeroing two of them (0.2 ms of a 3 ms run). Either all
// four buffers are held or none. The text factor follows the postings buffer in
// 20 MB steps, up to 32.
#include "core/app/WorkBufferPlan.h"

#include <sys/mman.h>
#include <unistd.h>

namespace vedra::app {

void WorkBufferPlan::Unmap::operator()(std::uint8_t*) const
{
    ::munmap(mapping, mappingBytes);
}

WorkBufferPlan::Block WorkBufferPlan::mapUntouched(std::size_t bytes)
{
    // The buffer's last byte is the last before the guard page. Its sizes are
    // multiples of 256, so its start keeps that alignment.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t usable = (bytes + page - 1) / page * page;
    void* mapping = ::mmap(nullptr, usable + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return Block(nullptr, Unmap{nullptr, 0});
    auto* start = static_cast<std::uint8_t*>(mapping);
    if (::mprotect(start + usable, page, PROT_NONE) != 0) {
        ::munmap(mapping, usable + page);
        return Block(nullptr, Unmap{nullptr, 0});
    }
    return Block(start + (usable - bytes), Unmap{mapping, usable + page});
}

WorkBufferSizes WorkBufferPlan::compute(std::uint64_t freeDiskBytes, std::uint64_t availableMemoryBytes)
{
    WorkBufferSizes s;
    std::uint64_t units = availableMemoryBytes <= freeDiskBytes ? availableMemoryBytes / 40960 : freeDiskBytes / 10240;
    s.units = static_cast<std::uint32_t>(units);
    s.dictionaryBytes = static_cast<std::size_t>(s.units) * 256;
    s.dictionaryUsable = static_cast<std::int64_t>(s.dictionaryBytes) - 92;
    s.postingsBytes = static_cast<std::size_t>(s.units) * 512;
    s.postingsUsable = static_cast<std::int64_t>(s.postingsBytes) - 8;
    if (s.postingsUsable <= 20'000'000)
        s.textFactor = 8;
    else if (s.postingsUsable <= 40'000'000)
        s.textFactor = 16;
    else if (s.postingsUsable <= 60'000'000)
        s.textFactor = 24;
    else
        s.textFactor = 32;
    s.textBytes = static_cast<std::size_t>(256000) * static_cast<std::size_t>(s.textFactor);
    s.textUsable = static_cast<std::int64_t>(s.textBytes) - 1024;
    return s;
}

bool WorkBufferPlan::allocate(const WorkBufferSizes& sizes)
{
    release();
    if (!sizes.isUsable())
        return false;
    m_dictionary = mapUntouched(sizes.dictionaryBytes);
    m_postings = mapUntouched(sizes.postingsBytes);
    m_text[0] = mapUntouched(sizes.textBytes);
    m_text[1] = mapUntouched(sizes.textBytes);
    if (!m_dictionary || !m_postings || !m_text[0] || !m_text[1]) {
        release();
        return false;
    }
    m_sizes = sizes;
    return true;
}

void WorkBufferPlan::release()
{
    m_dictionary.reset();
    m_postings.reset();
    m_text[0].reset();
    m_text[1].reset();
    m_sizes = WorkBufferSizes{};
}

} // namespace vedra::app
