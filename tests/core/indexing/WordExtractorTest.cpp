// Word extraction against a real archive in a temporary folder: what a chunk of
// text leaves in the word tree, the postings and the document's word list.
#include "core/indexing/WordExtractor.h"

#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vedra::indexing {
namespace {

using archive::packShortWord;
using testing::ArchiveFixture;
using Words = std::vector<std::uint32_t>;

class WordExtraction : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fx.openForIndexing());
        extractor = std::make_unique<WordExtractor>(*fx.workspace, *fx.store);
        ASSERT_TRUE(extractor->loadStopWords());
        // Most cases look at tokens, not at roots; the root filter has its own cases.
        extractor->setRootFilter(false);
        begin(1);
    }

    void begin(std::uint32_t document, Words previous = {})
    {
        extractor->beginDocument(document, std::move(previous));
        listStart = fx.store->wordListEnd();
    }

    // Indexes `text` as one chunk and returns the chunk as the extractor left it.
    std::string index(std::string text, const std::string& path = "/home/u/doc.txt")
    {
        extractor->IndexChunk(text.data(), text.size(), path);
        return text;
    }

    // Closes the current document's word list and reads it back.
    Words wordList()
    {
        EXPECT_TRUE(fx.store->endWordList());
        return fx.store->readWordList(listStart);
    }

    std::uint32_t node(const std::string& word)
    {
        auto found = fx.store->findWord(word);
        EXPECT_TRUE(found.has_value()) << word;
        return found ? found->node : 0;
    }

    bool known(const std::string& word) { return fx.store->findWord(word).has_value(); }

    Words postings(const std::string& word)
    {
        auto found = fx.store->findWord(word);
        return found ? fx.store->readPostings(found->postings) : Words{};
    }

    void loadRoots(const std::string& text) { extractor->LoadRoots(text.data(), text.size()); }

    ArchiveFixture fx;
    std::unique_ptr<WordExtractor> extractor;
    std::uint32_t listStart = 0;
};

TEST_F(WordExtraction, AccentsAreFoldedBeforeTokensAreCut)
{
    std::string chunk = index("Citt\xE0 pi\xF9 perch\xE9");
    EXPECT_EQ(wordList(), (Words{node("citta"), node("piu"), node("perche")}));
    EXPECT_EQ(postings("citta"), Words{1});
    EXPECT_EQ(postings("perche"), Words{1});
    EXPECT_EQ(chunk, "citta piu perche") << "the chunk is rewritten in place";
    EXPECT_EQ(extractor->wordsIndexed(), 3u);
}

TEST_F(WordExtraction, EscapesInTheChunkAreDecodedFirst)
{
    index("perch%C3%A9 l%27amico");
    EXPECT_EQ(wordList(), (Words{node("perche"), packShortWord("l"), node("amico")}));
}

TEST_F(WordExtraction, UnfoldedAccentSplitsTheWord)
{
    index("F\xE1" "brica");
    EXPECT_FALSE(known("f"));
    EXPECT_FALSE(known("fabrica"));
    EXPECT_EQ(wordList(), (Words{packShortWord("F"), node("brica")}));
}

TEST_F(WordExtraction, ShortWordsOnlyCapitalisedOnesAreKept)
{
    index("il of DI di X x Is");
    EXPECT_FALSE(known("il"));
    EXPECT_FALSE(known("of"));
    EXPECT_EQ(postings("di"), Words{1});
    EXPECT_EQ(postings("x"), Words{1});
    EXPECT_FALSE(known("is")) << "\"Is\" is not \"IS\"";
    // Every short word is packed as written; a kept one is registered as well.
    std::uint32_t di = node("di");
    std::uint32_t x = node("x");
    EXPECT_EQ(wordList(), (Words{packShortWord("il"), packShortWord("of"), packShortWord("DI"), di,
                                 packShortWord("di"), packShortWord("X"), x, packShortWord("x"),
                                 packShortWord("Is")}));
}

TEST_F(WordExtraction, MinimumLengthComesFromTheWorkspace)
{
    fx.workspace->minWordLength = 3;
    index("sol sole");
    EXPECT_FALSE(known("sol"));
    EXPECT_TRUE(known("sole"));
    EXPECT_EQ(wordList(), (Words{packShortWord("sol"), node("sole")}));
}

