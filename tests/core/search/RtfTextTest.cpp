#include "core/search/RtfText.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

TEST(RtfText, TablesAreSkippedAndParagraphsBreakLines)
{
    PreviewDocument text = ReadRtfText(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\*\\generator Writer;}"
        "{\\info{\\title Intro}}\\f0\\fs20 Benvenuti\\par in Vedra\\line riga\\tab fine}");
    EXPECT_EQ(text.text(), "Benvenuti\nin Vedra\nriga\tfine");
    EXPECT_TRUE(text.spans().empty());
}

TEST(RtfText, BoldUnderlineAndPreviewColoursBecomeSpans)
{
    PreviewDocument text = ReadRtfText("{\\rtf1{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue200;"
                                       "\\red128\\green128\\blue128;}"
                                       "a {\\b grassetto} b \\cf1 rosso\\cf0  c \\cf2\\ul blu\\ulnone\\cf3  grigio}");
    EXPECT_EQ(text.text(), "a grassetto b rosso c blu grigio");
    ASSERT_EQ(text.spans().size(), 3u);
    EXPECT_EQ(text.spans()[0], (MarkedSpan{2, 9, true, Colour::None, false}));
    EXPECT_EQ(text.spans()[1], (MarkedSpan{14, 5, false, Colour::Red, false}));
    EXPECT_EQ(text.spans()[2], (MarkedSpan{22, 3, false, Colour::Blue, true}));
}

TEST(RtfText, EscapesGiveCp1252Bytes)
{
    // \'e0 is "à" in cp1252; \u233 is "é" with "?" as its fallback, which is skipped.
    PreviewDocument text = ReadRtfText("{\\rtf1 citt\\'e0 caf\\u233?\\~\\{x\\}\\\\ \\u8364? \\u20013?}");
    EXPECT_EQ(text.text(), "citt\xE0 caf\xE9 {x}\\ \x80 ?");
}

TEST(RtfText, DamagedOrPlainInputNeverLosesTheText)
{
    // Unclosed groups, a cut escape and a huge \bin length end at the input's end.
    EXPECT_EQ(ReadRtfText("{\\rtf1 {\\b aperto").text(), "aperto");
    EXPECT_EQ(ReadRtfText("{\\rtf1 x}}} y\\'4").text(), "x y");
    EXPECT_EQ(ReadRtfText("{\\rtf1 a\\bin999999999 hidden").text(), "a");
    EXPECT_EQ(ReadRtfText("{\\rtf1 z\\").text(), "z");
    EXPECT_EQ(ReadRtfText("solo testo\n").text(), "solo testo\n");
}

} // namespace
} // namespace vedra::search
