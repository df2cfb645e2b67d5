// The replacement table is applied pattern after pattern, as the archive's rules
// are written, because a replacement byte may complete a later pattern ("%C3%%C3%809":
// the "A" of "%C3%80" makes "%C3%A9"). Each pattern is one compacting pass that
// writes behind its read position, so a 2 MB chunk costs a few linear scans, never
// the quadratic cost of erasing in a loop. Groups whose lead is absent cost one
// search, and inside a group only the patterns that occur are run.
#include "core/web/WebEscapes.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace vedra::web {
namespace {

struct Replacement {
    std::string_view pattern;
    char by;
};

struct EscapeGroup {
    std::string_view lead;
    std::span<const Replacement> replacements;
};

constexpr Replacement kE2[] = {{"%E2%80%99", ' '}, {"%E2%80%9B", ' '}};
constexpr Replacement kE1[] = {{"%E1%B9%9B", 'r'}, {"%E1%9B%8A", 's'}};
constexpr Replacement kC2[] = {{"%C2%BD", ' '}, {"%C2%AE", ' '}};
// "%C5%AB" is ū but the archive's table gives "w", and "%C5%A1" (š) gives "S".
constexpr Replacement kC5[] = {{"%C5%A0", 's'}, {"%C5%A1", 'S'}, {"%C5%AB", 'w'},
                               {"%C5%BD", 'Z'}, {"%C5%BE", 'z'}, {"%C5%8D", 'o'},
                               {"%C5%9A", 's'}, {"%C5%9E", 'S'}, {"%C5%9B", 's'}};
constexpr Replacement kC4[] = {{"%C4%AB", 'i'}, {"%C4%8D", 'c'}, {"%C4%87", 'c'},
                               {"%C4%83", 'a'}, {"%C4%81", 'a'}, {"%C4%8C", 'C'},
                               {"%C4%9B", 'e'}, {"%C4%B0", 'I'}, {"%C4%B1", 'i'}};
constexpr Replacement kC3[] = {
    {"%C3%A0", 'a'}, {"%C3%A1", 'a'}, {"%C3%A2", 'a'}, {"%C3%A3", 'a'}, {"%C3%A4", 'a'},
    {"%C3%80", 'A'}, {"%C3%81", 'A'}, {"%C3%A7", 'c'}, {"%C3%9E", ' '}, {"%C3%A8", 'e'},
    {"%C3%A9", 'e'}, {"%C3%AB", 'e'}, {"%C3%8D", 'I'}, {"%C3%AC", 'i'}, {"%C3%AD", 'i'},
    {"%C3%AE", 'i'}, {"%C3%AF", 'i'}, {"%C3%BD", 'y'}, {"%C3%B0", 'o'}, {"%C3%B1", 'n'},
    {"%C3%B2", 'o'}, {"%C3%B3", 'o'}, {"%C3%96", 'O'}, {"%C3%B4", 'o'}, {"%C3%B5", 'o'},
    {"%C3%B6", 'o'}, {"%C3%93", 'O'}, {"%C3%B9", 'u'}, {"%C3%BC", 'u'}};

constexpr EscapeGroup kGroups[] = {
    {"%E2", kE2}, {"%E1", kE1}, {"%C2", kC2}, {"%C5", kC5}, {"%C4", kC4}, {"%C3", kC3},
};

// The mask of present patterns holds one bit per pattern of a group.
static_assert(std::size(kC3) <= 32);

// Second bytes of the raw UTF-8 pairs C3 xx (ù ü û é è ê ë ì í ò ö ô ó ñ ç ä á) and
// their letters; 0 where a pair is not replaced. C3 A0 (à) has its own rule.
constexpr std::array<char, 256> makeRawPairTable()
{
    std::array<char, 256> table{};
    for (unsigned byte : {0xB9u, 0xBCu, 0xBBu})
        table[byte] = 'u';
    for (unsigned byte : {0xA9u, 0xA8u, 0xAAu, 0xABu})
        table[byte] = 'e';
    for (unsigned byte : {0xACu, 0xADu})
        table[byte] = 'i';
    for (unsigned byte : {0xB2u, 0xB6u, 0xB4u, 0xB3u})
        table[byte] = 'o';
    table[0xB1] = 'n';
    table[0xA7] = 'c';
    table[0xA4] = 'a';
    table[0xA1] = 'a';
    return table;
}
constexpr std::array<char, 256> kRawPairs = makeRawPairTable();

constexpr std::array<unsigned char, 256> makeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    for (unsigned byte : {0xE0u, 0xE2u, 0xE4u, 0xC4u})
        table[byte] = 'a';
    for (unsigned byte : {0xF4u, 0xF2u, 0xF6u, 0xD6u})
        table[byte] = 'o';
    for (unsigned byte : {0xEFu, 0xCFu, 0xECu, 0xEEu})
        table[byte] = 'i';
    for (unsigned byte : {0xF9u, 0xFCu, 0xDCu, 0xFBu})
        table[byte] = 'u';
    table[0xF1] = 'n';
    for (unsigned byte : {0xCAu, 0xCBu, 0xEAu, 0xE8u, 0xE9u, 0xEBu})
        table[byte] = 'e';
    return table;
}
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

