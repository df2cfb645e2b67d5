// The query parser against the word rules it shares with the indexer: elision,
// folding, the cut and the trim, short words, stop words, the ten-word limit and the
// control character that ends the text, and the single-phrase mode.
#include "core/search/QueryWords.h"

#include "core/app/MessageTable.h"
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


// The index words: what the archive registered for a typed run, cut as the indexer
// cuts, and what the parse left out.
class QueryIndexWords : public QueryWordsParse {
protected:
    std::vector<Words> indexWords(std::string_view text)
    {
        parse(text);
        std::vector<Words> all;
        for (int i = 0; i < table.count; ++i)
            all.push_back(table.words[static_cast<std::size_t>(i)].indexWords);
        return all;
    }

    std::vector<std::string> dropped() const
    {
        static const char* const kReasons[] = {"short", "stop", "after", "past"};
        std::vector<std::string> out;
        for (const DroppedWord& word : table.dropped)
            out.push_back(word.text + ":" + kReasons[static_cast<int>(word.reason)] + ":" +
                          std::to_string(word.partOf));
        return out;
    }
};

TEST_F(QueryIndexWords, ARunMixingLettersAndDigitsIsCutWhereTheIndexerCutsIt)
{
    EXPECT_EQ(indexWords("amd64 ext4 iso9660"), (std::vector<Words>{{"amd", "64"}, {"ext", "4"}, {"iso", "9660"}}));
    // The record keeps the run whole: the hit search finds it whole in the text.
    EXPECT_EQ(table.words[0].text, "amd64");
    EXPECT_EQ(indexWords("2012abc AMD64"), (std::vector<Words>{{"2012", "abc"}, {"amd", "64"}}));
    EXPECT_EQ(indexWords("a1b2c3d4"), (std::vector<Words>{Words{}})) << "every letter a short word";
    EXPECT_EQ(indexWords("abc1abc1 9a"), (std::vector<Words>{{"abc", "1"}, {"9"}})) << "each part once";
    EXPECT_EQ(dropped(), (std::vector<std::string>{"a:short:1"}));
}

TEST_F(QueryIndexWords, AShortPartHidesTheDigitAfterItAsInTheIndex)
{
    EXPECT_EQ(indexWords("x86_64"), (std::vector<Words>{{"6"}, {"64"}}));
    EXPECT_EQ(dropped(), (std::vector<std::string>{"x:short:0", "8:after:0"}));
    // A capitalised short part is not asked for: the document may have written it small.
    EXPECT_EQ(indexWords("X86"), (std::vector<Words>{{"6"}}));
    EXPECT_EQ(indexWords("ab1"), (std::vector<Words>{Words{}}));
    EXPECT_EQ(dropped(), (std::vector<std::string>{"ab:short:0", "1:after:0"}));
    limits.minWordLength = 3;
    EXPECT_EQ(indexWords("abc1 abcd1"), (std::vector<Words>{Words{}, {"abcd", "1"}}));
}

TEST_F(QueryIndexWords, PartsAreCutToTheArchiveLengthAndStopWordsLeftOut)
{
    indexing::StopWordTree tree("the 100");
    stopWords = &tree;
    EXPECT_EQ(indexWords("the1 abc100"), (std::vector<Words>{{"1"}, {"abc"}}));
    EXPECT_EQ(dropped(), (std::vector<std::string>{"the:stop:0", "100:stop:1"}));
    stopWords = nullptr;

    // The letters past the cut do not hide the digits after them.
    EXPECT_EQ(indexWords("abcdefghijklmnopqrstu123"), (std::vector<Words>{{"abcdefghijklmnop", "123"}}));
    EXPECT_EQ(table.words[0].text, "abcdefghijklmnop");
    limits.maxWordLength = 4;
    EXPECT_EQ(indexWords("abcdef123456"), (std::vector<Words>{{"abcd", "1234"}}));
}

