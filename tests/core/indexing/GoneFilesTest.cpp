// A run leaves the archive saying what the disk says: files gone from a folder it
// walked and words a changed file lost are no longer found; what it cannot see
// (a start folder missing or empty, files a mask leaves out) stays as it was.
#include "core/indexing/IndexingRun.h"

#include "core/app/ProcessRunner.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/ByteOrder.h"
#include "support/ArchiveFixture.h"
#include "support/DocumentFixtures.h"
#include "core/io/FileHandle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::setModifiedTime;
using testing::writeFile;
using Keys = std::set<std::string>;

constexpr const char* kGoneRoots = "orange yellow pelican shared kept gamma walrus lemon hello budget";

class GoneFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
        fx.workspace->SevenZipCommand = "\"/usr/bin/7z\" x \"";
        ASSERT_TRUE(fx.openForIndexing());
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kGoneRoots, std::strlen(kGoneRoots));
        fx.store->close();
        fs::create_directories(tree);
    }

    IndexingCounters index(std::string start = {}, bool unpack = false)
    {
        if (start.empty())
            start = tree.string() + "/";
        EXPECT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.options().unpack = unpack;
        run.RunIndexing(start, RunMode::Normal);
        IndexingCounters counters = run.counters();
        EXPECT_TRUE(fx.store->close());
        return counters;
    }

    // Writes a file with a time later than any before, so that a run sees it changed.
    void write(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        writeFile(path, text);
        setModifiedTime(path, ++clock);
    }

    void zip(const fs::path& archive, const fs::path& from, const std::vector<std::string>& members)
    {
        fs::remove(archive);
        std::vector<std::string> argv{"/usr/bin/7z", "a", "-tzip", archive.string()};
        for (const auto& member : members)
            argv.push_back((from / member).string());
        ASSERT_EQ(app::RunProgram(*fx.workspace, argv).exitCode, 0);
        setModifiedTime(archive, ++clock);
    }

    Keys with(const std::string& word) { return fx.documentsWith(word); }

    testing::ArchiveFixture fx;
    fs::path tree = fx.folder.path() / "tree";
    std::int64_t clock = 1'600'000'000;
};

TEST_F(GoneFilesTest, AChangedFileLosesTheWordsItNoLongerHoldsAndGetsThemBack)
{
    write(tree / "a.txt", "the orange pelican");
    write(tree / "b.txt", "kept pelican");
    index();
    ASSERT_EQ(with("orange"), Keys{"/tree/a.txt"});

    write(tree / "a.txt", "the yellow pelican");
    index();
    EXPECT_TRUE(with("orange").empty()) << "the only holder lost it: the word's list is empty";
    EXPECT_EQ(with("yellow"), Keys{"/tree/a.txt"});
    EXPECT_EQ(with("pelican"), (Keys{"/tree/a.txt", "/tree/b.txt"}));

    // A word whose list was emptied takes postings again.
    write(tree / "a.txt", "orange again");
    index();
    EXPECT_EQ(with("orange"), Keys{"/tree/a.txt"});
    EXPECT_TRUE(with("yellow").empty());
    EXPECT_EQ(with("pelican"), Keys{"/tree/b.txt"});
}

TEST_F(GoneFilesTest, PostingsAreTakenOutAtTheHeadInTheMiddleAndAtTheTailOfAList)
{
    for (int i = 1; i <= 6; ++i)
        write(tree / ("f" + std::to_string(i) + ".txt"), "shared gamma");
    index();
    // Newest first, the list runs f6 ... f1: f6 is its head, f1 its tail, f3 and
    // f4 lie side by side.
    for (int i : {1, 3, 4, 6})
        write(tree / ("f" + std::to_string(i) + ".txt"), "shared");
    index();
    EXPECT_EQ(with("gamma"), (Keys{"/tree/f2.txt", "/tree/f5.txt"}));
    EXPECT_EQ(with("shared").size(), 6u);
}

