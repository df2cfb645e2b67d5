// Byte builders for golden-byte tests: archive integers and texts written out as the
// record layouts give them, independently of the codecs under test.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace vedra::testing {

inline std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

inline std::string le64(std::uint64_t v)
{
    return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32));
}

// A text with its NUL terminator.
inline std::string z(const std::string& s)
{
    return s + '\0';
}

inline std::string reversedText(const std::string& text)
{
    return {text.rbegin(), text.rend()};
}

// A zero-filled bucket table (6501 slots) with the given slots set to offsets.
inline std::string buckets(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> slots)
{
    std::string table(26004, '\0');
    for (auto [bucket, offset] : slots)
        table.replace(bucket * 4, 4, le32(offset));
    return table;
}

} // namespace vedra::testing