unsigned char byteAt(const char* text, std::size_t index)
{
    return static_cast<unsigned char>(text[index]);
}

std::size_t findByte(const char* text, std::size_t length, std::size_t from, unsigned char byte)
{
    if (from >= length)
        return length;
    const void* hit = std::memchr(text + from, byte, length - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text) : length;
}

// Offset of the first `needle` at or after `from`, or `length` when there is none.
// Every needle here begins with a byte that is rare in text ('%', 0xC4, 0xE2), so a
// memchr on it skips most of the text.
std::size_t findBytes(const char* text, std::size_t length, std::size_t from, std::string_view needle)
{
    for (std::size_t at = findByte(text, length, from, static_cast<unsigned char>(needle[0])); at < length;
         at = findByte(text, length, at + 1, static_cast<unsigned char>(needle[0]))) {
        if (length - at < needle.size())
            return length;
        if (std::memcmp(text + at + 1, needle.data() + 1, needle.size() - 1) == 0)
            return at;
    }
    return length;
}

// Writes the kept bytes behind the read position. Bytes not yet read are never
// overwritten, so the searches ahead see the text as it was.
class Compactor {
public:
    Compactor(char* text, std::size_t start) : m_text(text), m_write(start), m_read(start) {}

    // Keeps the bytes up to `end`, then writes `by` for the `skipped` bytes there.
    void replaceAt(std::size_t end, std::size_t skipped, char by)
    {
        keepUpTo(end);
        m_text[m_write++] = by;
        m_read += skipped;
    }
    void keepUpTo(std::size_t end)
    {
        if (m_write != m_read)
            std::memmove(m_text + m_write, m_text + m_read, end - m_read);
        m_write += end - m_read;
        m_read = end;
    }
    std::size_t read() const { return m_read; }
    // Keeps the rest and returns the new length.
    std::size_t finish(std::size_t length)
    {
        keepUpTo(length);
        return m_write;
    }

private:
    char* m_text;
    std::size_t m_write;
    std::size_t m_read;
};

// Replaces every `pattern` at or after `from` by `by`. The next search starts right
// after the replacement byte: it never begins a match, but an escape that follows
// it directly does ("%C3%A9%C3%A9" gives "ee").
std::size_t replaceAll(char* text, std::size_t length, std::size_t from, std::string_view pattern, char by,
                       bool* replaced = nullptr)
{
    std::size_t hit = findBytes(text, length, from, pattern);
    if (hit == length)
        return length;
    if (replaced)
        *replaced = true;
    Compactor out(text, hit);
    while (hit < length) {
        out.replaceAt(hit, pattern.size(), by);
        hit = findBytes(text, length, out.read(), pattern);
    }
    return out.finish(length);
}

// One bit per pattern of the group that occurs at or after `from`.
std::uint32_t presentPatterns(const char* text, std::size_t length, std::size_t from, const EscapeGroup& group)
{
    std::uint32_t mask = 0;
    for (std::size_t at = findBytes(text, length, from, group.lead); at < length;
         at = findBytes(text, length, at + 1, group.lead)) {
        for (std::size_t i = 0; i < group.replacements.size(); ++i) {
            std::string_view pattern = group.replacements[i].pattern;
            if (length - at >= pattern.size() && std::memcmp(text + at, pattern.data(), pattern.size()) == 0)
                mask |= std::uint32_t{1} << i;
        }
    }
    return mask;
}

// A replacement byte that can be part of a pattern ('A' of "%C3%A0", 'C' of "%C4")
// may have completed a pattern that was not there before.
bool canCompletePattern(char by)
{
    return by == '%' || (by >= '0' && by <= '9') || (by >= 'A' && by <= 'F');
}

std::size_t decodeGroup(char* text, std::size_t length, std::size_t from, const EscapeGroup& group)
{
    std::size_t start = findBytes(text, length, from, group.lead);
    if (start == length)
        return length;
    std::uint32_t mask = presentPatterns(text, length, start, group);
    for (std::size_t i = 0; i < group.replacements.size(); ++i) {
        if ((mask & (std::uint32_t{1} << i)) == 0)
            continue;
        const Replacement& replacement = group.replacements[i];
        bool replaced = false;
        length = replaceAll(text, length, start, replacement.pattern, replacement.by, &replaced);
        if (replaced && canCompletePattern(replacement.by))
            mask = presentPatterns(text, length, start, group);
    }
    return length;
}