TEST_F(WordExtraction, LongWordsAreCutToTheTruncationLength)
{
    index("abcdefghijklmnopqrstuvwxyz fine");
    EXPECT_EQ(postings("abcdefghijklmnop"), Words{1});
    EXPECT_FALSE(known("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_FALSE(known("qrstuvwxyz")) << "the rest of a cut word is not a word";
    EXPECT_EQ(wordList(), (Words{node("abcdefghijklmnop"), node("fine")}));

    fx.workspace->maxWordLength = 5;
    begin(2);
    index("Precipitevolissimevolmente");
    EXPECT_EQ(postings("preci"), Words{2});
}

TEST_F(WordExtraction, LettersAndDigitsNeverShareAToken)
{
    extractor->setRootFilter(true);
    loadRoots("abc");
    index("2012abc abc123");
    EXPECT_EQ(postings("2012"), Words{1}) << "a number is not root-filtered";
    EXPECT_EQ(postings("abc"), Words{1});
    EXPECT_EQ(postings("123"), Words{1});
    EXPECT_EQ(wordList(), (Words{node("2012"), node("abc"), node("abc"), node("123")}));
}

TEST_F(WordExtraction, NumbersOfAnyLengthAreIndexed)
{
    index("7 0 42");
    EXPECT_EQ(postings("7"), Words{1});
    EXPECT_EQ(postings("0"), Words{1});
    EXPECT_EQ(postings("42"), Words{1});
}

TEST_F(WordExtraction, TheByteAfterAShortWordIsSkipped)
{
    index("x7 y 8");
    EXPECT_FALSE(known("7"));
    EXPECT_TRUE(known("8"));
}

TEST_F(WordExtraction, RepeatedWordGetsOnePostingAndOneListEntryPerOccurrence)
{
    index("ciao mondo ciao ciao");
    std::uint32_t ciao = node("ciao");
    EXPECT_EQ(wordList(), (Words{ciao, node("mondo"), ciao, ciao}));
    EXPECT_EQ(postings("ciao"), Words{1});
    EXPECT_EQ(extractor->wordsIndexed(), 2u);

    begin(2);
    index("ciao");
    EXPECT_EQ(postings("ciao"), (Words{2, 1}));
    EXPECT_EQ(postings("mondo"), Words{1});
    EXPECT_EQ(extractor->wordsIndexed(), 3u);
}

TEST_F(WordExtraction, ChunksOfOneDocumentShareItsPostings)
{
    index("ciao mondo");
    index("mondo ciao");
    EXPECT_EQ(postings("ciao"), Words{1});
    EXPECT_EQ(wordList().size(), 4u);
}

TEST_F(WordExtraction, UpdateListsEveryWordButPostsOnlyWordsNotInTheOldList)
{
    index("il ciao mondo");
    Words old = wordList();
    ASSERT_EQ(old.size(), 3u);

    // The old list arrives unsorted, as read from the archive.
    begin(1, Words(old.rbegin(), old.rend()));
    index("il ciao nuovo mondo");
    EXPECT_EQ(wordList(), (Words{old[0], node("ciao"), node("nuovo"), node("mondo")}));
    EXPECT_EQ(postings("ciao"), Words{1});
    EXPECT_EQ(postings("nuovo"), Words{1});
    EXPECT_EQ(extractor->currentDocument().registeredWords, 3);
}

TEST_F(WordExtraction, StopWordsAreNeverRegistered)
{
    index("the della THE Della");
    EXPECT_FALSE(known("the"));
    EXPECT_FALSE(known("della"));
    EXPECT_TRUE(wordList().empty());
    EXPECT_EQ(extractor->currentDocument().registeredWords, 0);
}

TEST_F(WordExtraction, StopWordsComeFromTheArchiveList)
{
    WordExtractor fresh(*fx.workspace, *fx.store);
    fresh.setRootFilter(false);
    fresh.beginDocument(1);
    std::string text = "the";
    fresh.IndexChunk(text.data(), text.size(), "a.txt");
    EXPECT_TRUE(known("the")) << "no list loaded: no stop word";

    testing::writeFile(fx.store->slotPath(archive::SlotStopWords), "Ciao\r\nmondo, xy\r\n");
    ASSERT_TRUE(extractor->loadStopWords());
    begin(2);
    index("ciao mondo the xy");
    EXPECT_FALSE(known("ciao"));
    EXPECT_FALSE(known("mondo"));
    EXPECT_EQ(postings("the"), (Words{2, 1}));
}

TEST_F(WordExtraction, MissingStopListMeansNoStopWords)
{
    std::filesystem::remove(fx.store->slotPath(archive::SlotStopWords));
    EXPECT_FALSE(extractor->loadStopWords());
    EXPECT_TRUE(extractor->stopWords().empty());
    index("della");
    EXPECT_TRUE(known("della"));
}

TEST_F(WordExtraction, RootFilterKeepsWordsWithAKnownRoot)
{
    WordExtractor defaults(*fx.workspace, *fx.store);
    EXPECT_TRUE(defaults.rootFilter());

    extractor->setRootFilter(true);
    loadRoots("cia\r\ndi\r\n");
    index("ciao cianuro mondo DI 99");
    EXPECT_TRUE(known("ciao"));
    EXPECT_TRUE(known("cianuro"));
    EXPECT_FALSE(known("mondo"));
    EXPECT_TRUE(known("di")) << "a two-letter word's root is the word";
    EXPECT_TRUE(known("99"));
    EXPECT_EQ(extractor->currentDocument().registeredWords, 4);
}

TEST_F(WordExtraction, WithoutRootsNoWordBeginningWithALetterIsIndexed)
{
    extractor->setRootFilter(true);
    index("ciao mondo perche 2024 DI");
    EXPECT_FALSE(known("ciao"));
    EXPECT_FALSE(known("mondo"));
    EXPECT_FALSE(known("di"));
    EXPECT_TRUE(known("2024"));
    EXPECT_EQ(wordList(), (Words{node("2024"), packShortWord("DI")}));
}

TEST_F(WordExtraction, RootsAddedLaterAreSeen)
{
    extractor->setRootFilter(true);
    index("mondo");
    EXPECT_FALSE(known("mondo"));
    loadRoots("mon");
    begin(2);
    index("mondo");
    EXPECT_EQ(postings("mondo"), Words{2});
}

TEST_F(WordExtraction, OnlyTheFirstThirtyRegisteredWordsGetShortWordsPacked)
{
    std::string thirty;
    std::string twentyNine;
    for (int i = 0; i < 30; ++i) {
        std::string word = std::string("parola") + static_cast<char>('a' + i / 26) + static_cast<char>('a' + i % 26);
        thirty += word + ' ';
        if (i < 29)
            twentyNine += word + ' ';
    }
    index(twentyNine + "Il pane");
    Words list = wordList();
    ASSERT_EQ(list.size(), 31u);
    EXPECT_EQ(list[29], packShortWord("Il")) << "packed in its original case";
    EXPECT_EQ(list[30], node("pane"));

    begin(2);
    index(thirty + "Il pane");
    list = wordList();
    ASSERT_EQ(list.size(), 31u);
    EXPECT_EQ(list[30], node("pane"));
    EXPECT_EQ(std::count(list.begin(), list.end(), packShortWord("Il")), 0);

    // The counter starts again with every document.
    begin(3);
    index("il");
    EXPECT_EQ(wordList(), Words{packShortWord("il")});
}

TEST_F(WordExtraction, EscapeConfirmedStopsTheChunk)
{
    // Escape arrives at the third token's pump.
    const int firstDrain = fx.host.drainCount() + 1;
    fx.host.setOnDrain([&](int drain) {
        if (drain == firstDrain + 2)
            fx.host.pressEscape();
    });
    index("alfa beta gamma delta");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
    ASSERT_EQ(fx.host.messages().size(), 1u);
    EXPECT_EQ(fx.host.messages()[0].buttons, app::MessageButtons::OkCancel);
    EXPECT_TRUE(known("alfa"));
    EXPECT_TRUE(known("beta"));
    EXPECT_FALSE(known("gamma"));
    EXPECT_FALSE(known("delta"));
    EXPECT_EQ(fx.host.title(), "Break...");
    // The archive stays usable: what was written reads back.
    EXPECT_EQ(wordList(), (Words{node("alfa"), node("beta")}));
}

TEST_F(WordExtraction, EscapeCancelledGoesOn)
{
    fx.host.queueAnswer(app::MessageAnswer::Cancel);
    fx.host.pressEscape();
    index("alfa beta");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
    EXPECT_EQ(fx.host.messages().size(), 1u);
    EXPECT_TRUE(known("beta"));
}

TEST_F(WordExtraction, BreakAlreadySetIndexesNothing)
{
    fx.workspace->BreakCode = app::StopCode::Break;
    index("alfa");
    EXPECT_FALSE(known("alfa"));
    EXPECT_EQ(fx.host.title(), "Break...");
}

TEST_F(WordExtraction, DamagedWordTreeStopsTheChunkWithTheStoreMessage)
{
    ASSERT_TRUE(fx.store->close());
    // The bucket of "ciao" points past the end of "PAR.".
    std::string words = fx.fileBytes(archive::SlotWords);
    std::uint32_t bucket = *archive::wordBucket("ciao");
    archive::putU32le(reinterpret_cast<std::uint8_t*>(words.data()) + bucket * 4, 0x00FFFFF0u);
    testing::writeFile(fx.store->slotPath(archive::SlotWords), words);
    ASSERT_TRUE(fx.store->openForIndexing(archive::CacheSizes{}));

    index("alfa ciao beta");
    EXPECT_TRUE(known("alfa"));
    EXPECT_FALSE(known("beta"));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    ASSERT_FALSE(fx.host.messages().empty());
    EXPECT_EQ(fx.host.messages().back().text, "Error");
    EXPECT_EQ(fx.host.title(), "Break...");
}

TEST_F(WordExtraction, WordWatchFiresOncePerDocument)
{
    std::vector<std::string> seen;
    extractor->setWordWatch({"beta", "gamma"}, [&](const std::string& path) { seen.push_back(path); });
    index("alfa BETA gamma beta", "/d/one.txt");
    EXPECT_EQ(seen, std::vector<std::string>{"/d/one.txt"});

    begin(2);
    index("alfa delta", "/d/two.txt");
    EXPECT_EQ(seen.size(), 1u) << "no watched word in the second document";

    begin(3);
    index("gamma", "/d/three.txt");
    EXPECT_EQ(seen, (std::vector<std::string>{"/d/one.txt", "/d/three.txt"}));

    extractor->clearWordWatch();
    begin(4);
    index("beta");
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(WordExtraction, WordWatchSeesOnlyRegisteredWords)
{
    int fired = 0;
    extractor->setWordWatch({"the", "di"}, [&](const std::string&) { ++fired; });
    index("the di");
    EXPECT_EQ(fired, 0) << "a stop word and a dropped short word are not registered";
}

TEST_F(WordExtraction, WordWatchKeepsTenWords)
{
    std::vector<std::string> query;
    for (int i = 0; i < 11; ++i)
        query.push_back("parola" + std::string(1, static_cast<char>('a' + i)));
    int fired = 0;
    extractor->setWordWatch(query, [&](const std::string&) { ++fired; });
    index("parolak");
    EXPECT_EQ(fired, 0) << "the eleventh query word is not watched";
    begin(2);
    index("parolaj");
    EXPECT_EQ(fired, 1);
}

TEST_F(WordExtraction, TitleMarkerShowsNearTheEndOfTheChunk)
{
    index("alfa");
    EXPECT_EQ(fx.host.title(), " .");
}

TEST_F(WordExtraction, TitleStaysAwayFromTheHeadOfALargeChunk)
{
    fx.host.setTitle("untouched");
    // One word, then more than 100000 bytes of separators after it.
    index("alfa" + std::string(120000, ' '));
    EXPECT_EQ(fx.host.title(), "untouched");
}

TEST_F(WordExtraction, LoadRootsCutsLowersAndInsertsOnce)
{
    // The root tree is written back when the archive closes.
    auto rootsFileSize = [this] {
        fx.store->close();
        std::size_t size = fx.fileBytes(archive::SlotRoots).size();
        EXPECT_TRUE(fx.openForIndexing());
        return size;
    };
    const std::size_t emptySize = rootsFileSize();
    loadRoots("Ciao, MONDO ab 2012abc x");
    EXPECT_TRUE(fx.store->hasRoot("cia"));
    EXPECT_TRUE(fx.store->hasRoot("mon"));
    EXPECT_TRUE(fx.store->hasRoot("ab"));
    EXPECT_TRUE(fx.store->hasRoot("201"));
    EXPECT_TRUE(fx.store->hasRoot("x"));
    EXPECT_FALSE(fx.store->hasRoot("Cia"));
    EXPECT_FALSE(fx.store->hasRoot("ciao"));
    // Five nodes of 8 + root + NUL bytes.
    const std::size_t loadedSize = emptySize + (12 + 12 + 11 + 12 + 10);
    EXPECT_EQ(rootsFileSize(), loadedSize);

    loadRoots("ciao cianuro CIAO mondiale AB");
    EXPECT_EQ(rootsFileSize(), loadedSize) << "every root is inserted once";

    // Another extractor, which has not seen these roots, does not add them again either.
    WordExtractor other(*fx.workspace, *fx.store);
    other.LoadRoots("Mondo", 5);
    EXPECT_EQ(rootsFileSize(), loadedSize);
}

// Word extraction leaves the refusal of a key outside the bucket table to the store:
// it relies on no lower-cased word of letters and digits being refused.
TEST(WordExtractorBuckets, EveryExtractedWordHasABucket)
{
    const std::string symbols = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (char a : symbols) {
        EXPECT_TRUE(archive::wordBucket(std::string(1, a)).has_value()) << a;
        for (char b : symbols) {
            for (char c : symbols) {
                std::string word{a, b, c};
                ASSERT_TRUE(archive::wordBucket(word).has_value()) << word;
                ASSERT_TRUE(archive::wordBucket(word.substr(0, 2)).has_value()) << word;
            }
        }
    }
}

TEST(StopWordTree, RunsOfThreeOrMoreLettersAndDigitsLowerCased)
{
    StopWordTree tree("The\r\nDELLA\r\nab\r\nx\r\nabc123 che,per;;non\r\nthe\r\n");
    EXPECT_TRUE(tree.contains("the"));
    EXPECT_TRUE(tree.contains("della"));
    EXPECT_TRUE(tree.contains("abc123"));
    EXPECT_TRUE(tree.contains("che"));
    EXPECT_TRUE(tree.contains("per"));
    EXPECT_TRUE(tree.contains("non"));
    EXPECT_FALSE(tree.contains("ab")) << "runs shorter than three are ignored";
    EXPECT_FALSE(tree.contains("x"));
    EXPECT_FALSE(tree.contains("The")) << "the caller passes words lower-cased";
    EXPECT_FALSE(tree.contains("abc"));
    EXPECT_FALSE(tree.contains("dell"));
    EXPECT_FALSE(tree.contains("dellaa"));
    EXPECT_FALSE(tree.contains(""));
    EXPECT_EQ(tree.size(), 6u) << "\"the\" twice is one entry";
}

TEST(StopWordTree, AccentedBytesSeparateRuns)
{
    StopWordTree tree("perch\xE9 citt\xE0 " "agrave");
    EXPECT_TRUE(tree.contains("perch"));
    EXPECT_TRUE(tree.contains("citt"));
    EXPECT_TRUE(tree.contains("agrave"));
    EXPECT_EQ(tree.size(), 3u);
}

TEST(StopWordTree, ReloadReplacesTheWords)
{
    StopWordTree tree("uno due");
    tree.load("tre");
    EXPECT_FALSE(tree.contains("uno"));
    EXPECT_TRUE(tree.contains("tre"));
    tree.clear();
    EXPECT_TRUE(tree.empty());
    EXPECT_FALSE(tree.contains("tre"));
}

TEST(StopWordTree, TheArchiveDefaultListHoldsItsFiftySevenWords)
{
    ArchiveFixture fx;
    StopWordTree tree(testing::readFile(fx.store->slotPath(archive::SlotStopWords)));
    EXPECT_EQ(tree.size(), 57u);
    for (const char* word : {"uno", "della", "agrave", "nbsp", "the", "which", "for"})
        EXPECT_TRUE(tree.contains(word)) << word;
}

} // namespace
} // namespace vedra::indexing
