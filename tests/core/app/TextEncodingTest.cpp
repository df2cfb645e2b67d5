#include "core/app/MessageFormat.h"
#include "core/app/TextEncoding.h"

#include <gtest/gtest.h>

namespace vedra::app {
namespace {

TEST(TextEncoding, Utf8LettersBecomeTheirCp1252Bytes)
{
    EXPECT_EQ(utf8ToCp1252("città è più"), "citt\xE0 \xE8 pi\xF9");
    EXPECT_EQ(utf8ToCp1252("€ “x” — Œ"), "\x80 \x93x\x94 \x97 \x8C");
    EXPECT_EQ(utf8ToCp1252("plain ascii"), "plain ascii");
}

TEST(TextEncoding, CharactersWithoutCp1252FormBecomeABlank)
{
    EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b"), "a b");   // a CJK letter
    EXPECT_EQ(utf8ToCp1252("\xF0\x9F\x98\x80"), " ");      // an emoji
}

TEST(TextEncoding, RoundTripThroughUtf8KeepsEveryDefinedByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
            all.push_back(static_cast<char>(b));
    std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), all);
}

TEST(TextEncoding, RejectsMalformedUtf8)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9"));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));               // a cp1252 letter
    EXPECT_FALSE(isValidUtf8("\xC3"));                  // cut sequence
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));              // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));          // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));      // above U+10FFFF
    EXPECT_FALSE(isMultiByteUtf8("ascii only"));
    EXPECT_TRUE(isMultiByteUtf8("\xC3\xA9"));
}

TEST(TextEncoding, DisplayDecodesEachLineByItsOwnForm)
{
    EXPECT_EQ(displayUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(displayUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(displayUtf8("\x81"), "\xEF\xBF\xBD");
}

TEST(MessageFormat, FillsSlotsInOrder)
{
    EXPECT_EQ(formatMessage("files: %ld / %ld", {5L, 9L}), "files: 5 / 9");
    EXPECT_EQ(formatMessage("Il file %s\nesiste già", {std::string_view("a.txt")}), "Il file a.txt\nesiste già");
    EXPECT_EQ(formatMessage("Inserire il disco N.%ld con l'archivio di nome %s.", {3L, std::string_view("C_X_3")}),
              "Inserire il disco N.3 con l'archivio di nome C_X_3.");
}

TEST(MessageFormat, BlankFlagPadsNumbersOnly)
{
    EXPECT_EQ(formatMessage("% ld Inserte% s.", {4L, std::string_view("X")}), " 4 InserteX.");
    EXPECT_EQ(formatMessage("% ld", {-4L}), "-4");
}

TEST(MessageFormat, MissingArgumentsLeaveEmptySlotsAndPercentSignsSurvive)
{
    EXPECT_EQ(formatMessage("a %s b %ld c", {}), "a  b  c");
    EXPECT_EQ(formatMessage("100%% sure, 50% off", {}), "100% sure, 50% off");
    EXPECT_EQ(formatMessage("trailing %", {}), "trailing %");
    EXPECT_EQ(formatMessage("%s", {42L}), "42");
}

} // namespace
} // namespace vedra::app
