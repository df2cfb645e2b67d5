#include "core/utilities/PrintGeometry.h"

#include <gtest/gtest.h>

namespace vedra::utilities {
namespace {

TEST(PrintNames, OnlyALetterOrAnAbsolutePathStartsAPrint)
{
    EXPECT_TRUE(PrintableDocumentName("C_DOCUMENTI_1"));
    EXPECT_TRUE(PrintableDocumentName("nuovotesto.vedra"));
    EXPECT_TRUE(PrintableDocumentName("/home/user/lettera.txt"));
    EXPECT_TRUE(PrintableDocumentName("\xE0 bient\xF4t"));  // cp1252 letters lie above 'A'
    EXPECT_FALSE(PrintableDocumentName(""));
    EXPECT_FALSE(PrintableDocumentName("/"));
    EXPECT_FALSE(PrintableDocumentName("@note"));  // '@' is the character just below 'A'
    EXPECT_FALSE(PrintableDocumentName("1999.txt"));
    EXPECT_FALSE(PrintableDocumentName(" Print"));

    EXPECT_EQ(PrintJobName(""), "(Untitled)");
    EXPECT_EQ(PrintJobName("/tmp/a b.txt"), "/tmp/a b.txt");
}

TEST(PrintNames, TheSelectionIsPrintedInOrderAndNoSelectionPrintsAll)
{
    EXPECT_EQ(PrintedRange(0, 0, 50).start, 0);
    EXPECT_EQ(PrintedRange(0, 0, 50).end, 50);
    // A caret without a selection prints the whole text too.
    EXPECT_EQ(PrintedRange(17, 17, 50).end, 50);
    EXPECT_EQ(PrintedRange(17, 17, 50).start, 0);
    // Selected backwards, and reaching past the end.
    const TextRange backwards = PrintedRange(30, 10, 50);
    EXPECT_EQ(backwards.start, 10);
    EXPECT_EQ(backwards.end, 30);
    const TextRange cut = PrintedRange(45, 80, 50);
    EXPECT_EQ(cut.start, 45);
    EXPECT_EQ(cut.end, 50);
    // The last character alone.
    EXPECT_EQ(PrintedRange(49, 50, 50).start, 49);
    EXPECT_TRUE(PrintedRange(0, 0, 0).empty());
}

TEST(PrintTextArea, WholeInchesLessAnInchOnEverySide)
{
    // A4 at 300 dpi: 2480 x 3507 pixels are 8 x 11 whole inches.
    const TextPageArea a4 = PrintedTextArea(2480, 3507, 300, 300);
    EXPECT_EQ(a4.pageTwips, (PrintRect{0, 0, 8 * 1440, 11 * 1440}));
    EXPECT_EQ(a4.twips, (PrintRect{1440, 1440, 7 * 1440, 10 * 1440}));
    EXPECT_EQ(a4.pixels, (PrintRect{300, 300, 2100, 3000}));
    // Each way on its own resolution.
    const TextPageArea uneven = PrintedTextArea(1200, 2000, 100, 200);
    EXPECT_EQ(uneven.pixels, (PrintRect{100, 200, 1100, 1800}));
    // One pixel short of a whole inch counts one inch less.
    EXPECT_EQ(PrintedTextArea(2999, 3000, 300, 300).pixels, (PrintRect{300, 300, 2400, 2700}));
    // Three inches leave one; less leaves nothing to print on.
    EXPECT_EQ(PrintedTextArea(900, 900, 300, 300).pixels, (PrintRect{300, 300, 600, 600}));
    EXPECT_TRUE(PrintedTextArea(899, 2000, 300, 300).pixels.empty());
    EXPECT_TRUE(PrintedTextArea(2480, 3507, 0, 300).pixels.empty());
}

TEST(PrintPicture, TheZoomSetsTheStartingScale)
{
    EXPECT_DOUBLE_EQ(PrintScaleForZoom(5), 1.5);
    EXPECT_DOUBLE_EQ(PrintScaleForZoom(1), 1);
    EXPECT_DOUBLE_EQ(PrintScaleForZoom(0.5), 0.5);
    EXPECT_DOUBLE_EQ(PrintScaleForZoom(100), 11);

    // A small picture on a large page is printed at 1.5 times its true size,
    // centred: 100 pixels at 100 dpi are one inch, 300 printer pixels at 300 dpi.
    const PictureOnPage placed = FitPictureToPage(5, 100, 60, 100, 100, 2400, 3300, 300, 300);
    ASSERT_TRUE(placed.fits);
    EXPECT_DOUBLE_EQ(placed.scale, 1.5);
    EXPECT_EQ(placed.width, 450);
    EXPECT_EQ(placed.height, 270);
    EXPECT_EQ(placed.left, (2400 - 450) / 2);
    EXPECT_EQ(placed.top, (3300 - 270) / 2);
    // Without a resolution of its own a picture is taken at 96 dpi.
    EXPECT_EQ(FitPictureToPage(1, 96, 96, 0, 0, 2400, 3300, 300, 300).width, 300);
}

TEST(PrintPicture, ALargePictureShrinksInTenthsUntilItFitsThePageLess100)
{
    // 1000 x 500 pixels at the printer's resolution on 800 x 1100: 1000, 900 and 800
    // are wider than 700; at 0.7 the width is 700, which fits exactly.
    PictureOnPage placed = FitPictureToPage(1, 1000, 500, 100, 100, 800, 1100, 100, 100);
    ASSERT_TRUE(placed.fits);
    EXPECT_NEAR(placed.scale, 0.7, 1e-9);
    EXPECT_EQ(placed.width, 700);
    EXPECT_EQ(placed.height, 350);
    EXPECT_EQ(placed.left, 50);
    EXPECT_EQ(placed.top, 375);

    // One pixel more and 0.7 no longer fits: the next step down.
    placed = FitPictureToPage(1, 1000, 500, 100, 100, 799, 1100, 100, 100);
    EXPECT_NEAR(placed.scale, 0.6, 1e-9);
    EXPECT_EQ(placed.width, 600);

    // The height decides for a tall picture; the zoom's 1.5 is where it starts.
    placed = FitPictureToPage(5, 200, 1000, 100, 100, 2000, 1000, 100, 100);
    EXPECT_NEAR(placed.scale, 0.9, 1e-9);
    EXPECT_EQ(placed.height, 900);
    EXPECT_EQ(placed.width, 180);

    // Twelve times the page: the last step above 0 is still too large, so the
    // picture is fitted exactly instead of vanishing.
    placed = FitPictureToPage(1, 12000, 100, 100, 100, 1100, 1100, 100, 100);
    ASSERT_TRUE(placed.fits);
    EXPECT_EQ(placed.width, 1000);
    EXPECT_LE(placed.height, 1000);
    EXPECT_GT(placed.height, 0);
}

TEST(PrintPicture, NothingFitsAPageOf100PixelsOrAPictureOfNone)
{
    EXPECT_FALSE(FitPictureToPage(1, 10, 10, 96, 96, 100, 2000, 300, 300).fits);
    EXPECT_FALSE(FitPictureToPage(1, 0, 10, 96, 96, 2000, 2000, 300, 300).fits);
    EXPECT_FALSE(FitPictureToPage(1, 10, 10, 96, 96, 2000, 2000, 0, 300).fits);
}

TEST(PrintPicture, TheProportionSketchIsWhereTheRulesPutIt)
{
    PictureOnPage placed;
    placed.width = 500;
    placed.height = 750;
    const ProportionSketch sketch = SketchProportion(placed, 1000, 1500);
    // The page: (25, 25) to (200, 200 * 1.5).
    EXPECT_EQ(sketch.page, (PrintRect{25, 25, 200, 300}));
    // u = 500 / 1000 * 200 = 100, v = 750 / 1500 * 300 = 150,
    // x = 117 - 50 = 67, y = 16 - 75 + 150 = 91.
    EXPECT_EQ(sketch.picture, (PrintRect{67, 91, 167, 241}));
}

} // namespace
} // namespace vedra::utilities
