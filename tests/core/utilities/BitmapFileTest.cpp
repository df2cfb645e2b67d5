#include "core/utilities/BitmapFile.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/utilities/FunctionGraph.h"
#include "support/GraphRaster.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vedra::utilities {
namespace {

using testing::TempFolder;
using testing::testProbe;

std::string hex(std::string_view bytes)
{
    static const char* kDigits = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

// 2 x 2 at 24 bits: red, green on top; blue, white below. Rows of 6 bytes padded
// to 8.
BitmapImage smallColourImage()
{
    BitmapImage image;
    image.width = 2;
    image.height = 2;
    image.bitsPerPixel = 24;
    image.bits = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    return image;
}

TEST(BitmapFile, GoldenBytesOfA24BitImage)
{
    auto file = EncodeBitmapFile(smallColourImage());
    ASSERT_TRUE(file);
    EXPECT_EQ(hex(*file),
              "424d"        // "BM"
              "46000000"    // file size 70
              "00000000"    // reserved
              "36000000"    // bits at 54
              "28000000"    // info header 40
              "02000000"    // width 2
              "02000000"    // height 2, bottom-up
              "0100"        // planes
              "1800"        // 24 bits
              "00000000"    // no compression
              "10000000"    // 16 bytes of bits
              "00000000" "00000000" "00000000" "00000000"
              "ff0000ffffff0000"    // bottom row first: blue, white, padding
              "0000ff00ff000000");  // then the top row: red, green, padding
}

TEST(BitmapFile, PaletteImageLayout)
{
    BitmapImage image;
    image.width = 3;
    image.height = 1;
    image.bitsPerPixel = 1;
    image.palette = {0x000000, 0x5ECB71};
    image.bits = {0xA0, 0, 0, 0};  // pixels 1, 0, 1
    auto file = EncodeBitmapFile(image);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 14u + 40 + 8 + 4);
    EXPECT_EQ(hex(file->substr(10, 4)), "3e000000");  // 14 + 40 + 4 x 2
    EXPECT_EQ(hex(file->substr(46, 4)), "02000000");
    EXPECT_EQ(hex(file->substr(54, 8)), "00000000" "71cb5e00");
    auto back = DecodeBitmapFile(*file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->palette, image.palette);
    EXPECT_EQ(back->bits, image.bits);
}

TEST(BitmapFile, DepthRoundingAndRowSizes)
{
    EXPECT_EQ(BitmapBitsPerPixel(1, 1), 1);
    EXPECT_EQ(BitmapBitsPerPixel(1, 2), 4);
    EXPECT_EQ(BitmapBitsPerPixel(4, 1), 4);
    EXPECT_EQ(BitmapBitsPerPixel(1, 5), 8);
    EXPECT_EQ(BitmapBitsPerPixel(1, 15), 16);
    EXPECT_EQ(BitmapBitsPerPixel(3, 8), 24);
    EXPECT_EQ(BitmapBitsPerPixel(1, 32), 32);
    EXPECT_EQ(BitmapBitsPerPixel(2, 32), 32);
    EXPECT_EQ(BitmapBitsPerPixel(0, 0), 1);
    EXPECT_EQ(BitmapPaletteEntries(8), 256u);
    EXPECT_EQ(BitmapPaletteEntries(16), 0u);
    EXPECT_EQ(BitmapRowBytes(3, 1), 4u);
    EXPECT_EQ(BitmapRowBytes(33, 1), 8u);
    EXPECT_EQ(BitmapRowBytes(3, 24), 12u);
    EXPECT_EQ(BitmapRowBytes(5, 4), 4u);
}

TEST(BitmapFile, ImagesThatDoNotDescribeThemselvesAreRefused)
{
    BitmapImage image = smallColourImage();
    image.bits.pop_back();
    EXPECT_FALSE(EncodeBitmapFile(image));
    image = smallColourImage();
    image.bitsPerPixel = 12;
    EXPECT_FALSE(EncodeBitmapFile(image));
    image = smallColourImage();
    image.palette = {0};
    EXPECT_FALSE(EncodeBitmapFile(image));
    image = smallColourImage();
    image.height = 0;
    EXPECT_FALSE(EncodeBitmapFile(image));
    image.width = 70000;
    image.height = 70000;
    EXPECT_FALSE(EncodeBitmapFile(image));
}

TEST(BitmapFile, EveryTruncationAndDamagedHeaderIsRefused)
{
    const std::string file = *EncodeBitmapFile(smallColourImage());
    for (std::size_t length = 0; length < file.size(); ++length)
        EXPECT_FALSE(DecodeBitmapFile(file.substr(0, length))) << length;
    // Header fields that would send the reader outside the file or into a format
    // it does not know.
    for (std::size_t at : {0u, 1u, 10u, 11u, 13u, 14u, 17u, 18u, 21u, 22u, 26u, 28u, 30u}) {
        std::string damaged = file;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x80);
        EXPECT_FALSE(DecodeBitmapFile(damaged)) << at;
    }
    // Top-down storage (negative height) reads the same picture.
    std::string topDown = file;
    topDown[22] = static_cast<char>(0xfe);
    topDown[23] = topDown[24] = topDown[25] = static_cast<char>(0xff);
    auto decoded = DecodeBitmapFile(topDown);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->height, 2);
    EXPECT_EQ(decoded->bits[0], 255);  // the stored first row, blue, is now on top
}

