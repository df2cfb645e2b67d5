// Escape decoding and accent folding, row by row of their tables, and the rules that
// tie the rows together: order, group leads, the restart after a replacement.
#include "core/web/WebEscapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace vedra::web {
namespace {

std::string decoded(std::string text)
{
    DecodeWebEscapes(text);
    return text;
}

std::string folded(std::string text)
{
    FoldAccents(text);
    return text;
}

struct Row {
    const char* input;
    const char* expected;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << '"' << row.input << '"';
}

// Each row of the replacement table, between letters so that a replacement that
// eats or leaves a neighbour shows.
class WebEscapeTableRow : public ::testing::TestWithParam<Row> {};

TEST_P(WebEscapeTableRow, IsReplacedByItsCharacter)
{
    std::string input = std::string("x") + GetParam().input + "y";
    EXPECT_EQ(decoded(input), std::string("x") + GetParam().expected + "y");
}

INSTANTIATE_TEST_SUITE_P(E2, WebEscapeTableRow,
                         ::testing::Values(Row{"%E2%80%99", " "}, Row{"%E2%80%9B", " "}));
INSTANTIATE_TEST_SUITE_P(E1, WebEscapeTableRow,
                         ::testing::Values(Row{"%E1%B9%9B", "r"}, Row{"%E1%9B%8A", "s"}));
INSTANTIATE_TEST_SUITE_P(C2, WebEscapeTableRow, ::testing::Values(Row{"%C2%BD", " "}, Row{"%C2%AE", " "}));
INSTANTIATE_TEST_SUITE_P(C5, WebEscapeTableRow,
                         ::testing::Values(Row{"%C5%A0", "s"}, Row{"%C5%A1", "S"}, Row{"%C5%AB", "w"},
                                           Row{"%C5%BD", "Z"}, Row{"%C5%BE", "z"}, Row{"%C5%8D", "o"},
                                           Row{"%C5%9A", "s"}, Row{"%C5%9E", "S"}, Row{"%C5%9B", "s"}));
INSTANTIATE_TEST_SUITE_P(C4, WebEscapeTableRow,
                         ::testing::Values(Row{"%C4%AB", "i"}, Row{"%C4%8D", "c"}, Row{"%C4%87", "c"},
                                           Row{"%C4%83", "a"}, Row{"%C4%81", "a"}, Row{"%C4%8C", "C"},
                                           Row{"%C4%9B", "e"}, Row{"%C4%B0", "I"}, Row{"%C4%B1", "i"}));
INSTANTIATE_TEST_SUITE_P(
    C3, WebEscapeTableRow,
    ::testing::Values(Row{"%C3%A0", "a"}, Row{"%C3%A1", "a"}, Row{"%C3%A2", "a"}, Row{"%C3%A3", "a"},
                      Row{"%C3%A4", "a"}, Row{"%C3%80", "A"}, Row{"%C3%81", "A"}, Row{"%C3%A7", "c"},
                      Row{"%C3%9E", " "}, Row{"%C3%A8", "e"}, Row{"%C3%A9", "e"}, Row{"%C3%AB", "e"},
                      Row{"%C3%8D", "I"}, Row{"%C3%AC", "i"}, Row{"%C3%AD", "i"}, Row{"%C3%AE", "i"},
                      Row{"%C3%AF", "i"}, Row{"%C3%BD", "y"}, Row{"%C3%B0", "o"}, Row{"%C3%B1", "n"},
                      Row{"%C3%B2", "o"}, Row{"%C3%B3", "o"}, Row{"%C3%96", "O"}, Row{"%C3%B4", "o"},
                      Row{"%C3%B5", "o"}, Row{"%C3%B6", "o"}, Row{"%C3%93", "O"}, Row{"%C3%B9", "u"},
                      Row{"%C3%BC", "u"}));
// Raw UTF-8 pairs: ù ü û é è ê ë ì í ò ö ô ó ñ ç ä á, and à as the first pair.
INSTANTIATE_TEST_SUITE_P(
    RawPairs, WebEscapeTableRow,
    ::testing::Values(Row{"\xC3\xB9", "u"}, Row{"\xC3\xBC", "u"}, Row{"\xC3\xBB", "u"}, Row{"\xC3\xA9", "e"},
                      Row{"\xC3\xA8", "e"}, Row{"\xC3\xAA", "e"}, Row{"\xC3\xAB", "e"}, Row{"\xC3\xAC", "i"},
                      Row{"\xC3\xAD", "i"}, Row{"\xC3\xB2", "o"}, Row{"\xC3\xB6", "o"}, Row{"\xC3\xB4", "o"},
                      Row{"\xC3\xB3", "o"}, Row{"\xC3\xB1", "n"}, Row{"\xC3\xA7", "c"}, Row{"\xC3\xA4", "a"},
                      Row{"\xC3\xA1", "a"}, Row{"\xC3\xA0", "a"}, Row{"\xC4\x8D", "c"}));
INSTANTIATE_TEST_SUITE_P(Last, WebEscapeTableRow,
                         ::testing::Values(Row{"\xE2\x80\x99", "'"}, Row{"\xE2\x80", "'"}, Row{"%27", " "},
                                           Row{"%26", "&"}, Row{"%3D", "="}));

TEST(DecodeWebEscapes, TwoEscapesInARowAreBothDecoded)
{
    EXPECT_EQ(decoded("%C3%A9%C3%A9"), "ee");
    EXPECT_EQ(decoded("perch%C3%A9%C3%A8%C3%A0!"), "percheea!");
    EXPECT_EQ(decoded("%27%27%26%26%3D%3D"), "  &&==");
    EXPECT_EQ(decoded("\xC3\xA9\xC3\xA9\xC3\xA9"), "eee");
    EXPECT_EQ(decoded("\xE2\x80\x99\xE2\x80\xE2\x80\x99"), "'''");
}

TEST(DecodeWebEscapes, ApostropheEscapeBecomesABlank)
{
    EXPECT_EQ(decoded("l%27amico"), "l amico");
    EXPECT_EQ(decoded("rock%26roll%3Dfun"), "rock&roll=fun");
}

TEST(DecodeWebEscapes, AReplacementNeverStartsOrEndsAMatchOfItsOwnPattern)
{
    // "%C4%8C" gives "C": the text then reads "%C4%8C" again, but the search goes on
    // after the replacement and does not look back.
    EXPECT_EQ(decoded("%%C4%8C4%8C"), "%C4%8C");
    // "%2%27" gives "%2 ": the blank does not join anything.
    EXPECT_EQ(decoded("%2%277"), "%2 7");
}

TEST(DecodeWebEscapes, PatternsRunInTheTableOrder)
{
    // "%C3%80" (6th) makes "A"; "%C3%A9" comes later in the table and sees it.
    EXPECT_EQ(decoded("%C3%%C3%809"), "e");
    // "%C3%81" makes "%C3%A0" too, but that row came before and is not run again.
    EXPECT_EQ(decoded("%C3%%C3%810"), "%C3%A0");
    // The "C" of "%C4%8C" makes a "%C3" lead; the C3 group comes after the C4 one.
    EXPECT_EQ(decoded("%%C4%8C3%A9"), "e");
}

TEST(DecodeWebEscapes, TextWithoutEscapesIsUnchanged)
{
    for (const std::string& text :
         {std::string(), std::string("Citt\xE0 pi\xF9 perch\xE9"), std::string("100% sure, 50%-off, %"),
          std::string("abc\0def\0%", 9), std::string("%41%42 %e2%80%99 %c3%a9 %3d")}) {
        EXPECT_EQ(decoded(text), text);
    }
}

TEST(DecodeWebEscapes, AbsentLeadsOrCutPatternsChangeNothing)
{
    EXPECT_EQ(decoded("%C6%A9 %E3%80%99 %C3 %C3% %C3%A %E2%80%9"), "%C6%A9 %E3%80%99 %C3 %C3% %C3%A %E2%80%9");
    // A pattern missing its last byte at the very end of the text.
    EXPECT_EQ(decoded("caf%C3%A"), "caf%C3%A");
    EXPECT_EQ(decoded("x\xC3"), "x\xC3");
    EXPECT_EQ(decoded("x\xC4"), "x\xC4");
}

TEST(DecodeWebEscapes, NulBytesAreOrdinaryText)
{
    std::string text("a\0%C3%A9\0b%27", 13);
    EXPECT_EQ(decoded(text), std::string("a\0e\0b ", 6));
}

TEST(DecodeWebEscapes, RawPairsOnlyWhenTheFirstC3StartsAPair)
{
    // The first 0xC3 is followed by an ASCII byte: no raw pair is replaced at all.
    EXPECT_EQ(decoded("\xC3x \xC3\xA9"), "\xC3x \xC3\xA9");
    // A pair that is not in the list stays, and later pairs are still replaced.
    EXPECT_EQ(decoded("\xC3\x89 \xC3\xA9"), "\xC3\x89 e");
    // Only a first pair C3 A0 becomes "a"; a later one stays.
    EXPECT_EQ(decoded("\xC3\xA0 \xC3\xA0"), "a \xC3\xA0");
    EXPECT_EQ(decoded("\xC3\xA9 \xC3\xA0"), "e \xC3\xA0");
    // Bytes before the first 0xC3 are kept as they are.
    EXPECT_EQ(decoded("ab\xC3\xB9"), "abu");
}

TEST(DecodeWebEscapes, C4RuleReplacesEveryCopyOfTheFirstPairOnly)
{
    EXPECT_EQ(decoded("\xC4\x8D \xC4\x87 \xC4\x8D"), "c \xC4\x87 c");
    // A 0xC4 before an ASCII byte does not count; the first one before a high byte does.
    EXPECT_EQ(decoded("\xC4x \xC4\x81 \xC4\x81"), "\xC4x c c");
}

TEST(DecodeWebEscapes, LongerApostropheFormWins)
{
    EXPECT_EQ(decoded("l\xE2\x80\x99uomo"), "l'uomo");
    EXPECT_EQ(decoded("l\xE2\x80\x9Cuomo"), "l'\x9Cuomo");
}

TEST(DecodeWebEscapes, PointerFormReturnsTheNewLengthAndLeavesTheRest)
{
    char text[] = "d%C3%A9j%C3%A0 vu";
    std::size_t length = DecodeWebEscapes(text, sizeof text - 1);
    EXPECT_EQ(std::string(text, length), "deja vu");
}

TEST(DecodeWebEscapes, LargeTextWithManyEscapesIsDecodedWhole)
{
    const std::string segment = "Caff%C3%A8 perch%C3%A9 l%27amico d%E2%80%99oro s%C3%AC %26 x%3Dy ";
    const std::string expected = "Caffe perche l amico d oro si & x=y ";
    const std::string plain(997, 'w');
    std::string text;
    std::string want;
    while (text.size() < (2u << 20)) {
        text += segment;
        want += expected;
        text += plain;
        want += plain;
    }
    text += "%C3%A9";
    want += "e";
    DecodeWebEscapes(text);
    ASSERT_EQ(text.size(), want.size());
    EXPECT_TRUE(text == want) << "first difference at "
                              << std::mismatch(text.begin(), text.end(), want.begin()).first - text.begin();
}

// The rules read literally, one pattern at a time with std::string::replace: slow,
// but plain. The decoder's single passes and skipped patterns must give the same text.
class LiteralDecoder {
public:
    static std::string decode(std::string s)
    {
        const std::vector<std::pair<const char*, std::vector<Row>>> groups = {
            {"%E2", {{"%E2%80%99", " "}, {"%E2%80%9B", " "}}},
            {"%E1", {{"%E1%B9%9B", "r"}, {"%E1%9B%8A", "s"}}},
            {"%C2", {{"%C2%BD", " "}, {"%C2%AE", " "}}},
            {"%C5", {{"%C5%A0", "s"}, {"%C5%A1", "S"}, {"%C5%AB", "w"}, {"%C5%BD", "Z"}, {"%C5%BE", "z"},
                     {"%C5%8D", "o"}, {"%C5%9A", "s"}, {"%C5%9E", "S"}, {"%C5%9B", "s"}}},
            {"%C4", {{"%C4%AB", "i"}, {"%C4%8D", "c"}, {"%C4%87", "c"}, {"%C4%83", "a"}, {"%C4%81", "a"},
                     {"%C4%8C", "C"}, {"%C4%9B", "e"}, {"%C4%B0", "I"}, {"%C4%B1", "i"}}},
            {"%C3", {{"%C3%A0", "a"}, {"%C3%A1", "a"}, {"%C3%A2", "a"}, {"%C3%A3", "a"}, {"%C3%A4", "a"},
                     {"%C3%80", "A"}, {"%C3%81", "A"}, {"%C3%A7", "c"}, {"%C3%9E", " "}, {"%C3%A8", "e"},
                     {"%C3%A9", "e"}, {"%C3%AB", "e"}, {"%C3%8D", "I"}, {"%C3%AC", "i"}, {"%C3%AD", "i"},
                     {"%C3%AE", "i"}, {"%C3%AF", "i"}, {"%C3%BD", "y"}, {"%C3%B0", "o"}, {"%C3%B1", "n"},
                     {"%C3%B2", "o"}, {"%C3%B3", "o"}, {"%C3%96", "O"}, {"%C3%B4", "o"}, {"%C3%B5", "o"},
                     {"%C3%B6", "o"}, {"%C3%93", "O"}, {"%C3%B9", "u"}, {"%C3%BC", "u"}}},
        };
        for (const auto& [lead, rows] : groups) {
            std::size_t start = s.find(lead);
            if (start == std::string::npos)
                continue;
            for (const Row& row : rows)
                replaceAll(s, row.input, row.expected[0], start);
        }
        std::size_t first = s.find('\xC3');
        if (first != std::string::npos && first + 1 < s.size() && (s[first + 1] & 0x80)) {
            bool firstIsGrave = static_cast<unsigned char>(s[first + 1]) == 0xA0;
            const std::vector<Row> pairs = {
                {"\xC3\xB9", "u"}, {"\xC3\xBC", "u"}, {"\xC3\xBB", "u"}, {"\xC3\xA9", "e"}, {"\xC3\xA8", "e"},
                {"\xC3\xAA", "e"}, {"\xC3\xAB", "e"}, {"\xC3\xAC", "i"}, {"\xC3\xAD", "i"}, {"\xC3\xB2", "o"},
                {"\xC3\xB6", "o"}, {"\xC3\xB4", "o"}, {"\xC3\xB3", "o"}, {"\xC3\xB1", "n"}, {"\xC3\xA7", "c"},
                {"\xC3\xA4", "a"}, {"\xC3\xA1", "a"}};
            for (const Row& pair : pairs)
                replaceAll(s, pair.input, pair.expected[0], first);
            if (firstIsGrave)
                s.replace(first, 2, "a");
        }
        for (std::size_t at = s.find('\xC4'); at != std::string::npos && at + 1 < s.size();
             at = s.find('\xC4', at + 1)) {
            if (s[at + 1] & 0x80) {
                replaceAll(s, s.substr(at, 2), 'c', at);
                break;
            }
        }
        replaceAll(s, "\xE2\x80\x99", '\'', 0);
        replaceAll(s, "\xE2\x80", '\'', 0);
        replaceAll(s, "%27", ' ', 0);
        replaceAll(s, "%26", '&', 0);
        replaceAll(s, "%3D", '=', 0);
        return s;
    }

private:
    static void replaceAll(std::string& s, const std::string& pattern, char by, std::size_t from)
    {
        for (std::size_t at = s.find(pattern, from); at != std::string::npos; at = s.find(pattern, at + 1))
            s.replace(at, pattern.size(), 1, by);
    }
};

TEST(DecodeWebEscapes, SameTextAsTheRulesAppliedOneByOne)
{
    // Fragments that make escapes, near-escapes, raw pairs and replacements that
    // complete other patterns.
    const std::vector<std::string> fragments = {
        "%", "%C3%", "%C4%", "%C5%", "%C2%", "%E2%", "%E1%", "%E2%80%", "C3", "C4", "A9", "A0", "80", "81", "8C",
        "99", "9B", "27", "26", "3D", "4", "A", "C", "x", " ", "\xC3", "\xC4", "\xE2", "\x80", "\x99", "\xA0",
        "\xA9", "\xB9", "\x8D", std::string(1, '\0')};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::uniform_int_distribution<int> count(1, 16);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = count(random); n > 0; --n)
            text += fragments[pick(random)];
        std::string expected = LiteralDecoder::decode(text);
        std::string actual = text;
        DecodeWebEscapes(actual);
        ASSERT_EQ(actual, expected) << "input: " << ::testing::PrintToString(text);
    }
}

