// Open addressing with linear probing, kept at most half full so a miss ends
// soon; the table starts at 64 slots and grows fourfold. Words are never removed,
// so no slot needs a tombstone. FNV-1a is hash enough for a few hundred short words.
#include "core/indexing/StopWordTree.h"

#include <algorithm>

namespace vedra::indexing {
namespace {

constexpr std::size_t kShortestStopWord = 3;
constexpr std::int32_t kEmptySlot = -1;

bool isAsciiAlphanumeric(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// FNV-1a: stop words are a few short strings, so a byte loop is enough.
std::uint32_t hashOf(std::string_view word)
{
    std::uint32_t hash = 2166136261u;
    for (char c : word) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

void StopWordTree::load(std::string_view listBytes)
{
    clear();
    std::size_t at = 0;
    while (at < listBytes.size()) {
        if (!isAsciiAlphanumeric(listBytes[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < listBytes.size() && isAsciiAlphanumeric(listBytes[end]))
            ++end;
        if (end - at >= kShortestStopWord) {
            std::string word(listBytes.substr(at, end - at));
            std::transform(word.begin(), word.end(), word.begin(), toLowerAscii);
            insert(std::move(word));
        }
        at = end;
    }
}

void StopWordTree::clear()
{
    m_words.clear();
    m_slots.clear();
    m_shortest = 0;
    m_longest = 0;
}

std::size_t StopWordTree::findSlot(std::string_view word) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hashOf(word) & mask;; slot = (slot + 1) & mask) {
        std::int32_t index = m_slots[slot];
        if (index == kEmptySlot || m_words[static_cast<std::size_t>(index)] == word)
            return slot;
    }
}

void StopWordTree::insert(std::string word)
{
    // At most half full, so every probe sequence reaches an empty slot soon.
    if (2 * (m_words.size() + 1) > m_slots.size()) {
        m_slots.assign(std::max<std::size_t>(64, 4 * m_slots.size()), kEmptySlot);
        for (std::size_t i = 0; i < m_words.size(); ++i)
            m_slots[findSlot(m_words[i])] = static_cast<std::int32_t>(i);
    }
    std::size_t slot = findSlot(word);
    if (m_slots[slot] != kEmptySlot)
        return;
    m_shortest = m_words.empty() ? word.size() : std::min(m_shortest, word.size());
    m_longest = std::max(m_longest, word.size());
    m_slots[slot] = static_cast<std::int32_t>(m_words.size());
    m_words.push_back(std::move(word));
}

bool StopWordTree::contains(std::string_view word) const
{
    if (m_words.empty() || word.size() < m_shortest || word.size() > m_longest)
        return false;
    return m_slots[findSlot(word)] != kEmptySlot;
}

} // namespace vedra::indexing
