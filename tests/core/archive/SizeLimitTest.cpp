// Every archive file stops short of kArchiveSizeLimit, since every offset into
// one is 32 bits: whatever reaches the limit is refused with "Archive too large"
// (once), the run stops, and what was written before stays readable. The files are
// sparse, so a near-limit size costs no disk.
#include "core/archive/ArchiveStore.h"

#include "core/archive/ByteOrder.h"
#include "core/indexing/IndexingRun.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace vedra::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveFixture;

constexpr const char* kTooLarge = "Archive too large, you need to initialize a new archive.";

std::size_t tooLargeMessages(const ArchiveFixture& fx)
{
    std::size_t count = 0;
    for (const auto& message : fx.host.messages())
        count += message.text == kTooLarge;
    return count;
}

class SizeLimit : public ::testing::Test {
protected:
    void SetUp() override { fx.workspace->SetLanguage(1); }

    void grow(int slot, std::uint64_t size) { fs::resize_file(fx.store->slotPath(slot), size); }
    std::uint64_t sizeOf(int slot) { return fs::file_size(fx.store->slotPath(slot)); }

    ArchiveFixture fx{1};
};

TEST_F(SizeLimit, WordListsFillToTheLimitAndEveryListStillEnds)
{
    // Room for three entries and the closing 8 bytes, not for a fourth entry.
    const std::uint64_t start = kArchiveSizeLimit - 20;
    grow(SlotWordLists, start);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
    ASSERT_EQ(fx.store->wordListEnd(), start);
    EXPECT_TRUE(fx.store->appendWordListEntry(11));
    EXPECT_TRUE(fx.store->appendWordListEntry(12));
    EXPECT_TRUE(fx.store->appendWordListEntry(13));
    EXPECT_EQ(tooLargeMessages(fx), 0u);
    EXPECT_FALSE(fx.store->appendWordListEntry(14));
    EXPECT_FALSE(fx.store->appendWordListEntry(15));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_EQ(tooLargeMessages(fx), 1u) << "one message however many writers are refused";
    // The list that met the limit is closed all the same.
    EXPECT_TRUE(fx.store->endWordList());
    EXPECT_EQ(fx.store->wordListEnd(), kArchiveSizeLimit);
    // The next list has no room even for its closing bytes: refused, nothing written.
    EXPECT_FALSE(fx.store->endWordList());
    EXPECT_EQ(fx.store->wordListEnd(), kArchiveSizeLimit);
    EXPECT_EQ(fx.store->readWordList(static_cast<std::uint32_t>(start)), (std::vector<std::uint32_t>{11, 12, 13}));
    EXPECT_FALSE(fx.store->consumeDamage());
    EXPECT_TRUE(fx.store->close());
    EXPECT_EQ(sizeOf(SlotWordLists), kArchiveSizeLimit);

    ASSERT_TRUE(fx.store->open());
    EXPECT_EQ(fx.store->readWordList(static_cast<std::uint32_t>(start)), (std::vector<std::uint32_t>{11, 12, 13}));
    EXPECT_FALSE(fx.store->consumeDamage());
}

TEST_F(SizeLimit, ADocumentWhoseRecordWouldPassTheLimitIsNotAdded)
{
    auto folder = [&] {
        EXPECT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
        return *fx.store->findOrAddFolder("/b/a/");
    };
    // "txt.x/b/" takes 25 + 8 + 1 bytes: the first record fits exactly, the second not.
    const std::string key = "txt.x/b/";
    const std::uint64_t recordBytes = DocRecord::kFixedSize + key.size() + 1;
    grow(SlotDocuments, kArchiveSizeLimit - recordBytes);
    const std::uint32_t folderText = folder();
    auto first = fx.store->findOrAddDocument(key, folderText);
    ASSERT_TRUE(first && first->added);
    DocRecord record;
    record.number = fx.store->documentCount();
    record.folderText = folderText;
    record.key = key;
    ASSERT_TRUE(fx.store->appendDocumentRecord(record));
    EXPECT_EQ(tooLargeMessages(fx), 0u);

    const std::uint64_t keysBefore = fx.store->documentCount();
    EXPECT_FALSE(fx.store->findOrAddDocument("txt.y/b/", folderText));
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_EQ(fx.store->documentCount(), keysBefore) << "no key node may point past the end of IND.";
    // The document already there is still found, with its record.
    auto again = fx.store->findOrAddDocument(key, folderText);
    ASSERT_TRUE(again && !again->added && again->record);
    EXPECT_EQ(again->number, record.number);
    EXPECT_TRUE(fx.store->close());
    EXPECT_EQ(sizeOf(SlotDocuments), kArchiveSizeLimit);

    ASSERT_TRUE(fx.store->open());
    auto read = fx.store->readDocument(record.number);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->key, key);
}

class WordLimit : public SizeLimit {
protected:
    void SetUp() override
    {
        SizeLimit::SetUp();
        ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
        auto word = fx.store->findOrAddWord("alpha");
        ASSERT_TRUE(word);
        known = word->node;
        ASSERT_TRUE(fx.store->addPosting(*word, 1));
        ASSERT_TRUE(fx.store->close());
    }

