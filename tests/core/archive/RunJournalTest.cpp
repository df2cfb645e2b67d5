// The run mark: its bytes from the layout table, what a cut or damaged mark
// reads as, and an archive left by a killed run (the files copied as the kill
// left them) coming back to exactly the bytes it had before that run.
#include "core/archive/RunJournal.h"

#include "core/archive/ArchiveStore.h"
#include "support/ArchiveFixture.h"
#include "support/GoldenBytes.h"

#include <gtest/gtest.h>

#include <map>

namespace vedra::archive {
namespace {

using testing::ArchiveFixture;
using testing::readFile;
using testing::writeFile;

using testing::le32;
using testing::le64;

RunMark sampleMark()
{
    RunMark mark;
    mark.state = RunMark::kRunOpen;
    mark.sizes = {196, 26004, 26013, 26004, 8, 4, 26004, 1024};
    return mark;
}

TEST(RunMarkBytes, HeadAndEntriesFollowTheTable)
{
    std::string expected = std::string("VEDRARUN") + le32(1) + le32(1);
    for (std::uint64_t size : sampleMark().sizes)
        expected += le64(size);
    EXPECT_EQ(sampleMark().encodeHead(), expected);
    EXPECT_EQ(RunMark::encodeEntry(SlotWords, 0x1'0000'0004ULL, "ab"),
              le32(4) + le64(0x1'0000'0004ULL) + le32(2) + "ab");
}

TEST(RunMarkBytes, EveryCutLengthKeepsTheWholeEntriesOnly)
{
    const std::string first = RunMark::encodeEntry(SlotDocuments, 100, "0123");
    const std::string second = RunMark::encodeEntry(SlotResume, 0, std::string(10, 'r'));
    const std::string bytes = sampleMark().encodeHead() + first + second;
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        auto mark = RunMark::decode(std::string_view(bytes).substr(0, cut));
        if (cut < RunMark::kHeadSize) {
            EXPECT_FALSE(mark) << cut;
            continue;
        }
        ASSERT_TRUE(mark) << cut;
        std::size_t whole = cut >= bytes.size() ? 2 : (cut >= RunMark::kHeadSize + first.size() ? 1 : 0);
        ASSERT_EQ(mark->entries.size(), whole) << cut;
        EXPECT_EQ(mark->ignoredTail, cut - RunMark::kHeadSize - (whole >= 1 ? first.size() : 0) -
                                         (whole == 2 ? second.size() : 0));
        if (whole >= 1) {
            EXPECT_EQ(mark->entries[0].slot, SlotDocuments);
            EXPECT_EQ(mark->entries[0].offset, 100u);
            EXPECT_EQ(mark->entries[0].bytes, "0123");
        }
    }
}

TEST(RunMarkBytes, ForeignOrDamagedHeadsAreNotMarks)
{
    const std::string good = sampleMark().encodeHead();
    auto poke = [&](std::size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return RunMark::decode(bytes);
    };
    EXPECT_TRUE(RunMark::decode(good));
    EXPECT_FALSE(poke(0, 'X')) << "magic";
    EXPECT_FALSE(poke(8, 2)) << "a later layout";
    EXPECT_FALSE(poke(12, 2)) << "an unknown state";
    EXPECT_FALSE(poke(16 + 7, 1)) << "a size no archive file can have";
}

TEST(RunMarkBytes, AnEntryOutsideTheRecordedSizeEndsTheEntries)
{
    const std::string bytes = sampleMark().encodeHead() + RunMark::encodeEntry(SlotDocuments, 190, "123456") +
                              RunMark::encodeEntry(SlotDocuments, 194, "123") +  // past 196
                              RunMark::encodeEntry(SlotWords, 0, "x") + RunMark::encodeEntry(9, 0, "x");
    auto mark = RunMark::decode(bytes);
    ASSERT_TRUE(mark);
    ASSERT_EQ(mark->entries.size(), 1u);
    EXPECT_EQ(mark->ignoredTail, bytes.size() - RunMark::kHeadSize - 16 - 6);
    auto unknownSlot = RunMark::decode(sampleMark().encodeHead() + RunMark::encodeEntry(9, 0, "x"));
    ASSERT_TRUE(unknownSlot);
    EXPECT_TRUE(unknownSlot->entries.empty());
}

TEST(RunJournal, SavesOnlyChangedCommittedBytesAndEachRangeOnce)
{
    testing::TempFolder folder;
    const auto data = folder.path() / "PAR.1";
    const auto markPath = folder.path() / "RUN.1";
    writeFile(data, std::string(100, 'a'));
    auto file = io::FileHandle::open(data, io::OpenMode::ReadWrite);
    ASSERT_TRUE(file);
    MarkedSizes sizes{};
    sizes[static_cast<std::size_t>(markedIndex(SlotWords))] = 80;  // the last 20 bytes came after
    RunJournal journal;
    ASSERT_TRUE(journal.begin(markPath, sizes));

    // Changes at 10..13 and 40..41, far apart: two entries; equal bytes between
    // them are not saved.
    std::string fresh(60, 'a');
    fresh.replace(10, 4, "BBBB");
    fresh.replace(40, 2, "CC");
    ASSERT_TRUE(journal.protect(SlotWords, *file, 0, fresh.data(), fresh.size()));
    ASSERT_TRUE(file->writeAt(0, fresh));
    // The same range again, changed again: it was saved already.
    ASSERT_TRUE(journal.protect(SlotWords, *file, 10, "DDDD", 4));
    // Changes 4 bytes apart: one entry over both.
    ASSERT_TRUE(journal.protect(SlotWords, *file, 50, "E....F", 6));
    // Across the recorded size: only the part below it.
    ASSERT_TRUE(journal.protect(SlotWords, *file, 78, "GGGG", 4));
    // Past it: nothing.
    ASSERT_TRUE(journal.protect(SlotWords, *file, 85, "HHHH", 4));

    auto mark = RunMark::decode(readFile(markPath));
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->state, RunMark::kRunOpen);
    EXPECT_EQ(mark->sizes, sizes);
    std::map<std::uint64_t, std::string> saved;
    for (const UndoEntry& entry : mark->entries) {
        EXPECT_EQ(entry.slot, SlotWords);
        saved[entry.offset] = entry.bytes;
    }
    EXPECT_EQ(saved, (std::map<std::uint64_t, std::string>{{10, "aaaa"}, {40, "aa"}, {50, "aaaaaa"}, {78, "aa"}}));

