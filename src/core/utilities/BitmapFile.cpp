// The bitmap file codec.
//
// Bitmap file, all integers little-endian:
//    0  2 bytes  "BM"
//    2  uint32   file size in bytes
//    6  uint16   reserved, 0
//    8  uint16   reserved, 0
//   10  uint32   offset of the bits: 14 + info header size + 4 x palette entries
// Info header (40 bytes as written; readers accept the longer later forms):
//   14  uint32   header size, 40
//   18  int32    width in pixels
//   22  int32    height in pixels; positive: rows stored bottom-up
//   26  uint16   planes, 1
//   28  uint16   bits per pixel: 1, 4, 8, 16, 24, 32
//   30  uint32   compression, 0 = none
//   34  uint32   size of the bits in bytes
//   38  int32    horizontal pixels per metre, 0 = unknown
//   42  int32    vertical pixels per metre, 0 = unknown
//   46  uint32   palette entries used (0 at more than 8 bits)
//   50  uint32   important colours, 0 = all
// Palette: per entry blue, green, red, 0.
// Bits: rows of BitmapRowBytes each, the bottom row first.
#include "core/utilities/BitmapFile.h"

#include "core/app/Workspace.h"
#include "core/archive/ByteOrder.h"
#include "core/io/FileHandle.h"

#include <limits>