TEST_F(QueryIndexWords, ATrimmedWordIsLookedUpAsTheIndexerKeptIt)
{
    limits.maxWordLength = 20;
    EXPECT_EQ(indexWords("internationalizing precipitevolissimevolmente"),
              (std::vector<Words>{{"internationalizing"}, {"precipitevolissimevo"}}));
    EXPECT_EQ(table.words[0].text, "internationalizin") << "the record keeps its trim for the hit search";
}

TEST_F(QueryIndexWords, WordsLeftOutAreListedInTypedOrder)
{
    indexing::StopWordTree tree("the");
    stopWords = &tree;
    parse("of the l'acqua uno due tre quattro cinque sei sette otto nove dieci undici to dodici");
    EXPECT_EQ(table.count, 10);
    EXPECT_EQ(dropped(), (std::vector<std::string>{"of:short:-1", "the:stop:-1", "dieci:past:-1", "undici:past:-1",
                                                   "to:short:-1", "dodici:past:-1"}))
        << "the elided article is meant to go and is not listed";
}

class QueryNoticeText : public QueryWordsParse {
protected:
    std::string notice(std::string_view text, bool indexWords = true, int language = 1)
    {
        parse(text);
        return QueryNotice(table, indexWords, app::MessageTable(language));
    }
};

TEST_F(QueryNoticeText, NothingIsSaidWhenEveryWordIsSearchedAsTyped)
{
    EXPECT_EQ(notice("kernel 2012 citt\xE0 DI"), "");
    EXPECT_EQ(notice("l'acqua"), "");
    limits.maxWordLength = 20;
    EXPECT_EQ(notice("internationalizing"), "") << "the trim is the hit search's, not the lookup's";
}

TEST_F(QueryNoticeText, SaysWhatWasSearchedAndWhatWasLeftOut)
{
    EXPECT_EQ(notice("amd64 linux"), "Searched for: amd 64 linux.");
    EXPECT_EQ(notice("x86_64 X86_64"),
              "Searched for: 6 64 6 64. Not searched: x (too short), 8 (after a short word).");
    EXPECT_EQ(notice("F\xE1" "brica"), "Searched for: brica. Not searched: f (too short).");
    EXPECT_EQ(notice("supercalifragilisticexpialidocious"), "Searched for: supercalifragili.");
    EXPECT_EQ(notice("of"), "No word to search. Not searched: of (too short).");
    EXPECT_EQ(notice("ab1"), "No word to search. Not searched: ab (too short), 1 (after a short word).");
    EXPECT_EQ(notice("uno due tre quattro cinque sei sette otto nove dieci undici"),
              "Searched for: uno due tre quattro cinque sei sette otto nove dieci. "
              "Not searched: undici (past the tenth word).");
}

TEST_F(QueryNoticeText, TextSearchesTakeTheRunWholeAndNameOnlyTypedWords)
{
    EXPECT_EQ(notice("amd64 linux", false), "");
    EXPECT_EQ(notice("x86_64 of", false), "Searched for: x86 64. Not searched: of (too short).");
    EXPECT_EQ(notice("supercalifragilisticexpialidocious", false), "Searched for: supercalifragili.");
}

TEST_F(QueryNoticeText, FollowsTheLanguage)
{
    EXPECT_EQ(notice("x86 the", true, 0),
              "Cercate: 6 the. Non cercate: x (troppo corta), 8 (dopo una parola corta).");
    EXPECT_EQ(notice("of amd64", true, 2), "Buscadas: amd 64. No buscadas: of (demasiado corta).");
    indexing::StopWordTree tree("the");
    stopWords = &tree;
    EXPECT_EQ(notice("the", true, 0), "Nessuna parola da cercare. Non cercate: the (parola esclusa).");
    EXPECT_EQ(notice("the", true, 2), "Ninguna palabra que buscar. No buscadas: the (palabra excluida).");
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