    ASSERT_TRUE(journal.finish(sizes));
    auto closed = RunMark::decode(readFile(markPath));
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->state, RunMark::kClosed);
    EXPECT_TRUE(closed->entries.empty()) << "a clean close leaves no journal";
}

// An archive with a few documents, closed clean: the state a later run starts from.
void indexDocuments(ArchiveStore& store, std::uint32_t first, std::uint32_t last, const std::string& word)
{
    auto folder = store.findOrAddFolder("/scod/r/");
    ASSERT_TRUE(folder);
    for (std::uint32_t n = first; n <= last; ++n) {
        const std::string key = "txt." + std::to_string(n) + "/scod/";
        auto doc = store.findOrAddDocument(key, *folder);
        ASSERT_TRUE(doc && doc->added);
        DocRecord record;
        record.number = store.documentCount();
        record.lastWrite = 1000 + n;
        record.size = n;
        record.wordList = store.wordListEnd();
        record.folderText = *folder;
        record.key = key;
        ASSERT_TRUE(store.appendDocumentRecord(record));
        for (const std::string& w : {word, std::string("shared"), "w" + std::to_string(n)}) {
            auto found = store.findOrAddWord(w);
            ASSERT_TRUE(found);
            store.addPosting(*found, record.number);
            ASSERT_TRUE(store.appendWordListEntry(found->node));
        }
        ASSERT_TRUE(store.endWordList());
    }
}

std::map<int, std::string> markedFiles(const ArchiveFixture& fx)
{
    std::map<int, std::string> files;
    for (int slot : kMarkedSlots)
        files[slot] = fx.fileBytes(slot);
    return files;
}

class KilledRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fx.openForIndexing());
        indexDocuments(*fx.store, 1, 40, "older");
        ASSERT_TRUE(fx.store->close());
        before = markedFiles(fx);
        beforeMark = readFile(fx.store->markPath());

        // The next run, without caches, so that its patches of old nodes (posting
        // heads, tree links, a rewritten record) go straight into the files, and
        // with appends pending in memory, as a kill finds them.
        CacheSizes none;
        none.appendBuffer = 256;
        ASSERT_TRUE(fx.openForIndexing(none));
        indexDocuments(*fx.store, 41, 60, "newer");
        auto again = fx.store->findOrAddWord("older");
        ASSERT_TRUE(again && fx.store->addPosting(*again, 45));
        DocRecord changed = *fx.store->readDocument(3);
        changed.lastWrite = 99;
        ASSERT_TRUE(fx.store->rewriteRecordHead(3, changed));
        writeFile(fx.store->slotPath(SlotResume), "cut");  // the resume point half rewritten
        killed = snapshot();
        ASSERT_NE(markedFiles(fx), before) << "the run wrote into the files before its kill";
    }

    // Every file of the archive folder as it is now.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(fx.workspace->ArchiveFolder))
            files[entry.path().filename().string()] = readFile(entry.path());
        return files;
    }

    // The archive folder becomes what the kill left, as if the run never went on.
    void restore(const std::map<std::string, std::string>& files)
    {
        fx.store->close();
        for (const auto& entry : std::filesystem::directory_iterator(fx.workspace->ArchiveFolder))
            std::filesystem::remove(entry.path());
        for (const auto& [name, bytes] : files)
            writeFile(fx.workspace->ArchiveFolder + name, bytes);
    }

    ArchiveFixture fx;
    std::map<int, std::string> before;
    std::string beforeMark;
    std::map<std::string, std::string> killed;
};

TEST_F(KilledRun, TheNextOpenUndoesItToTheLastCleanClose)
{
    restore(killed);
    const std::size_t shown = fx.host.messages().size();
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Undone);
    ASSERT_EQ(fx.host.messages().size(), shown + 1);
    EXPECT_NE(fx.host.messages().back().text.find("cut off"), std::string::npos);
    EXPECT_EQ(markedFiles(fx), before);
    EXPECT_EQ(fx.store->documentCount(), 40u);
    // The run that follows sees the archive as it was: the killed documents are new again.
    auto doc = fx.store->findOrAddDocument("txt.41/scod/", *fx.store->findOrAddFolder("/scod/r/"));
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->added);
}

TEST_F(KilledRun, AKillDuringTheUndoIsUndoneAgain)
{
    restore(killed);
    ASSERT_TRUE(fx.openForIndexing());
    ASSERT_TRUE(fx.store->close());
    // Killed after the files were put back but before the new mark replaced the
    // old one: the old journal is applied a second time.
    auto undone = snapshot();
    undone["RUN.1"] = killed.at("RUN.1");
    restore(undone);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Undone);
    EXPECT_EQ(markedFiles(fx), before);
}

TEST_F(KilledRun, AnEntryCutByTheKillIsIgnored)
{
    // The kill fell inside the write of an entry, so the overwrite it precedes
    // never happened.
    auto cut = killed;
    cut["RUN.1"] += RunMark::encodeEntry(SlotWords, 26004, std::string(40, 'z')).substr(0, 30);
    restore(cut);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Undone);
    EXPECT_EQ(markedFiles(fx), before);
}

TEST_F(KilledRun, AReaderSeesTheDocumentsOfTheLastCleanClose)
{
    restore(killed);
    ASSERT_TRUE(fx.store->open());
    EXPECT_EQ(fx.store->documentCount(), 40u);
    EXPECT_FALSE(fx.store->findWord("newer")) << "words of the killed run lie past the recorded sizes";
    EXPECT_EQ(killed, snapshot()) << "a reader changes nothing";
}

