// A damaged archive never crashes a reader: each walk ends with the archive's
// message and the run is asked to stop.
#include "core/archive/ArchiveStore.h"

#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vedra::archive {
namespace {

using testing::ArchiveFixture;

void poke(const std::string& path, std::uint64_t offset, std::uint32_t value)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::uint8_t bytes[4];
    putU32le(bytes, value);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes), 4);
}

class DamagedArchive : public ::testing::Test {
protected:
    // One folder, one document, the words "citta" and "citazione" (same bucket,
    // "citazione" on the `less` side of "citta"), two postings of "citta".
    void SetUp() override
    {
        ArchiveStore& store = *fx.store;
        ASSERT_TRUE(fx.openForIndexing());
        folder = *store.findOrAddFolder("/scod/r/");
        for (const char* key : {"txt.a/scod/", "txt.b/scod/"}) {
            store.findOrAddDocument(key, folder);
            DocRecord record;
            record.number = store.documentCount();
            record.folderText = folder;
            record.key = key;
            record.wordList = store.wordListEnd();
            store.appendDocumentRecord(record);
            auto citta = store.findOrAddWord("citta");
            store.addPosting(*citta, record.number);
            store.appendWordListEntry(citta->node);
            auto citazione = store.findOrAddWord("citazione");
            store.addPosting(*citazione, record.number);
            store.appendWordListEntry(citazione->node);
            store.endWordList();
        }
        ASSERT_TRUE(store.close());
    }

    std::string path(int slot) const { return fx.store->slotPath(slot); }
    std::string lastMessage() const { return fx.host.messages().empty() ? "" : fx.host.messages().back().text; }

    ArchiveFixture fx;
    std::uint32_t folder = 0;
};

TEST_F(DamagedArchive, BucketPointingPastTheEndOfTheDictionary)
{
    poke(path(SlotWords), 2275 * 4, 9'000'000);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findWord("citta").has_value());
    EXPECT_EQ(lastMessage(), "Error");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, BucketPointingIntoTheBucketTable)
{
    poke(path(SlotWords), 2275 * 4, 100);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findWord("citta").has_value());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, CycleInTheWordTreeEnds)
{
    // citta.less -> citazione; make citazione.greater -> citta: a key between the two
    // ("citb") would go round for ever.
    poke(path(SlotWords), 26022, 26004);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findWord("citb").has_value());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, WordNodeWithoutTerminatorAtTheEnd)
{
    // Cut the file inside the last node's text.
    std::filesystem::resize_file(path(SlotWords), 26022 + 14);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findWord("citazione").has_value());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, PostingListThatPointsForwardEnds)
{
    ASSERT_TRUE(fx.store->open());
    auto citta = fx.store->findWord("citta");
    ASSERT_TRUE(citta);
    EXPECT_EQ(fx.store->readPostings(citta->postings), (std::vector<std::uint32_t>{2, 1}));
    fx.store->close();
    // The oldest posting (offset 8) now points at the newest: a cycle.
    poke(path(SlotPostings), 8 + 4, citta->postings);
    ASSERT_TRUE(fx.store->open());
    EXPECT_EQ(fx.store->readPostings(citta->postings), (std::vector<std::uint32_t>{2, 1}));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_EQ(fx.store->readPostings(70'000'000).size(), 0u);
}

TEST_F(DamagedArchive, WordListContinuationLoopEnds)
{
    // Document 1's list: 4: citta, 8: citazione, 12: 0, 16: continuation -> 4.
    poke(path(SlotWordLists), 16, 4);
    ASSERT_TRUE(fx.store->open());
    std::vector<std::uint32_t> entries = fx.store->readWordList(4);
    EXPECT_LT(entries.size(), 100u);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_TRUE(fx.store->readWordList(1'000'000).empty());
}

TEST_F(DamagedArchive, DocumentNodePastTheEndOfTheKeyFile)
{
    std::uint32_t bucket = pathBucket("txt.a/scod/");
    poke(path(SlotDocumentKeys), bucket * 4, 500'000);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findOrAddDocument("txt.a/scod/", folder).has_value());
    EXPECT_EQ(lastMessage(), "Errore: in AlberoindDoc");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, DocumentNodePointingAtItself)
{
    // Document 1's node greater -> itself; a key larger than its name descends there.
    poke(path(SlotDocumentKeys), 26004, 26004);
    std::uint32_t bucket = pathBucket("txt.a/scod/");
    ASSERT_EQ(pathBucket("txt.a/scoe/"), bucket);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findOrAddDocument("txt.a/scoe/", folder).has_value());
    EXPECT_EQ(lastMessage(), "ERROR: in AlberoIndDoc");
}

