// The four work buffers, sized once at start from free memory and disk so that
// whole archive files can be held in memory. They are never grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vedra::app {

struct WorkBufferSizes {
    std::uint32_t units = 0;
    std::size_t dictionaryBytes = 0;
    std::int64_t dictionaryUsable = 0;  // bytes - 92
    std::size_t postingsBytes = 0;
    std::int64_t postingsUsable = 0;    // bytes - 8
    int textFactor = 0;                 // k: 8, 16, 24 or 32
    std::size_t textBytes = 0;          // each of the two text buffers: 256000 * k
    std::int64_t textUsable = 0;        // bytes - 1024

    // False when the dictionary buffer would be too small to hold any archive head.
    bool isUsable() const { return dictionaryUsable >= kMinimumDictionaryUsable; }

    static constexpr std::int64_t kMinimumDictionaryUsable = 30000;
};

class WorkBufferPlan {
public:
    // units := M / 40960 when M <= D, else D / 10240 (taken as 32 bits).
    static WorkBufferSizes compute(std::uint64_t freeDiskBytes, std::uint64_t availableMemoryBytes);

    // Allocates the buffers of `sizes` without touching their pages, so an unused
    // buffer costs no memory. Each ends where an inaccessible page begins: a write
    // past its end stops the program instead of changing other memory. False, with
    // nothing held, when the sizes are unusable or an allocation fails.
    bool allocate(const WorkBufferSizes& sizes);
    void release();

    const WorkBufferSizes& sizes() const { return m_sizes; }
    bool isAllocated() const { return m_dictionary != nullptr; }

    std::uint8_t* dictionaryBuffer() { return m_dictionary.get(); }
    std::uint8_t* postingsBuffer() { return m_postings.get(); }
    std::uint8_t* textBuffer(int which) { return m_text[which & 1].get(); }

private:
    struct Unmap {
        void* mapping;
        std::size_t mappingBytes;
        void operator()(std::uint8_t* block) const;
    };
    using Block = std::unique_ptr<std::uint8_t[], Unmap>;
    static Block mapUntouched(std::size_t bytes);

    WorkBufferSizes m_sizes;
    Block m_dictionary;
    Block m_postings;
    Block m_text[2];
};

} // namespace vedra::app
