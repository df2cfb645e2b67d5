// Windows-1252 <-> UTF-8. Only 0x80..0x9F differ from Latin-1; the table below
// gives their code points (0 = undefined in cp1252).
#include "core/app/TextEncoding.h"

#include <array>
#include <cstdint>

namespace vedra::app {
namespace {

constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at bytes[i]; returns its length, 0 when invalid.
std::size_t decodeOne(std::string_view bytes, std::size_t i, char32_t& cp)
{
    auto b0 = static_cast<std::uint8_t>(bytes[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > bytes.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        auto b = static_cast<std::uint8_t>(bytes[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char codePointToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t k = 0; k < kHighControlRange.size(); ++k)
        if (kHighControlRange[k] != 0 && kHighControlRange[k] == cp)
            return static_cast<char>(0x80 + k);
    return ' ';
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    char32_t cp;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t len = decodeOne(bytes, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

bool isMultiByteUtf8(std::string_view bytes)
{
    bool multi = false;
    char32_t cp;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t len = decodeOne(bytes, i, cp);
        if (len == 0)
            return false;
        multi |= len > 1;
        i += len;
    }
    return multi;
}

std::string utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    char32_t cp;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = decodeOne(utf8, i, cp);
        if (len == 0) {
            out.push_back(utf8[i]);
            ++i;
            continue;
        }
        out.push_back(codePointToCp1252(cp));
        i += len;
    }
    return out;
}

std::string cp1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (char c : cp1252) {
        auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80)
            out.push_back(c);
        else if (b < 0xA0)
            appendUtf8(out, kHighControlRange[b - 0x80] ? kHighControlRange[b - 0x80] : 0xFFFD);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::string displayUtf8(std::string_view line)
{
    return isValidUtf8(line) ? std::string(line) : cp1252ToUtf8(line);
}

} // namespace vedra::app