TEST_F(DamagedArchive, DocumentRecordOffsetPastTheEnd)
{
    poke(path(SlotDocumentKeys), 26004 + 8, 1'000'000);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->readDocument(1).has_value());
    EXPECT_FALSE(fx.store->findOrAddDocument("txt.a/scod/", folder).has_value());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST_F(DamagedArchive, TruncatedDocumentRecord)
{
    // Cut inside the second record's key: its name has no terminator any more.
    std::uintmax_t size = std::filesystem::file_size(path(SlotDocuments));
    std::filesystem::resize_file(path(SlotDocuments), size - 3);
    ASSERT_TRUE(fx.store->open());
    EXPECT_TRUE(fx.store->readDocument(1).has_value());
    EXPECT_FALSE(fx.store->readDocument(2).has_value());
}

TEST_F(DamagedArchive, FolderNodePastTheEnd)
{
    std::uint32_t bucket = pathBucket("/scod/r/");
    poke(path(SlotFolders), bucket * 4, 99'999'999);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findOrAddFolder("/scod/r/").has_value());
    EXPECT_EQ(lastMessage(), "Error: UIradice>LungPathDoc");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
    EXPECT_FALSE(fx.store->folderText(99'999'999).has_value());
    EXPECT_FALSE(fx.store->folderText(3).has_value());
}

TEST_F(DamagedArchive, ShortTreeFilesAreReadAsDamaged)
{
    std::filesystem::resize_file(path(SlotWords), 1000);
    std::filesystem::resize_file(path(SlotDocumentKeys), 10);
    ASSERT_TRUE(fx.store->open());
    EXPECT_FALSE(fx.store->findWord("citta").has_value());
    EXPECT_EQ(fx.store->documentCount(), 0u);
    EXPECT_FALSE(fx.store->readDocument(1).has_value());
}

TEST_F(DamagedArchive, MissingFileMeansTheArchiveDoesNotOpen)
{
    std::filesystem::remove(path(SlotPostings));
    EXPECT_FALSE(fx.store->open());
    EXPECT_FALSE(fx.store->isOpen());
}

TEST(ArchiveWriteFailure, FailedAppendShowsTheWriteErrorInTheCurrentLanguage)
{
    ArchiveFixture fx(1);
    fx.workspace->SetLanguage(0);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 0}));
    // Writes to /dev/full fail with ENOSPC: put one in place of the word lists.
    std::string lists = fx.store->slotPath(SlotWordLists);
    std::filesystem::remove(lists);
    std::filesystem::create_symlink("/dev/full", lists);
    ASSERT_TRUE(fx.store->reopenSlot(SlotWordLists));
    EXPECT_FALSE(fx.store->appendWordListEntry(7));
    ASSERT_FALSE(fx.host.messages().empty());
    EXPECT_EQ(fx.host.messages().back().text, "ERRORE in SCRITTURA");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
}

TEST(ArchiveWriteFailure, PostingsPastTheSizeLimitStopTheRun)
{
    ArchiveFixture fx(1);
    // A sparse postings file just below the limit: the next posting would pass it.
    std::filesystem::resize_file(fx.store->slotPath(SlotPostings), 3'999'000'000ULL - 4);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 0}));
    auto word = fx.store->findOrAddWord("alpha");
    ASSERT_TRUE(word);
    EXPECT_FALSE(fx.store->addPosting(*word, 1));
    ASSERT_FALSE(fx.host.messages().empty());
    EXPECT_EQ(fx.host.messages().back().text, "Archive too large, you need to initialize a new archive.");
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    fx.store->close();
    EXPECT_EQ(std::filesystem::file_size(fx.store->slotPath(SlotPostings)), 3'999'000'000ULL - 4);
}

TEST(ArchiveWriteFailure, LowDiskStopsBeforeTheFlushAndCloseStillWritesEverything)
{
    ArchiveFixture fx(1);
    fx.workspace->freeDiskBytesAtStart = 50;  // below 4 GiB and below one flush of the buffer
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 64}));
    bool stopped = false;
    for (int i = 0; i < 20 && !stopped; ++i)
        stopped = !fx.store->appendWordListEntry(static_cast<std::uint32_t>(i + 1));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    ASSERT_FALSE(fx.host.messages().empty());
    EXPECT_EQ(fx.host.messages().back().text,
              "The disk space is not sufficient to ensure the smooth implementation of program.");
    std::size_t shown = fx.host.messages().size();
    EXPECT_TRUE(fx.store->close());
    EXPECT_EQ(fx.host.messages().size(), shown) << "close writes without asking again";
    EXPECT_EQ(fx.fileBytes(SlotWordLists).size(), 4u + 4u * 16) << "nothing accepted is lost";
}

} // namespace
} // namespace vedra::archive