TEST(WebFoldAccents, EveryRowOfTheTable)
{
    const std::vector<std::pair<unsigned char, char>> rows = {
        {0xE0, 'a'}, {0xE2, 'a'}, {0xE4, 'a'}, {0xC4, 'a'}, {0xF4, 'o'}, {0xF2, 'o'}, {0xF6, 'o'},
        {0xD6, 'o'}, {0xEF, 'i'}, {0xCF, 'i'}, {0xEC, 'i'}, {0xEE, 'i'}, {0xF9, 'u'}, {0xFC, 'u'},
        {0xDC, 'u'}, {0xFB, 'u'}, {0xF1, 'n'}, {0xCA, 'e'}, {0xCB, 'e'}, {0xEA, 'e'}, {0xE8, 'e'},
        {0xE9, 'e'}, {0xEB, 'e'}};
    for (auto [byte, letter] : rows)
        EXPECT_EQ(folded(std::string(1, static_cast<char>(byte))), std::string(1, letter)) << std::hex << int(byte);

    for (unsigned byte = 0; byte < 256; ++byte) {
        bool inTable = std::any_of(rows.begin(), rows.end(), [&](auto row) { return row.first == byte; });
        if (!inTable) {
            EXPECT_EQ(folded(std::string(1, static_cast<char>(byte))), std::string(1, static_cast<char>(byte)))
                << std::hex << byte;
        }
    }
}

