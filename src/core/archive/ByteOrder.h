// Little-endian integer access for the archive's fixed-layout records. Built from
// shifts so that the byte order never depends on the machine or on struct layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vedra::archive {

inline std::uint16_t getU16le(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t getU32le(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t getI32le(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(getU32le(p));
}

inline std::uint64_t getU64le(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(getU32le(p)) | (static_cast<std::uint64_t>(getU32le(p + 4)) << 32);
}

inline void putU16le(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putU32le(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void putI32le(std::uint8_t* p, std::int32_t v)
{
    putU32le(p, static_cast<std::uint32_t>(v));
}

inline void putU64le(std::uint8_t* p, std::uint64_t v)
{
    putU32le(p, static_cast<std::uint32_t>(v));
    putU32le(p + 4, static_cast<std::uint32_t>(v >> 32));
}

} // namespace vedra::archive