TEST_F(GoneFilesTest, DeletedMovedAndRenamedAreListedOnceWhereTheyAreNow)
{
    write(tree / "a.txt", "walrus one");
    write(tree / "d.txt", "walrus two");
    write(tree / "sub2" / "s.txt", "walrus three");
    write(tree / "sub2" / "deep" / "t.txt", "walrus four");
    index();
    ASSERT_EQ(with("walrus").size(), 4u);

    fs::rename(tree / "sub2", tree / "sub3");
    fs::create_directories(tree / "sub1");
    fs::rename(tree / "a.txt", tree / "sub1" / "a-moved.txt");
    fs::remove(tree / "d.txt");
    IndexingCounters counters = index();
    EXPECT_EQ(with("walrus"), (Keys{"/sub1/a-moved.txt", "/sub3/s.txt", "/deep/t.txt"}));
    EXPECT_EQ(counters.filesRemoved, 4u);
    EXPECT_EQ(counters.removedInArchive, 4u);

    // Back at its old place, a file takes its record up again.
    write(tree / "d.txt", "walrus lemon");
    counters = index();
    EXPECT_EQ(counters.filesRemoved, 0u);
    EXPECT_EQ(counters.removedInArchive, 3u) << "the one back is counted again";
    EXPECT_EQ(with("lemon"), Keys{"/tree/d.txt"});
    EXPECT_EQ(with("walrus").size(), 4u);
}

TEST_F(GoneFilesTest, WhatTheRunCannotSeeStays)
{
    write(tree / "a.txt", "walrus one");
    write(tree / "b.txt", "walrus two");
    index();

    // A start folder that is not there (a disk not plugged in), then one found
    // empty (its mount point): nothing goes.
    fs::rename(tree, fx.folder.path() / "away");
    EXPECT_EQ(index().filesRemoved, 0u);
    fs::create_directories(tree);
    EXPECT_EQ(index().filesRemoved, 0u);
    EXPECT_EQ(with("walrus").size(), 2u);
    fs::remove(tree);
    fs::rename(fx.folder.path() / "away", tree);

    // A run over one file leaves the other files of its folder alone.
    fs::remove(tree / "b.txt");
    EXPECT_EQ(index((tree / "a.txt").string()).filesRemoved, 0u);
    EXPECT_EQ(with("walrus").size(), 2u);
    EXPECT_EQ(index().filesRemoved, 1u);
    EXPECT_EQ(with("walrus"), Keys{"/tree/a.txt"});
}

// Unpacking walks every folder the archive holds after the start folder's: an
// empty one there (a disk not plugged in, indexed by a run of its own) is not
// this run's to empty.
TEST_F(GoneFilesTest, AnUnpackingRunEmptiesNoFolderOutsideItsStartFolder)
{
    const fs::path disk = fx.folder.path() / "disk";
    write(tree / "a.txt", "walrus one");
    write(disk / "photos" / "b.txt", "walrus two");
    write(disk / "c.txt", "walrus three");
    index();
    index(disk.string() + "/");
    ASSERT_EQ(with("walrus").size(), 3u);

    fs::remove_all(disk);
    fs::create_directories(disk);
    EXPECT_EQ(index({}, true).filesRemoved, 0u);
    EXPECT_EQ(index(disk.string() + "/", true).filesRemoved, 0u);
    EXPECT_EQ(with("walrus").size(), 3u);
}

TEST_F(GoneFilesTest, APdfsTextLivesAsLongAsThePdf)
{
    writeFile(tree / "r.pdf", testing::minimalPdf({"Hello budget"}));
    index();
    ASSERT_EQ(with("budget"), Keys{"/tree/r.pdf.txt"});
    // Unchanged, the PDF is not converted again: its text stays all the same.
    write(tree / "other.txt", "walrus");
    index();
    EXPECT_EQ(with("budget"), Keys{"/tree/r.pdf.txt"});
    fs::remove(tree / "r.pdf");
    EXPECT_EQ(index().filesRemoved, 2u);
    EXPECT_TRUE(with("budget").empty());
    EXPECT_TRUE(with("hello").empty());
}

