#include "core/search/PreviewDocumentCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace vedra::search {
namespace {

using namespace std::string_literals;

PreviewDocument sample()
{
    PreviewDocument document;
    document.appendText("la ");
    document.appendMarked("casa", {true, Colour::Blue, false});
    document.appendText(" \xE8 ");  // cp1252 e grave
    document.appendMarked("qui", {false, Colour::Green, true});
    return document;
}

TEST(PreviewDocumentCodec, BytesFollowTheTable)
{
    const std::string expected = "VPD1"s + "\x0D\0\0\0"s + "la casa \xE8 qui"s + "\x02\0\0\0"s +
                                 "\x03\0\0\0"s + "\x04\0\0\0"s + "\x01\x01"s +  // bold blue
                                 "\x0A\0\0\0"s + "\x03\0\0\0"s + "\x02\x03"s;   // underlined green
    EXPECT_EQ(EncodePreviewDocument(sample()), expected);
}

TEST(PreviewDocumentCodec, ARoundTripKeepsTextAndSpans)
{
    const std::optional<PreviewDocument> back = DecodePreviewDocument(EncodePreviewDocument(sample()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text(), sample().text());
    EXPECT_EQ(back->spans(), sample().spans());

    const std::optional<PreviewDocument> empty = DecodePreviewDocument(EncodePreviewDocument(PreviewDocument{}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(PreviewDocumentCodec, EveryTruncationAndTrailingBytesAreRefused)
{
    const std::string bytes = EncodePreviewDocument(sample());
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(DecodePreviewDocument(std::string_view(bytes).substr(0, length))) << length;
    EXPECT_FALSE(DecodePreviewDocument(bytes + "x"));
}

TEST(PreviewDocumentCodec, DamagedFieldsAreRefused)
{
    const std::string bytes = EncodePreviewDocument(sample());
    auto damaged = [&bytes](std::size_t at, char value) {
        std::string copy = bytes;
        copy[at] = value;
        return DecodePreviewDocument(copy);
    };
    EXPECT_FALSE(damaged(0, 'W'));     // tag
    EXPECT_FALSE(damaged(7, '\x7F'));  // a text length far past the end
    EXPECT_FALSE(damaged(21, '\x03')); // three spans announced, two present
    EXPECT_FALSE(damaged(25, '\x0D')); // first span starts at the text's end
    EXPECT_FALSE(damaged(29, '\x0B')); // first span runs past the text
    EXPECT_FALSE(damaged(29, '\0'));   // a span of no characters
    EXPECT_FALSE(damaged(33, '\x04')); // unknown flag
    EXPECT_FALSE(damaged(34, '\x04')); // unknown colour
    // A span that ends on the last character is still good.
    const std::optional<PreviewDocument> last = damaged(29, '\x0A');
    ASSERT_TRUE(last);
    EXPECT_EQ(last->spans()[0].length, 10u);
}

} // namespace
} // namespace vedra::search
