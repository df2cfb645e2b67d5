#include "core/search/HitFinder.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>

namespace vedra::search {
namespace {

using testing::TempFolder;
using testing::testProbe;
using testing::writeFile;

// A query word as the query parser gives it: shortened by one past 16 letters.
HitWord queryWord(std::string word)
{
    HitWord hit;
    hit.fullLength = static_cast<int>(word.size());
    if (word.size() > 16)
        word.pop_back();
    hit.text = word;
    return hit;
}

class HitSearch : public ::testing::Test {
protected:
    // Writes `content`, reads its first block and searches it from 0.
    bool find(const std::string& content, std::vector<HitWord> query, HitOptions options = {},
              std::size_t blockBytes = 4096)
    {
        writeFile(folder.path() / "doc.txt", content);
        file = io::FileHandle::open(folder.path() / "doc.txt", io::OpenMode::ReadOnly);
        EXPECT_TRUE(file.has_value());
        ReadTextBlock(workspace, *file, 0, ReadMode::Search, BinaryMode::Text, blockBytes, block);
        finder.emplace(workspace, *file, block, options, ReadMode::Search, BinaryMode::Text, blockBytes);
        words = std::move(query);
        return finder->FindNextHit(words, 0);
    }

    const HitWord& word(const std::string& text) const
    {
        for (const HitWord& w : words) {
            if (w.text == text)
                return w;
        }
        throw std::runtime_error("no word " + text);
    }

    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
    std::optional<io::FileHandle> file;
    TextBlock block;
    std::optional<HitFinder> finder;
    std::vector<HitWord> words;
};

TEST_F(HitSearch, ShortWordMustBeWhole)
{
    EXPECT_FALSE(find("il casale antico", {queryWord("casa")}));
    EXPECT_FALSE(find("la mia_casa9", {queryWord("casa")}));
    EXPECT_FALSE(find("una bellacasa", {queryWord("casa")}));

    ASSERT_TRUE(find("il casale e la Casa.", {queryWord("casa")}));
    EXPECT_EQ(words[0].hitOffset, 15u);
    EXPECT_EQ(words[0].hitPosition, 15);
    EXPECT_EQ(finder->searchPosition(), 19u);

    HitOptions wordsOr;
    wordsOr.wordsOr = true;
    ASSERT_TRUE(find("il casale", {queryWord("casa")}, wordsOr));
    EXPECT_EQ(words[0].hitOffset, 3u);
}

TEST_F(HitSearch, WordOfSixteenLettersIsWholeLongerOneIsPrefix)
{
    // 16 letters: still a whole word.
    EXPECT_FALSE(find("centralizzazionex", {queryWord("centralizzazione")}));
    EXPECT_TRUE(find("la centralizzazione.", {queryWord("centralizzazione")}));

    // 17 letters: shortened to 16, it matches any word starting with those letters.
    HitWord shortened = queryWord("internazionalismo");
    ASSERT_EQ(shortened.text, "internazionalism");
    ASSERT_TRUE(find("gli internazionalismi di ieri", {shortened}));
    EXPECT_EQ(words[0].hitOffset, 4u);
    EXPECT_FALSE(find("antiinternazionalismo", {shortened}));
}

TEST_F(HitSearch, AWordCutToTheArchivesLengthMatchesAsAPrefix)
{
    // With the default limits a long word is cut to 16 letters and never shortened:
    // the dictionary holds it cut, so the text must be searched for it as a prefix.
    QueryWordTable table;
    ParseQueryWords("internazionalizzazione centralizzazione", false, 0, {}, nullptr, table);
    std::vector<HitWord> query = HitWordsFrom(table);
    ASSERT_EQ(query.size(), 2u);
    EXPECT_EQ(query[0].text, "internazionalizz");
    EXPECT_TRUE(query[0].cut);
    EXPECT_FALSE(query[1].cut) << "exactly 16 letters: a whole word";
    HitOptions orWords;
    orWords.andWords = false;
    EXPECT_TRUE(find("la internazionalizzazione del software", {query[0]}, orWords));
    EXPECT_FALSE(find("la centralizzazionex", {query[1]}, orWords));
}

TEST_F(HitSearch, SameWordTwiceNeedsTwoOccurrences)
{
    // The second record may not take the place of an equal word already placed.
    EXPECT_FALSE(find("casa e poi niente", {queryWord("casa"), queryWord("casa")}));
    ASSERT_TRUE(find("casa e poi casa", {queryWord("casa"), queryWord("casa")}));
    EXPECT_EQ(words[0].hitOffset, 0u);
    EXPECT_EQ(words[1].hitOffset, 11u);
}

TEST_F(HitSearch, AndOffTakesAnyWordAndSortsUnplacedFirst)
{
    HitOptions options;
    options.andWords = false;
    ASSERT_TRUE(find("solo beta qui", {queryWord("alfa"), queryWord("beta")}, options));
    EXPECT_FALSE(words[0].placed());
    EXPECT_EQ(words[1].text, "beta");
    EXPECT_EQ(words[1].hitOffset, 5u);

    EXPECT_FALSE(find("niente qui", {queryWord("alfa"), queryWord("beta")}, options));
}

TEST_F(HitSearch, AndWithoutContiguityNeedsEveryWordAnywhere)
{
    std::string text = "mario" + std::string(300, ' ') + "rossi";
    ASSERT_TRUE(find(text, {queryWord("rossi"), queryWord("mario")}));
    EXPECT_EQ(words[0].text, "mario");
    EXPECT_EQ(words[1].hitOffset, 305u);
    EXPECT_FALSE(find("mario verdi", {queryWord("rossi"), queryWord("mario")}));
}

class HitContiguity : public HitSearch {
protected:
    static HitOptions contiguous()
    {
        HitOptions options;
        options.contiguity = true;
        options.contiguityDistance = 20;
        return options;
    }
};

TEST_F(HitContiguity, ReversedNamesWithinTheSpan)
{
    ASSERT_TRUE(find("Il sig. Mario Rossi, Roma", {queryWord("rossi"), queryWord("mario")}, contiguous()));
    EXPECT_EQ(words[0].text, "mario");
    EXPECT_EQ(words[0].hitOffset, 8u);
    EXPECT_EQ(words[1].text, "rossi");
    EXPECT_EQ(words[1].hitOffset, 14u);
    EXPECT_EQ(finder->searchPosition(), 19u);
}

TEST_F(HitContiguity, SpanIsLengthsPlusDistance)
{
    // 5 + 5 + 20 = 30 between the first letters is allowed; 31 is not.
    EXPECT_TRUE(find("mario" + std::string(25, ' ') + "rossi", {queryWord("rossi"), queryWord("mario")},
                     contiguous()));
    EXPECT_FALSE(find("mario" + std::string(26, ' ') + "rossi", {queryWord("rossi"), queryWord("mario")},
                      contiguous()));
    // Without contiguity the distance does not matter.
    EXPECT_TRUE(find("mario" + std::string(26, ' ') + "rossi", {queryWord("rossi"), queryWord("mario")}));
}

TEST_F(HitContiguity, FarPairIsSkippedForALaterCloseOne)
{
    std::string text = "mario" + std::string(100, '.') + "rossi e mario bianchi";
    ASSERT_TRUE(find(text, {queryWord("mario"), queryWord("rossi")}, contiguous()));
    EXPECT_EQ(word("rossi").hitOffset, 105u);
    EXPECT_EQ(word("mario").hitOffset, 113u);
    EXPECT_EQ(words[1].text, "mario");  // reordered by position
}

TEST_F(HitContiguity, GroupCrossingTheBlockBorderIsFound)
{
    // Blocks of 64 bytes: "mario" lies in the first block, "rossi" is cut by its end.
    std::string text = std::string(55, '.') + "mario rossi" + std::string(40, '.');
    ASSERT_TRUE(find(text, {queryWord("rossi"), queryWord("mario")}, contiguous(), 64));
    EXPECT_EQ(word("mario").hitPosition, 55);
    EXPECT_EQ(word("rossi").hitPosition, 61);
    EXPECT_EQ(block.base(), 55);
    EXPECT_EQ(word("mario").hitOffset, 0u);
}

TEST_F(HitContiguity, GroupInALaterBlockIsFound)
{
    std::string text = "mario " + std::string(200, '.') + " rossi mario " + std::string(200, '.');
    ASSERT_TRUE(find(text, {queryWord("rossi"), queryWord("mario")}, contiguous(), 64));
    EXPECT_EQ(word("rossi").hitPosition, 207);
    EXPECT_EQ(word("mario").hitPosition, 213);
    EXPECT_FALSE(finder->FindNextHit(words, finder->searchPosition()));
}

TEST_F(HitSearch, WordCutByTheBlockEndIsReadAgain)
{
    std::string text = std::string(60, ' ') + "Verdi" + std::string(10, ' ');
    ASSERT_TRUE(find(text, {queryWord("verdi")}, {}, 64));
    EXPECT_EQ(words[0].hitPosition, 60);
    EXPECT_EQ(block.base(), 60);
}

TEST_F(HitSearch, Utf8DocumentIsTranscodedAndFolded)
{
    ASSERT_TRUE(find("La Citt\xC3\xA0 \xC3\xA8 bella", {queryWord("citta"), queryWord("bella")}));
    EXPECT_EQ(block.text(), "la citta e bella");
    EXPECT_EQ(word("citta").hitPosition, 3);
    // Positions are file bytes: two two-byte letters lie before "bella".
    EXPECT_EQ(word("bella").hitOffset, 11u);
    EXPECT_EQ(word("bella").hitPosition, 13);
}

TEST_F(HitSearch, EmptyFirstWordCountsAsFound)
{
    EXPECT_TRUE(find("anything", {HitWord{}}));
    EXPECT_FALSE(words[0].placed());
}

class HitBlockReading : public HitSearch {
protected:
    std::size_t read(const std::string& content, std::int64_t position, ReadMode mode, BinaryMode binary,
                     std::size_t bytes)
    {
        writeFile(folder.path() / "block.bin", content);
        file = io::FileHandle::open(folder.path() / "block.bin", io::OpenMode::ReadOnly);
        EXPECT_TRUE(file.has_value());
        return ReadTextBlock(workspace, *file, position, mode, binary, bytes, block);
    }
};

TEST_F(HitBlockReading, ModesAndNuls)
{
    std::string content("Ab\0C\0\0d", 7);
    EXPECT_EQ(read(content, 0, ReadMode::Plain, BinaryMode::Text, 100), 7u);
    EXPECT_EQ(block.text(), "Ab C  d");
    read(content, 0, ReadMode::Search, BinaryMode::Text, 100);
    EXPECT_EQ(block.text(), "ab c  d");
    read(content, 0, ReadMode::Plain, BinaryMode::Squeeze, 100);
    EXPECT_EQ(block.text(), "AbC d");
    read(content, 0, ReadMode::Plain, BinaryMode::Keep, 100);
    EXPECT_EQ(block.text(), content);
    EXPECT_TRUE(block.reachesEnd());
}

TEST_F(HitBlockReading, PositionAtOrPastTheEndReadsNothing)
{
    EXPECT_EQ(read("abc", 3, ReadMode::Plain, BinaryMode::Text, 100), 0u);
    EXPECT_EQ(read("abc", 50, ReadMode::Plain, BinaryMode::Text, 100), 0u);
    EXPECT_TRUE(block.text().empty());
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(HitBlockReading, BlockNeverEndsInsideASequence)
{
    // "ab" then U+00E0 (2 bytes): a 3-byte block would cut it.
    EXPECT_EQ(read("ab\xC3\xA0 cd", 0, ReadMode::Plain, BinaryMode::Text, 3), 2u);
    EXPECT_EQ(block.text(), "ab");
    EXPECT_EQ(block.nextPosition(), 2);
    EXPECT_EQ(read("ab\xC3\xA0 cd", 2, ReadMode::Plain, BinaryMode::Text, 3), 2u);
    EXPECT_EQ(block.text(), "\xE0 ");
    EXPECT_EQ(block.nextPosition(), 5);
}

TEST_F(HitBlockReading, SearchModeGivesBackTheCutWord)
{
    EXPECT_EQ(read("uno due tre", 0, ReadMode::Search, BinaryMode::Text, 9), 8u);
    EXPECT_EQ(block.text(), "uno due ");
    EXPECT_EQ(block.nextPosition(), 8);
    // A block made only of letters is kept rather than never moving on.
    EXPECT_EQ(read("abcdefgh", 0, ReadMode::Search, BinaryMode::Text, 4), 4u);
    EXPECT_EQ(block.nextPosition(), 4);
}

TEST(MarkHitsTest, MarksEveryOccurrenceBoldBlue)
{
    PreviewDocument preview;
    preview.appendText("Casa, casale e CASA. Internazionalismi");
    std::vector<HitWord> words = {queryWord("casa"), queryWord("internazionalismo")};
    EXPECT_EQ(MarkHits(preview, words, 16, false), 0u);
    EXPECT_EQ(RenderMarked(preview), "[[Casa]], [[casa]]le e [[CASA]]. [[Internazionalismi]]");

    PreviewDocument notes;
    notes.appendText("Casa, casale e CASA.");
    EXPECT_EQ(MarkHits(notes, {queryWord("casa")}, 16, true), 0u);
    EXPECT_EQ(RenderMarked(notes), "[[Casa]], casale e [[CASA]].");
    EXPECT_EQ(MarkHits(notes, {queryWord("zzz")}, 16, true), std::string::npos);
}

} // namespace
} // namespace vedra::search