TEST_F(GoneFilesTest, MembersFollowTheirPackedFile)
{
    if (!fs::exists("/usr/bin/7z"))
        GTEST_SKIP() << "7z is not installed";
    const fs::path parts = fx.folder.path() / "parts";
    write(parts / "m1.txt", "walrus orange");
    write(parts / "m2.txt", "walrus second");
    zip(tree / "p.zip", parts, {"m1.txt", "m2.txt"});
    write(tree / "plain.txt", "lemon");
    index({}, true);
    ASSERT_EQ(with("walrus"), (Keys{"/p.zip_vedratemp/m1.txt", "/p.zip_vedratemp/m2.txt"}));

    // Unchanged, the packed file is not unpacked: its members stay, with or
    // without unpacking.
    EXPECT_EQ(index({}, true).filesRemoved, 0u);
    EXPECT_EQ(index({}, false).filesRemoved, 0u);
    EXPECT_EQ(with("walrus").size(), 2u);

    write(parts / "m1.txt", "walrus lemon");
    zip(tree / "p.zip", parts, {"m1.txt"});
    EXPECT_EQ(index({}, true).filesRemoved, 1u);
    EXPECT_EQ(with("walrus"), Keys{"/p.zip_vedratemp/m1.txt"});
    EXPECT_TRUE(with("orange").empty());
    EXPECT_EQ(with("lemon"), (Keys{"/p.zip_vedratemp/m1.txt", "/tree/plain.txt"}));

    fs::remove(tree / "p.zip");
    EXPECT_EQ(index({}, true).filesRemoved, 2u) << "the packed file and its member";
    EXPECT_TRUE(with("walrus").empty());
}

// A word-list entry whose low byte is 0 is a node or a packed short word; only
// the word tree tells which.
TEST_F(GoneFilesTest, AListEntryIsANodeOnlyWhereTheWordTreeSaysSo)
{
    ASSERT_TRUE(fx.openForIndexing());
    archive::ArchiveStore& store = *fx.store;
    std::uint32_t node = 0;
    for (int i = 0; node == 0 && i < 400; ++i) {
        // Words are added until one lands at an offset whose low byte is 0.
        auto word = store.findOrAddWord("filler" + std::to_string(i));
        ASSERT_TRUE(word);
        if ((word->node & 0xFFu) == 0)
            node = word->node;
    }
    ASSERT_NE(node, 0u) << "no node at an offset with a zero low byte";
    EXPECT_TRUE(store.isWordNode(node));
    EXPECT_FALSE(store.isWordNode(archive::packShortWord("ab")));
    EXPECT_FALSE(store.isWordNode(archive::packShortWord("a")));
    EXPECT_FALSE(store.isWordNode(node + 256)) << "past the end of the dictionary";
    EXPECT_TRUE(store.close());
}

TEST_F(GoneFilesTest, ACycleInAPostingsListIsDamageNotALoop)
{
    ASSERT_TRUE(fx.openForIndexing());
    archive::ArchiveStore& store = *fx.store;
    auto word = store.findOrAddWord("gamma");
    ASSERT_TRUE(word);
    ASSERT_TRUE(store.addPosting(*word, 1));
    ASSERT_TRUE(store.addPosting(*word, 2));
    const std::uint32_t head = word->postings;
    EXPECT_TRUE(store.close());
    // The older posting's link points back up at the head.
    {
        auto file = io::FileHandle::open(fx.store->slotPath(archive::SlotPostings), io::OpenMode::ReadWrite);
        ASSERT_TRUE(file);
        std::uint8_t bytes[4];
        archive::putU32le(bytes, head);
        ASSERT_TRUE(file->writeAt(head - 8 + 4, bytes, 4));
    }
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_FALSE(fx.store->unlinkPostings({{word->node, {7}}}));
    EXPECT_TRUE(fx.store->consumeDamage());
    EXPECT_TRUE(fx.store->close());
}

} // namespace
} // namespace vedra::indexing
