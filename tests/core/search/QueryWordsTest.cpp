// The query parser against the word rules it shares with the indexer: elision,
// folding, the cut and the trim, short words, stop words, the ten-word limit and the
// control character that ends the text, and the single-phrase mode.
#include "core/search/QueryWords.h"

#include "core/indexing/StopWordTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vedra::search {
namespace {

class QueryWordsParse : public ::testing::Test {
protected:
    std::vector<std::string> parse(std::string_view text, bool acceptEveryWord = false)
    {
        ParseQueryWords(text, acceptEveryWord, 0, limits, stopWords, table);
        std::vector<std::string> words;
        for (int i = 0; i < table.count; ++i)
            words.push_back(table.words[static_cast<std::size_t>(i)].text);
        return words;
    }

    using Words = std::vector<std::string>;
    QueryLimits limits;
    const indexing::StopWordTree* stopWords = nullptr;
    QueryWordTable table;
};

TEST_F(QueryWordsParse, ElidedArticleAndShortWordsAreDropped)
{
    EXPECT_EQ(parse("l'acqua e la casa"), (Words{"acqua", "casa"}));
    EXPECT_EQ(parse("dell'acqua"), (Words{"acqua"}));
    // A longer run before the apostrophe goes too: elision is by position, not length.
    EXPECT_EQ(parse("quell'albero rock'n'roll"), (Words{"albero", "roll"}));
}

TEST_F(QueryWordsParse, TypographicApostropheElidesToo)
{
    EXPECT_EQ(parse("l\x92"
                    "acqua"),
              (Words{"acqua"}));
}

TEST_F(QueryWordsParse, AccentsAreFoldedAndUnfoldedBytesSeparate)
{
    EXPECT_EQ(parse("Citt\xE0 pi\xF9 perch\xE9"), (Words{"citta", "piu", "perche"}));
    // 0xE1 is not in the folding table: it splits the word and leaves a short "f".
    EXPECT_EQ(parse("F\xE1" "brica"), (Words{"brica"}));
    EXPECT_EQ(parse("F\xE1" "brica", true), (Words{"f", "brica"}));
}

TEST_F(QueryWordsParse, UpperCaseIsLoweredAndPunctuationSeparates)
{
    EXPECT_EQ(parse("CASA.Tetto,(MURO)"), (Words{"casa", "tetto", "muro"}));
}

TEST_F(QueryWordsParse, LettersAndDigitsFormOneRun)
{
    EXPECT_EQ(parse("abc123 2012abc"), (Words{"abc123", "2012abc"}));
}

TEST_F(QueryWordsParse, ShortWordsFollowTheMinimumLength)
{
    EXPECT_EQ(parse("il of casa"), (Words{"casa"}));
    // Digits have no minimum.
    EXPECT_EQ(parse("7 e 42"), (Words{"7", "42"}));
    EXPECT_EQ(parse("il e", true), (Words{"il", "e"}));

    limits.minWordLength = 3;
    EXPECT_EQ(parse("con casa"), (Words{"casa"}));
    limits.minWordLength = 0;
    EXPECT_EQ(parse("a il"), (Words{"a", "il"}));
}

TEST_F(QueryWordsParse, CapitalisedShortWordsMatchWithoutRegardToCase)
{
    // The indexer kept "DI" as "di"; the user may type it either way.
    EXPECT_EQ(parse("di DI Di"), (Words{"di", "di", "di"}));
    EXPECT_EQ(parse("c ci d i is l m mi vi x"), (Words{"c", "ci", "d", "i", "is", "l", "m", "mi", "vi", "x"}));
    EXPECT_EQ(parse("la v xx"), Words{});
    limits.minWordLength = 3;
    EXPECT_EQ(parse("MI mia"), (Words{"mi"}));
}

TEST_F(QueryWordsParse, RunsAreCutToTheArchiveLength)
{
    limits.maxWordLength = 10;
    EXPECT_EQ(parse("internazionalizzazione casa"), (Words{"internazio", "casa"}));
    EXPECT_EQ(table.words[0].fullLength, 10);
    EXPECT_EQ(table.words[1].fullLength, 4);

    limits.maxWordLength = 16;
    EXPECT_EQ(parse("precipitevolissimevolmente"), (Words{"precipitevolissi"}));
    EXPECT_EQ(table.words[0].fullLength, 16);
}

TEST_F(QueryWordsParse, LetterWordsAboveTheThresholdLoseTheirLastLetter)
{
    limits.maxWordLength = 30;
    EXPECT_EQ(parse("precipitevolissimevolmente"), (Words{"precipitevolissimevolment"}));
    EXPECT_EQ(table.words[0].fullLength, 26);

    EXPECT_EQ(parse("abcdefghijklmnop abcdefghijklmnopq"), (Words{"abcdefghijklmnop", "abcdefghijklmnop"}));
    EXPECT_EQ(table.words[0].fullLength, 16);
    EXPECT_EQ(table.words[1].fullLength, 17);

    // Numbers are never trimmed.
    EXPECT_EQ(parse("12345678901234567890"), (Words{"12345678901234567890"}));
    EXPECT_EQ(table.words[0].fullLength, 20);
}

TEST_F(QueryWordsParse, StopWordsAreDroppedEvenWhenEveryWordIsAccepted)
{
    indexing::StopWordTree tree("the della\r\nper");
    stopWords = &tree;
    EXPECT_EQ(parse("the casa della per"), (Words{"casa"}));
    EXPECT_EQ(parse("THE casa", true), (Words{"casa"}));
    stopWords = nullptr;
    EXPECT_EQ(parse("the casa"), (Words{"the", "casa"}));
}

TEST_F(QueryWordsParse, StopWordsAreMatchedOnTheCutWord)
{
    indexing::StopWordTree tree("dell");
    stopWords = &tree;
    limits.maxWordLength = 4;
    EXPECT_EQ(parse("della casa"), (Words{"casa"}));
}

TEST_F(QueryWordsParse, OnlyTenWordsAreKept)
{
    EXPECT_EQ(parse("uno due tre quattro cinque sei sette otto nove dieci undici dodici"),
              (Words{"uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci"}));
    EXPECT_TRUE(table.words[10].text.empty());
    // Dropped words do not use a place.
    EXPECT_EQ(parse("il uno due tre quattro cinque la sei sette otto nove dieci undici"),
              (Words{"uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci"}));
}

TEST_F(QueryWordsParse, ControlCharacterEndsTheText)
{
    EXPECT_EQ(parse("alpha beta\ngamma"), (Words{"alpha", "beta"}));
    EXPECT_EQ(parse("alpha\tbeta"), (Words{"alpha"}));
    EXPECT_EQ(parse(std::string_view("alpha\0beta", 10)), (Words{"alpha"}));
    EXPECT_EQ(parse("\x1f" "alpha"), Words{});
    EXPECT_EQ(parse("alpha\x7f" "beta"), (Words{"alpha"}));
}

TEST_F(QueryWordsParse, OnlyTheWorkAreaIsRead)
{
    EXPECT_EQ(parse(std::string(1020, ' ') + "abcdef"), (Words{"abc"}));
}

TEST_F(QueryWordsParse, EachParseStartsFromEmptyRecords)
{
    parse("uno due tre");
    table.words[0].postingsHead = 77;
    table.words[0].dictionaryNode = 26004;
    table.words[1].hitPosition = 5;
    EXPECT_EQ(parse("casa"), (Words{"casa"}));
    EXPECT_EQ(table.words[0].postingsHead, 0u);
    EXPECT_EQ(table.words[0].dictionaryNode, 0u);
    EXPECT_TRUE(table.words[1].text.empty());
    EXPECT_EQ(table.words[1].hitPosition, 0u);
    EXPECT_EQ(parse(" ,;. "), Words{});
    EXPECT_EQ(table.count, 0);
}

TEST_F(QueryWordsParse, SinglePhraseModeKeepsTheTextAsOneRecord)
{
    ParseQueryWords("Il Gatto, l'Citt\xE0\n", false, kSinglePhraseMode, limits, nullptr, table);
    ASSERT_EQ(table.count, 1);
    EXPECT_EQ(table.words[0].text, "il gatto, l'citta\n");
    EXPECT_EQ(table.words[0].fullLength, 18);
    EXPECT_TRUE(table.words[1].text.empty());

    ParseQueryWords(std::string(70, 'A'), false, kSinglePhraseMode, limits, nullptr, table);
    ASSERT_EQ(table.count, 1);
    EXPECT_EQ(table.words[0].text, std::string(63, 'a'));

    ParseQueryWords("", false, kSinglePhraseMode, limits, nullptr, table);
    EXPECT_EQ(table.count, 0);
}

TEST(QueryTextConversion, Utf8IsTakenToCp1252SoAccentsFold)
{
    EXPECT_EQ(QueryTextToCp1252("citt\xC3\xA0"), "citt\xE0");
    QueryWordTable table;
    ParseQueryWords(QueryTextToCp1252("citt\xC3\xA0 perch\xC3\xA9"), false, 0, QueryLimits{}, nullptr, table);
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.words[0].text, "citta");
    EXPECT_EQ(table.words[1].text, "perche");
}

TEST(QueryTextConversion, TextThatIsNotUtf8IsKept)
{
    EXPECT_EQ(QueryTextToCp1252("citt\xE0"), "citt\xE0");
    EXPECT_EQ(QueryTextToCp1252("plain"), "plain");
    // A character without a cp1252 form becomes a blank and so separates words.
    QueryWordTable table;
    ParseQueryWords(QueryTextToCp1252("casa\xE2\x82\xBF" "tetto"), false, 0, QueryLimits{}, nullptr, table);
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.words[1].text, "tetto");
}

} // namespace
} // namespace vedra::search