// The graph painted by the test painter, saved and read back, keeps its pixels.
TEST(BitmapFile, SavedGraphReadsBackPixelForPixel)
{
    GraphPicture picture = DrawFunctionGraph("x^2", -2, 2, 101, 80);
    testing::GraphRaster raster(picture);
    BitmapImage image;
    image.width = raster.width();
    image.height = raster.height();
    const std::uint64_t rowBytes = BitmapRowBytes(image.width, 24);
    image.bits.assign(rowBytes * static_cast<std::uint64_t>(image.height), 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            GraphColour colour = raster.at(x, y);
            std::uint8_t* pixel = image.bits.data() + static_cast<std::uint64_t>(y) * rowBytes + 3 * x;
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
    const auto path = folder.path() / "graph.bmp";
    ASSERT_TRUE(SaveBitmapFile(workspace, path, image));
    EXPECT_TRUE(host.messages().empty());
    auto back = DecodeBitmapFile(testing::readFile(path));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 101);
    EXPECT_EQ(back->height, 80);
    EXPECT_EQ(back->bits, image.bits);
    // The x = 0 axis, green, in column 50 of the top plot row.
    const std::uint8_t* axisPixel = back->bits.data() + 21 * rowBytes + 3 * 50;
    EXPECT_EQ(axisPixel[1], kGraphAxisColour.green);
}

TEST(BitmapFile, CancelledOrFailedSaves)
{
    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
    EXPECT_FALSE(SaveBitmapFile(workspace, "", smallColourImage()));
    EXPECT_TRUE(host.messages().empty());

    BitmapImage broken = smallColourImage();
    broken.bits.clear();
    EXPECT_FALSE(SaveBitmapFile(workspace, folder.path() / "broken.bmp", broken));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "broken.bmp"));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Writing error.");
    EXPECT_EQ(workspace.BreakCode, app::StopCode::Break);

    workspace.BreakCode = app::StopCode::None;
    EXPECT_FALSE(SaveBitmapFile(workspace, folder.path() / "missing" / "folder" / "x.bmp", smallColourImage()));
    EXPECT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(workspace.BreakCode, app::StopCode::Break);

    // Overwriting replaces the whole file.
    const auto path = folder.path() / "again.bmp";
    testing::writeFile(path, std::string(500, 'x'));
    ASSERT_TRUE(SaveBitmapFile(workspace, path, smallColourImage()));
    EXPECT_EQ(testing::readFile(path), *EncodeBitmapFile(smallColourImage()));
}

} // namespace
} // namespace vedra::utilities
