#include "core/search/PreviewDocument.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

constexpr SpanStyle kBlueBold{.bold = true, .colour = Colour::Blue};

TEST(PreviewDocument, AppendersKeepTextAndPlaceSpans)
{
    PreviewDocument preview;
    preview.appendText("see ");
    preview.appendMarked("casa", kBlueBold);
    preview.appendText(" now");
    EXPECT_EQ(preview.text(), "see casa now");
    ASSERT_EQ(preview.spans().size(), 1u);
    EXPECT_EQ(preview.spans()[0], (MarkedSpan{4, 4, true, Colour::Blue, false}));

    preview.clear();
    EXPECT_TRUE(preview.empty());
    EXPECT_TRUE(preview.spans().empty());
}

TEST(PreviewDocument, MarkIsClippedToTheText)
{
    PreviewDocument preview;
    preview.appendText("abcdef");
    EXPECT_TRUE(preview.mark(4, 10, {.colour = Colour::Red}));
    EXPECT_FALSE(preview.mark(6, 1, {.colour = Colour::Red}));
    EXPECT_FALSE(preview.mark(2, 0, {.colour = Colour::Red}));
    preview.appendMarked("", kBlueBold);
    ASSERT_EQ(preview.spans().size(), 1u);
    EXPECT_EQ(preview.spans()[0].start, 4u);
    EXPECT_EQ(preview.spans()[0].length, 2u);
}

TEST(PreviewDocument, RenderPutsMarkersAroundSpans)
{
    PreviewDocument preview;
    preview.appendText("one two three");
    preview.mark(8, 5, kBlueBold);
    preview.mark(0, 3, kBlueBold);
    EXPECT_EQ(RenderMarked(preview), "[[one]] two [[three]]");
    EXPECT_EQ(RenderMarked(preview, "<b>", "</b>"), "<b>one</b> two <b>three</b>");
}

TEST(PreviewDocument, RenderNestsAndClosesBeforeOpening)
{
    PreviewDocument preview;
    preview.appendText("abcdefgh");
    preview.mark(2, 2, kBlueBold);             // cd, inside the next one
    preview.mark(0, 6, {.colour = Colour::Green});  // abcdef
    preview.mark(6, 2, kBlueBold);             // gh, starts where abcdef ends
    EXPECT_EQ(RenderMarked(preview, "<", ">"), "<ab<cd>ef><gh>");
}

TEST(PreviewDocument, RenderWithoutSpansIsTheText)
{
    PreviewDocument preview;
    preview.appendText(std::string("a\0b", 3));
    EXPECT_EQ(RenderMarked(preview), std::string("a\0b", 3));
}

} // namespace
} // namespace vedra::search