TEST_F(KilledRun, ACleanCloseRecordsTheSizesItLeaves)
{
    fx.store->close();
    auto mark = RunMark::decode(readFile(fx.store->markPath()));
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->state, RunMark::kClosed);
    for (std::size_t i = 0; i < kMarkedSlots.size(); ++i)
        EXPECT_EQ(mark->sizes[i], fx.fileBytes(kMarkedSlots[i]).size()) << kMarkedSlots[i];
}

class ShortenedArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fx.openForIndexing());
        ASSERT_TRUE(fx.store->addRoot("abc"));
        indexDocuments(*fx.store, 1, 30, "older");
        ASSERT_TRUE(fx.store->close());
        lists = fx.fileBytes(SlotTextExtensions);
        roots = fx.fileBytes(SlotRoots);
    }

    void cut(int slot, std::size_t keep)
    {
        std::string bytes = fx.fileBytes(slot);
        ASSERT_LT(keep, bytes.size());
        writeFile(fx.store->slotPath(slot), bytes.substr(0, keep));
    }

    ArchiveFixture fx;
    std::string lists;
    std::string roots;
};

TEST_F(ShortenedArchive, AShortFileEmptiesTheIndexButKeepsListsAndRoots)
{
    cut(SlotPostings, 37);
    const std::size_t shown = fx.host.messages().size();
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Rebuilt);
    EXPECT_FALSE(fx.store->rootsEmptied());
    ASSERT_EQ(fx.host.messages().size(), shown + 1);
    EXPECT_NE(fx.host.messages().back().text.find("shorter than recorded"), std::string::npos);
    for (int slot : {SlotDocuments, SlotDocumentKeys, SlotFolders, SlotWords, SlotPostings, SlotWordLists, SlotResume})
        EXPECT_EQ(fx.fileBytes(slot), initialContent(slot, 1)) << slot;
    EXPECT_EQ(fx.fileBytes(SlotRoots), roots);
    EXPECT_EQ(fx.fileBytes(SlotTextExtensions), lists);
    EXPECT_EQ(fx.store->documentCount(), 0u);
    EXPECT_TRUE(fx.store->hasRoot("abc"));
    // Once rebuilt, the archive is trusted again.
    ASSERT_TRUE(fx.store->close());
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Clean);
}

TEST_F(ShortenedArchive, AShortRootTreeIsEmptiedToo)
{
    cut(SlotRoots, 26004 + 3);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Rebuilt);
    EXPECT_TRUE(fx.store->rootsEmptied());
    EXPECT_EQ(fx.fileBytes(SlotRoots), initialContent(SlotRoots, 1));
}

TEST_F(ShortenedArchive, ALongerFileOrAShorterResumePointIsNoDamage)
{
    writeFile(fx.store->slotPath(SlotResume), "");
    writeFile(fx.store->slotPath(SlotWordLists), fx.fileBytes(SlotWordLists) + "more");
    const std::string keys = fx.fileBytes(SlotDocumentKeys);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Clean);
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys), keys);
}

TEST_F(ShortenedArchive, AnArchiveWithoutAMarkIsTrustedAndMarked)
{
    std::filesystem::remove(fx.store->markPath());
    cut(SlotPostings, 37);  // nothing tells that this is short
    const auto files = markedFiles(fx);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Clean);
    EXPECT_EQ(markedFiles(fx), files);
    auto mark = RunMark::decode(readFile(fx.store->markPath()));
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->state, RunMark::kRunOpen);
    EXPECT_EQ(mark->sizes[static_cast<std::size_t>(markedIndex(SlotPostings))], 37u);
}

TEST_F(ShortenedArchive, ANewArchiveDropsTheMarkOfTheOneBefore)
{
    ASSERT_TRUE(std::filesystem::exists(fx.store->markPath()));
    ASSERT_EQ(fx.store->createArchiveFiles(), 1);
    EXPECT_FALSE(std::filesystem::exists(fx.store->markPath()));
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Clean);
}

} // namespace
} // namespace vedra::archive