    // A new word is refused, a known one still found; the dictionary keeps its size.
    void expectOnlyKnownWords(const char* newWord)
    {
        const std::uint64_t wordsBefore = sizeOf(SlotWords);
        fx.workspace->BreakCode = app::StopCode::None;
        ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
        EXPECT_FALSE(fx.store->findOrAddWord(newWord));
        EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
        auto found = fx.store->findOrAddWord("alpha");
        ASSERT_TRUE(found);
        EXPECT_EQ(found->node, known);
        EXPECT_TRUE(fx.store->close());
        EXPECT_EQ(sizeOf(SlotWords), wordsBefore);
    }

    std::uint32_t known = 0;
};

TEST_F(WordLimit, ANewWordNodeThatWouldPassTheLimitIsRefusedInEveryRun)
{
    grow(SlotWords, kArchiveSizeLimit - 5);
    expectOnlyKnownWords("delta");
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    expectOnlyKnownWords("gamma");
    EXPECT_EQ(tooLargeMessages(fx), 2u) << "each run shows it once";
}

TEST_F(WordLimit, ANewWordWithoutRoomForItsFirstPostingPointsAtNone)
{
    // One byte short of a posting: the new word's node would point past "LNK.".
    grow(SlotPostings, kArchiveSizeLimit - Posting::kSize + 1);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
    auto gamma = fx.store->findOrAddWord("gamma");
    ASSERT_TRUE(gamma);
    EXPECT_FALSE(fx.store->addPosting(*gamma, 2));
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    auto alpha = fx.store->findOrAddWord("alpha");
    ASSERT_TRUE(alpha);
    EXPECT_FALSE(fx.store->addPosting(*alpha, 2));
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    EXPECT_TRUE(fx.store->close());
    EXPECT_EQ(sizeOf(SlotPostings), kArchiveSizeLimit - Posting::kSize + 1);

    ASSERT_TRUE(fx.store->open());
    auto found = fx.store->findWord("gamma");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->postings, 0u);
    EXPECT_TRUE(fx.store->readPostings(found->postings).empty());
    EXPECT_EQ(fx.store->readPostings(fx.store->findWord("alpha")->postings), (std::vector<std::uint32_t>{1}));
    EXPECT_FALSE(fx.store->consumeDamage()) << "no posting list points past the file";
}

TEST_F(SizeLimit, FoldersStopAtTheLimitWithTheSameMessage)
{
    grow(SlotFolders, kArchiveSizeLimit - 12);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
    // 9 + 1 + 1 bytes fit, 9 + 5 + 1 do not.
    EXPECT_TRUE(fx.store->findOrAddFolder("/"));
    EXPECT_FALSE(fx.store->findOrAddFolder("/b/a/"));
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    EXPECT_NE(fx.host.messages().back().text, "Writing error.");
    EXPECT_TRUE(fx.store->close());
    EXPECT_EQ(sizeOf(SlotFolders), kArchiveSizeLimit - 1);
}

// A whole run into word lists that reach the limit part-way: the run stops with
// the message, and every list and record written is whole.
TEST_F(SizeLimit, ARunThatReachesTheLimitStopsAndLeavesAReadableArchive)
{
    const char* roots = "alpha beta gamma delta";
    ASSERT_TRUE(fx.openForIndexing());
    indexing::WordExtractor loader(*fx.workspace, *fx.store);
    loader.LoadRoots(roots, std::strlen(roots));
    ASSERT_TRUE(fx.store->close());

    const fs::path tree = fx.folder.path() / "tree";
    fs::create_directories(tree);
    for (int i = 0; i < 6; ++i)
        testing::writeFile(tree / ("f" + std::to_string(i) + ".txt"), "alpha beta gamma delta alpha beta gamma\n");
    // Room for about two documents' lists (7 entries and 8 closing bytes each).
    const std::uint64_t start = kArchiveSizeLimit - 80;
    grow(SlotWordLists, start);

    ASSERT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
    indexing::ArchiveLists lists;
    lists.load(*fx.store);
    indexing::IndexingRun run(*fx.workspace, *fx.store, lists);
    run.RunIndexing(tree.string() + "/", indexing::RunMode::Normal);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_EQ(tooLargeMessages(fx), 1u);
    EXPECT_TRUE(fx.store->close());
    EXPECT_LE(sizeOf(SlotWordLists), kArchiveSizeLimit);

    ASSERT_TRUE(fx.store->open());
    const std::uint32_t documents = fx.store->documentCount();
    EXPECT_GE(documents, 2u);
    EXPECT_LT(documents, 6u) << "the run stopped at the limit";
    std::size_t withWords = 0;
    for (std::uint32_t number = 1; number <= documents; ++number) {
        auto record = fx.store->readDocument(number);
        ASSERT_TRUE(record) << number;
        if (record->wordList == 0)
            continue;
        EXPECT_GE(record->wordList, start);
        EXPECT_FALSE(fx.store->readWordList(record->wordList).empty());
        ++withWords;
    }
    EXPECT_GE(withWords, 2u);
    EXPECT_FALSE(fx.store->consumeDamage()) << "every list read ends with its end mark";
    auto alpha = fx.store->findWord("alpha");
    ASSERT_TRUE(alpha);
    EXPECT_FALSE(fx.store->readPostings(alpha->postings).empty());
    EXPECT_FALSE(fx.store->consumeDamage());
}

} // namespace
} // namespace vedra::archive
