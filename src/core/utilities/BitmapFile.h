// Bitmap (".bmp") files as the image preview saves them: the picture shown, or the
// clipping cut out of it, written uncompressed with its palette. The window copies
// the pixels into a BitmapImage; the file layout lives here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

struct BitmapImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 24;    // 1, 4, 8, 16, 24 or 32
    std::vector<std::uint32_t> palette; // 0x00RRGGBB; 2^bitsPerPixel entries at 8 bits or fewer, else none
    // Rows from the top down, each BitmapRowBytes long, in the file's pixel order
    // (24 bits: blue, green, red; 16 bits: 5-5-5; 1 to 8 bits: palette indexes,
    // the leftmost pixel in the high bits).
    std::vector<std::uint8_t> bits;
};

// Bits per pixel of a device bitmap: planes x bit count rounded up to 1, 4, 8, 16,
// 24 or 32 (32 for anything larger, 1 for 0 and below).
std::uint16_t BitmapBitsPerPixel(int planes, int bitCount);

// Palette entries a bitmap of that depth carries: 2^bits at 8 bits or fewer, else 0.
std::uint32_t BitmapPaletteEntries(std::uint16_t bitsPerPixel);

// Bytes of one stored row: the pixels rounded up to whole 32-bit words.
std::uint64_t BitmapRowBytes(std::int32_t width, std::uint16_t bitsPerPixel);

// The whole file. Empty optional when the image does not describe itself (sizes
// not above 0, a depth not in the list, a palette or bits of the wrong size, or a
// file that would pass 4 GB).
std::optional<std::string> EncodeBitmapFile(const BitmapImage& image);

// Reads an uncompressed bitmap file (info header of 40 bytes or a later, longer
// one; rows bottom-up or top-down). Empty optional for anything else and for any
// size or offset that does not fit the bytes.
std::optional<BitmapImage> DecodeBitmapFile(std::string_view bytes);

// "Save as Bmp" / "Save clipping" once the window has a path (an empty path is a
// cancelled save dialog: nothing is written, false). An image whose bits cannot be
// described, or a failed write, shows MsgWriteError and sets BreakCode to Break. The
// file is replaced whole or not at all.
bool SaveBitmapFile(app::Workspace& workspace, const std::filesystem::path& path, const BitmapImage& image);

} // namespace vedra::utilities
