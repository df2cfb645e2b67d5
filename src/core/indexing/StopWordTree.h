// The stop words of an archive (its "NIN." list) in memory: word extraction drops
// every word of three or more characters that the list holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::indexing {

class StopWordTree {
public:
    StopWordTree() = default;
    // The words of a "NIN." list's bytes, as load() takes them.
    explicit StopWordTree(std::string_view listBytes) { load(listBytes); }

    // Replaces the words with those of `listBytes`: every run of ASCII letters and
    // digits of three characters or more, lower-cased, kept once. Shorter runs are
    // ignored (a shorter word is never looked up); any other byte separates runs, so
    // the list's "\r\n" ends and a user's blanks or commas all work.
    void load(std::string_view listBytes);
    void clear();

    // Exact, case-sensitive membership: the caller passes the word lower-cased.
    bool contains(std::string_view word) const;

    std::size_t size() const { return m_words.size(); }
    bool empty() const { return m_words.empty(); }

private:
    void insert(std::string word);
    std::size_t findSlot(std::string_view word) const;

    // Only membership is observable, so a small open-addressing hash table stands in
    // for the program's binary tree of strings: every indexed word is looked up, and
    // one probe with a cheap hash costs less than a descent of string compares or
    // std::unordered_set's hash and division.
    std::vector<std::string> m_words;
    std::vector<std::int32_t> m_slots;  // index into m_words, -1 = empty; size a power of two
    // Words outside [m_shortest, m_longest] are rejected without hashing.
    std::size_t m_shortest = 0;
    std::size_t m_longest = 0;
};

} // namespace vedra::indexing
