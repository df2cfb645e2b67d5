// Open addressing on 64-bit hashes: equal hashes of one path sit in the probe run
// of that hash, so every document listed with it is asked before a path counts as new.
#include "core/search/ListedPaths.h"

namespace vedra::search {
namespace {

std::uint64_t pathHash(std::string_view path)
{
    // FNV-1a, then mixed: the slot is taken from the low bits.
    std::uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : path) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return hash == 0 ? 1 : hash;
}

} // namespace

bool ListedPaths::firstListing(std::string_view path, std::uint32_t document, const PathOf& pathOf)
{
    if ((m_used + 1) * 2 > m_slots.size())
        grow();
    const std::uint64_t hash = pathHash(path);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hash) & mask;
    for (; m_slots[slot].hash != 0; slot = (slot + 1) & mask) {
        if (m_slots[slot].hash != hash)
            continue;
        // The same document twice (a damaged list) or another with this hash.
        if (m_slots[slot].document == document)
            return false;
        if (pathOf && pathOf(m_slots[slot].document, m_again) && m_again == path)
            return false;
    }
    m_slots[slot] = {hash, document};
    ++m_used;
    return true;
}

void ListedPaths::grow()
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot& entry : old) {
        if (entry.hash == 0)
            continue;
        std::size_t slot = static_cast<std::size_t>(entry.hash) & mask;
        while (m_slots[slot].hash != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = entry;
    }
}

void ListedPaths::clear()
{
    m_slots.clear();
    m_used = 0;
}

} // namespace vedra::search
