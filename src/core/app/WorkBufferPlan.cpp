// Buffers come from a nothrow new[] without initialiser: pages stay untouched
// until used, and a failed allocation is a false answer, not an exception. Either
// all four buffers are held or none. The text factor follows the postings buffer
// in 20 MB steps, up to 32.
#include "core/app/WorkBufferPlan.h"

#include <new>

namespace vedra::app {
namespace {

std::unique_ptr<std::uint8_t[]> allocateUntouched(std::size_t bytes)
{
    // new[] without a value-initialiser leaves the pages untouched.
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

} // namespace

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
    m_dictionary = allocateUntouched(sizes.dictionaryBytes);
    m_postings = allocateUntouched(sizes.postingsBytes);
    m_text[0] = allocateUntouched(sizes.textBytes);
    m_text[1] = allocateUntouched(sizes.textBytes);
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
