// Conversions between the system's 8-bit Windows-1252 text and the UTF-8 of Linux
// files and of the message texts kept in the source.
#pragma once

#include <string>
#include <string_view>

namespace vedra::app {

// True when the bytes form valid UTF-8 (ASCII included). Overlong forms,
// surrogates and code points above U+10FFFF are invalid.
bool isValidUtf8(std::string_view bytes);

// True when the bytes are valid UTF-8 and hold at least one multi-byte sequence.
bool isMultiByteUtf8(std::string_view bytes);

// UTF-8 to cp1252; a character that has no cp1252 form becomes a blank. Invalid
// sequences are taken byte by byte as cp1252 already.
std::string utf8ToCp1252(std::string_view utf8);

// cp1252 to UTF-8; the five bytes that cp1252 leaves undefined map to U+FFFD.
std::string cp1252ToUtf8(std::string_view cp1252);

// How a line is shown: as UTF-8 when it is valid UTF-8, else as cp1252.
std::string displayUtf8(std::string_view line);

// The value of a hexadecimal digit of either case; -1 for any other byte.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace vedra::app