namespace vedra::utilities {
namespace {

using archive::getI32le;
using archive::getU16le;
using archive::getU32le;
using archive::putI32le;
using archive::putU16le;
using archive::putU32le;

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

bool isValidDepth(std::uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

std::uint16_t BitmapBitsPerPixel(int planes, int bitCount)
{
    long long bits = static_cast<long long>(planes) * bitCount;
    for (std::uint16_t depth : {1, 4, 8, 16, 24})
        if (bits <= depth)
            return depth;
    return 32;
}

std::uint32_t BitmapPaletteEntries(std::uint16_t bitsPerPixel)
{
    return bitsPerPixel <= 8 ? std::uint32_t{1} << bitsPerPixel : 0;
}

std::uint64_t BitmapRowBytes(std::int32_t width, std::uint16_t bitsPerPixel)
{
    if (width <= 0)
        return 0;
    return (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

std::optional<std::string> EncodeBitmapFile(const BitmapImage& image)
{
    if (image.width <= 0 || image.height <= 0 || !isValidDepth(image.bitsPerPixel))
        return std::nullopt;
    const std::uint32_t paletteEntries = BitmapPaletteEntries(image.bitsPerPixel);
    if (image.palette.size() != paletteEntries)
        return std::nullopt;
    const std::uint64_t rowBytes = BitmapRowBytes(image.width, image.bitsPerPixel);
    if (static_cast<std::uint64_t>(image.height) > std::numeric_limits<std::uint32_t>::max() / rowBytes)
        return std::nullopt;
    const std::uint64_t bitsBytes = rowBytes * static_cast<std::uint64_t>(image.height);
    if (image.bits.size() != bitsBytes)
        return std::nullopt;
    const std::uint64_t bitsOffset = kFileHeaderBytes + kInfoHeaderBytes + 4ull * paletteEntries;
    const std::uint64_t fileBytes = bitsOffset + bitsBytes;
    if (fileBytes > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;

    std::string file(static_cast<std::size_t>(fileBytes), '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(file.data());
    p[0] = 'B';
    p[1] = 'M';
    putU32le(p + 2, static_cast<std::uint32_t>(fileBytes));
    putU16le(p + 6, 0);
    putU16le(p + 8, 0);
    putU32le(p + 10, static_cast<std::uint32_t>(bitsOffset));
    putU32le(p + 14, kInfoHeaderBytes);
    putI32le(p + 18, image.width);
    putI32le(p + 22, image.height);
    putU16le(p + 26, 1);
    putU16le(p + 28, image.bitsPerPixel);
    putU32le(p + 30, 0);
    putU32le(p + 34, static_cast<std::uint32_t>(bitsBytes));
    putI32le(p + 38, 0);
    putI32le(p + 42, 0);
    putU32le(p + 46, paletteEntries);
    putU32le(p + 50, 0);
    std::uint8_t* entry = p + kFileHeaderBytes + kInfoHeaderBytes;
    for (std::uint32_t rgb : image.palette) {
        entry[0] = static_cast<std::uint8_t>(rgb);
        entry[1] = static_cast<std::uint8_t>(rgb >> 8);
        entry[2] = static_cast<std::uint8_t>(rgb >> 16);
        entry[3] = 0;
        entry += 4;
    }
    for (std::int32_t row = 0; row < image.height; ++row) {
        const std::uint8_t* source = image.bits.data() + static_cast<std::uint64_t>(row) * rowBytes;
        std::uint8_t* target = p + bitsOffset + static_cast<std::uint64_t>(image.height - 1 - row) * rowBytes;
        std::copy(source, source + rowBytes, target);
    }
    return file;
}

std::optional<BitmapImage> DecodeBitmapFile(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::uint64_t size = bytes.size();
    if (size < kFileHeaderBytes + kInfoHeaderBytes || p[0] != 'B' || p[1] != 'M')
        return std::nullopt;
    const std::uint32_t bitsOffset = getU32le(p + 10);
    const std::uint32_t headerBytes = getU32le(p + 14);
    if (headerBytes < kInfoHeaderBytes || kFileHeaderBytes + static_cast<std::uint64_t>(headerBytes) > size)
        return std::nullopt;
    BitmapImage image;
    image.width = getI32le(p + 18);
    const std::int32_t storedHeight = getI32le(p + 22);
    image.bitsPerPixel = getU16le(p + 28);
    const std::uint32_t compression = getU32le(p + 30);
    std::uint32_t paletteEntries = getU32le(p + 46);
    if (getU16le(p + 26) != 1 || compression != 0 || !isValidDepth(image.bitsPerPixel) || image.width <= 0 ||
        storedHeight == 0 || storedHeight == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    const bool bottomUp = storedHeight > 0;
    image.height = bottomUp ? storedHeight : -storedHeight;

    const std::uint32_t fullPalette = BitmapPaletteEntries(image.bitsPerPixel);
    if (fullPalette == 0)
        paletteEntries = 0;
    else if (paletteEntries == 0)
        paletteEntries = fullPalette;
    if (paletteEntries > fullPalette)
        return std::nullopt;
    const std::uint64_t paletteOffset = kFileHeaderBytes + static_cast<std::uint64_t>(headerBytes);
    if (paletteOffset + 4ull * paletteEntries > size || paletteOffset + 4ull * paletteEntries > bitsOffset)
        return std::nullopt;
    // A short palette is filled up with black, so every index of the depth is valid.
    image.palette.assign(fullPalette, 0);
    for (std::uint32_t i = 0; i < paletteEntries; ++i) {
        const std::uint8_t* entry = p + paletteOffset + 4ull * i;
        image.palette[i] = static_cast<std::uint32_t>(entry[0]) | (static_cast<std::uint32_t>(entry[1]) << 8) |
                           (static_cast<std::uint32_t>(entry[2]) << 16);
    }

    const std::uint64_t rowBytes = BitmapRowBytes(image.width, image.bitsPerPixel);
    if (bitsOffset > size || static_cast<std::uint64_t>(image.height) > (size - bitsOffset) / rowBytes)
        return std::nullopt;
    const std::uint64_t bitsBytes = rowBytes * static_cast<std::uint64_t>(image.height);
    image.bits.resize(static_cast<std::size_t>(bitsBytes));
    for (std::int32_t row = 0; row < image.height; ++row) {
        const std::int32_t stored = bottomUp ? image.height - 1 - row : row;
        const std::uint8_t* source = p + bitsOffset + static_cast<std::uint64_t>(stored) * rowBytes;
        std::copy(source, source + rowBytes, image.bits.data() + static_cast<std::uint64_t>(row) * rowBytes);
    }
    return image;
}

bool SaveBitmapFile(app::Workspace& workspace, const std::filesystem::path& path, const BitmapImage& image)
{
    if (path.empty())
        return false;
    auto file = EncodeBitmapFile(image);
    if (!file || !io::writeFileAtomically(path, *file)) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        return false;
    }
    return true;
}

} // namespace vedra::utilities