TEST(WebFoldAccents, EveryByteInOneLongText)
{
    // All 256 bytes in one text, twice at different alignments, so that blocks with
    // and without high bytes are both met.
    std::string text;
    std::string want;
    for (int pass = 0; pass < 2; ++pass) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            text += static_cast<char>(byte);
            want += folded(std::string(1, static_cast<char>(byte)));
        }
        text += "abc";
        want += "abc";
    }
    EXPECT_EQ(folded(text), want);
    EXPECT_EQ(folded("plain ascii text, long enough for blocks \xE8 and a tail \xE0"),
              "plain ascii text, long enough for blocks e and a tail a");
}

TEST(WebFoldAccents, AcuteVowelsAndOtherCapitalsStay)
{
    // á í ó ú À È É
    const std::string kept = "\xE1\xED\xF3\xFA\xC0\xC8\xC9";
    EXPECT_EQ(folded(kept), kept);
    EXPECT_EQ(folded("Citt\xE0 pi\xF9 perch\xE9 F\xE1" "brica"), "Citta piu perche F\xE1" "brica");
}

TEST(WebFoldAccents, OnlyTheGivenLengthIsFolded)
{
    char text[] = "\xE0\xE0\xE0";
    FoldAccents(text, 2);
    EXPECT_EQ(std::string(text), "aa\xE0");
}

} // namespace
} // namespace vedra::web