// The pairs ù ü û é è ê ë ì í ò ö ô ó ñ ç ä á from the first 0xC3 on, when that
// byte starts a pair; C3 A0 (à) is replaced at that first byte only. No pair can
// overlap another or be made by a replacement, so one pass gives the same text as
// one pass per pair.
std::size_t decodeRawC3Pairs(char* text, std::size_t length)
{
    std::size_t first = findByte(text, length, 0, 0xC3);
    if (first + 1 >= length || (byteAt(text, first + 1) & 0x80) == 0)
        return length;
    Compactor out(text, first);
    for (std::size_t at = first; at + 1 < length; at = findByte(text, length, at, 0xC3)) {
        unsigned char second = byteAt(text, at + 1);
        char by = kRawPairs[second];
        if (by == 0 && at == first && second == 0xA0)
            by = 'a';
        if (by == 0) {
            ++at;
            continue;
        }
        out.replaceAt(at, 2, by);
        at += 2;
    }
    return out.finish(length);
}

// 0xC4 followed by a byte with its top bit set: every copy of that very pair becomes "c".
std::size_t decodeRawC4Pair(char* text, std::size_t length)
{
    for (std::size_t at = findByte(text, length, 0, 0xC4); at + 1 < length; at = findByte(text, length, at + 1, 0xC4)) {
        if (byteAt(text, at + 1) & 0x80) {
            const char pair[2] = {text[at], text[at + 1]};
            return replaceAll(text, length, at, std::string_view(pair, 2), 'c');
        }
    }
    return length;
}

// E2 80 99 and then E2 80 become an apostrophe. E2 is never the second or third byte
// of either, so one pass that prefers the longer form gives the same text as two.
std::size_t decodeQuotes(char* text, std::size_t length)
{
    std::size_t at = findBytes(text, length, 0, "\xE2\x80");
    if (at == length)
        return length;
    Compactor out(text, at);
    while (at < length) {
        std::size_t skipped = (at + 2 < length && byteAt(text, at + 2) == 0x99) ? 3 : 2;
        out.replaceAt(at, skipped, '\'');
        at = findBytes(text, length, out.read(), "\xE2\x80");
    }
    return out.finish(length);
}

// "%27" → blank, "%26" → "&", "%3D" → "=". The three cannot overlap and none of
// their replacements can start or complete one, so one pass replaces them all.
std::size_t decodeLastEscapes(char* text, std::size_t length)
{
    std::size_t at = findByte(text, length, 0, '%');
    Compactor out(text, at);
    for (; at + 2 < length; at = findByte(text, length, at, '%')) {
        char first = text[at + 1];
        char second = text[at + 2];
        char by = 0;
        if (first == '2' && second == '7')
            by = ' ';
        else if (first == '2' && second == '6')
            by = '&';
        else if (first == '3' && second == 'D')
            by = '=';
        if (by == 0) {
            ++at;
            continue;
        }
        out.replaceAt(at, 3, by);
        at += 3;
    }
    return out.finish(length);
}

} // namespace

std::size_t DecodeWebEscapes(char* text, std::size_t length)
{
    // Without a '%' no escape group and no final escape can match.
    std::size_t firstPercent = findByte(text, length, 0, '%');
    bool hasPercent = firstPercent < length;
    if (hasPercent) {
        for (const EscapeGroup& group : kGroups)
            length = decodeGroup(text, length, firstPercent, group);
    }
    length = decodeRawC3Pairs(text, length);
    length = decodeRawC4Pair(text, length);
    length = decodeQuotes(text, length);
    if (hasPercent)
        length = decodeLastEscapes(text, length);
    return length;
}

void DecodeWebEscapes(std::string& text)
{
    text.resize(DecodeWebEscapes(text.data(), text.size()));
}

void FoldAccents(char* text, std::size_t length)
{
    // Text is mostly ASCII: eight bytes without a high bit are passed at once.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t block;
        std::memcpy(&block, text + i, sizeof block);
        if ((block & kHighBits) == 0)
            continue;
        for (std::size_t j = i; j < i + 8; ++j)
            text[j] = static_cast<char>(kFold[static_cast<unsigned char>(text[j])]);
    }
    for (; i < length; ++i)
        text[i] = static_cast<char>(kFold[static_cast<unsigned char>(text[i])]);
}

void FoldAccents(std::string& text)
{
    FoldAccents(text.data(), text.size());
}

} // namespace vedra::web
