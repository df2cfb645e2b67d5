// Word hash: c0, c1, c2 = the first three bytes (0 past the end), bytes above 'z'
// counting as 'z'; c0 and c1 at or above 'a' lose 39, so digits are 48..57 and
// letters 58..83. Path hash: the first three digits or small letters after a
// reversed extension, with '0', '1', '2' standing in for missing ones.
#include "core/archive/Hashes.h"

#include "core/archive/Records.h"

namespace vedra::archive {
namespace {

std::uint32_t thirdCharacterClass(int c2)
{
    if (c2 <= 51)
        return 0;
    if (c2 <= 55)
        return 1;
    if (c2 <= 101)
        return 2;
    if (c2 <= 110)
        return 3;
    return 4;
}

int reduceLetter(int c)
{
    return c >= 'a' ? c - 39 : c;
}

bool isDigitOrSmallLetter(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

} // namespace

std::optional<std::uint32_t> wordBucket(std::string_view key)
{
    int c[3];
    for (std::size_t i = 0; i < 3; ++i) {
        int byte = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
        c[i] = byte > 'z' ? 'z' : byte;
    }
    c[0] = reduceLetter(c[0]);
    c[1] = reduceLetter(c[1]);
    std::uint32_t bucket = 0;
    if (c[0] >= 48) {
        bucket = static_cast<std::uint32_t>((c[0] - 48) * 180 + 1);
        if (c[1] >= 44) {
            bucket += static_cast<std::uint32_t>(5 * (c[1] - 44));
            if (c[2] >= 44)
                bucket += thirdCharacterClass(c[2]);
        }
    }
    if (bucket * 4 >= kBucketTableSize)
        return std::nullopt;
    return bucket;
}

std::uint32_t pathBucket(std::string_view key, char separator)
{
    std::size_t pos = 0;
    while (pos < key.size() && key[pos] == separator)
        ++pos;
    // A reversed extension ("txt.") is skipped so that the name itself is hashed.
    if (key.size() > 5) {
        for (std::size_t i = 0; i < 5 && pos + i < key.size(); ++i) {
            if (key[pos + i] == '.') {
                pos += i + 1;
                break;
            }
        }
    }
    while (pos < key.size()) {
        auto ch = static_cast<unsigned char>(key[pos]);
        if ((ch >= '1' && ch <= '9') || (ch >= 'a' && ch <= 'z') || ch >= 0x80)
            break;
        ++pos;
    }
    int c[3] = {'0', '1', '2'};
    int found = 0;
    for (; pos < key.size() && found < 3; ++pos) {
        auto ch = static_cast<unsigned char>(key[pos]);
        if (isDigitOrSmallLetter(ch))
            c[found++] = ch;
    }
    c[0] = reduceLetter(c[0]);
    c[1] = reduceLetter(c[1]);
    if (c[0] <= 47)
        return 0;
    std::uint32_t bucket = static_cast<std::uint32_t>((c[0] - 48) * 180 + 1);
    if (c[1] > 47)
        bucket = static_cast<std::uint32_t>((c[0] - 48) * 180 + 5 * (c[1] - 48) + 1) + thirdCharacterClass(c[2]);
    return bucket;
}

} // namespace vedra::archive
