// Reading through a mapping: bounds at every edge, files shorter than their
// mapping limit, empty files, writes seen through the mapping, and an archive of
// real text read mapped (whole or only its head) giving exactly what the file
// reads give.
#include "core/archive/ArchiveStore.h"
#include "core/archive/CachedFile.h"
#include "core/archive/MappedFile.h"

#include "core/archive/ByteOrder.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "support/IndexFolder.h"
#include "support/SourceTree.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <set>

namespace vedra::archive {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string numberedBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

TEST(MappedFile, BoundsAtEveryEdge)
{
    TempFolder folder;
    const fs::path path = folder.path() / "f";
    testing::writeFile(path, numberedBytes(100));
    auto handle = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    ASSERT_TRUE(handle);

    MappedFile map;
    ASSERT_TRUE(map.map(handle->descriptor(), 100, 40));  // a limit below the size
    EXPECT_EQ(map.size(), 40u);
    ASSERT_NE(map.view(36, 4), nullptr);
    EXPECT_EQ(std::memcmp(map.view(36, 4), "klmn", 4), 0);
    EXPECT_EQ(map.view(37, 4), nullptr);  // one byte past the mapping
    EXPECT_EQ(map.view(40, 1), nullptr);
    EXPECT_EQ(map.view(41, 0), nullptr);
    EXPECT_EQ(map.view(std::numeric_limits<std::uint64_t>::max() - 1, 4), nullptr);  // offset + count wraps
    EXPECT_EQ(map.view(4, std::numeric_limits<std::size_t>::max()), nullptr);

    char out[16] = {};
    EXPECT_EQ(map.readAt(30, out, sizeof out), 10u);  // short where the mapping ends
    EXPECT_EQ(std::string(out, 10), "efghijklmn");
    EXPECT_EQ(map.readAt(40, out, 4), 0u);
    EXPECT_EQ(map.readAt(std::numeric_limits<std::uint64_t>::max(), out, 4), 0u);

    // A limit past the end maps the file, no more.
    ASSERT_TRUE(map.map(handle->descriptor(), 100, std::numeric_limits<std::uint64_t>::max()));
    EXPECT_EQ(map.size(), 100u);
    EXPECT_EQ(map.view(99, 2), nullptr);

    MappedFile moved = std::move(map);
    EXPECT_FALSE(map.isMapped());
    ASSERT_NE(moved.view(99, 1), nullptr);
    EXPECT_EQ(*moved.view(99, 1), 'v');
}

TEST(MappedFile, NothingToMapLeavesItUnmapped)
{
    TempFolder folder;
    const fs::path path = folder.path() / "empty";
    testing::writeFile(path, "");
    auto handle = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    ASSERT_TRUE(handle);
    MappedFile map;
    EXPECT_FALSE(map.map(handle->descriptor(), 0, 1000));
    EXPECT_FALSE(map.map(handle->descriptor(), 100, 0));  // a zero limit
    EXPECT_FALSE(map.map(-1, 100, 100));
    EXPECT_FALSE(map.isMapped());
    char out[4];
    EXPECT_EQ(map.view(0, 0), nullptr);
    EXPECT_EQ(map.readAt(0, out, 4), 0u);
}

TEST(MappedFile, ALetGoMappingServesTheSameFileAgainAndNeverAStaleOne)
{
    MappedFile::releaseKept();
    TempFolder folder;
    const fs::path path = folder.path() / "f";
    testing::writeFile(path, numberedBytes(100));
    auto handle = io::FileHandle::open(path, io::OpenMode::ReadWrite);
    ASSERT_TRUE(handle);
    MappedFile map;
    ASSERT_TRUE(map.map(handle->descriptor(), 100, 1000));
    const std::uint8_t* first = map.view(0, 1);
    map.unmap();
    EXPECT_EQ(MappedFile::keptCount(), 1u);
    ASSERT_TRUE(map.map(handle->descriptor(), 100, 1000));
    EXPECT_EQ(map.view(0, 1), first) << "the same file, unchanged: the same pages";
    EXPECT_EQ(MappedFile::keptCount(), 0u);

    // Written in place, at its size: whichever mapping comes, it holds the new bytes.
    map.unmap();
    ASSERT_TRUE(handle->writeAt(10, "XYZ", 3));
    ASSERT_TRUE(map.map(handle->descriptor(), 100, 1000));
    ASSERT_NE(map.view(10, 3), nullptr);
    EXPECT_EQ(std::memcmp(map.view(10, 3), "XYZ", 3), 0);

    // Grown: the mapping reaches the new end.
    map.unmap();
    ASSERT_TRUE(handle->writeAt(100, "tail", 4));
    ASSERT_TRUE(map.map(handle->descriptor(), 104, 1000));
    EXPECT_EQ(map.size(), 104u);
    ASSERT_NE(map.view(100, 4), nullptr);
    EXPECT_EQ(std::memcmp(map.view(100, 4), "tail", 4), 0);

    // Cut: the old, longer mapping is not handed out (a read past the end of a
    // file would kill the process).
    map.unmap();
    fs::resize_file(path, 20);
    ASSERT_TRUE(map.map(handle->descriptor(), 20, 1000));
    EXPECT_EQ(map.size(), 20u);
    EXPECT_EQ(map.view(19, 2), nullptr);
    map.unmap();

    // Replaced by another file of the same length under the same name.
    testing::writeFile(folder.path() / "g", std::string(20, 'Q'));
    fs::rename(folder.path() / "g", path);
    auto other = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    ASSERT_TRUE(other);
    ASSERT_TRUE(map.map(other->descriptor(), 20, 1000));
    EXPECT_EQ(*map.view(0, 1), 'Q');
    map.unmap();
    MappedFile::releaseKept();
    EXPECT_EQ(MappedFile::keptCount(), 0u);
}

class MappedCachedFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::writeFile(path, numberedBytes(100));
        ASSERT_TRUE(file.open(path, io::OpenMode::ReadWrite));
    }

    std::string read(std::uint64_t offset, std::size_t count)
    {
        std::string out(count, '\0');
        out.resize(file.readAt(offset, out.data(), count));
        return out;
    }

    TempFolder folder;
    fs::path path = folder.path() / "f";
    std::string expected = numberedBytes(100);
    CachedFile file;
};

TEST_F(MappedCachedFile, ReadsPastTheMappedHeadComeFromTheFile)
{
    ASSERT_TRUE(file.mapForReading(30));
    EXPECT_EQ(file.mappedSize(), 30u);
    EXPECT_EQ(read(20, 30), expected.substr(20, 30));  // across the end of the mapping
    EXPECT_EQ(read(90, 20), expected.substr(90));       // short at the end of the file
    EXPECT_EQ(read(100, 4), "");
    EXPECT_NE(file.view(26, 4), nullptr);
    EXPECT_EQ(file.view(27, 4), nullptr);  // not all mapped: the caller copies
}

TEST_F(MappedCachedFile, FileShorterThanTheLimitIsMappedToItsEnd)
{
    ASSERT_TRUE(file.mapForReading(1 << 20));
    EXPECT_EQ(file.mappedSize(), 100u);
    EXPECT_EQ(read(0, 200), expected);
    EXPECT_EQ(file.view(96, 5), nullptr);
}

TEST_F(MappedCachedFile, WritesAndAppendsAreSeenWhileMapped)
{
    ASSERT_TRUE(file.mapForReading(100));
    ASSERT_TRUE(file.writeAt(10, "XYZ", 3));
    EXPECT_EQ(read(8, 6), "ijXYZn");
    ASSERT_NE(file.view(10, 3), nullptr);
    EXPECT_EQ(std::memcmp(file.view(10, 3), "XYZ", 3), 0);
    file.setAppendBuffer(64);
    ASSERT_TRUE(file.append("tail", 4));
    EXPECT_EQ(read(98, 6), "uvtail");  // pending bytes after the mapped ones
    ASSERT_TRUE(file.flush());
    EXPECT_EQ(read(98, 6), "uvtail");  // now in the file, past the mapping
    EXPECT_EQ(testing::readFile(path).substr(8, 6), "ijXYZn");
}

TEST_F(MappedCachedFile, HeadCacheStaysAheadOfTheMapping)
{
    // Bytes changed in the head cache and not yet flushed are the ones read.
    ASSERT_TRUE(file.mapForReading(100));
    ASSERT_TRUE(file.setHeadCache(nullptr, 50));
    ASSERT_TRUE(file.writeAt(40, "##", 2));
    EXPECT_EQ(read(38, 6), "mn##qr");
    EXPECT_EQ(testing::readFile(path).substr(40, 2), "op");
}

// An archive of this repository's own sources, indexed for real, then read by a
// mapped store and by a store that reads the files, side by side.
class MappedArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "mapped";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
        ASSERT_TRUE(testing::indexFolder(*ws, testing::sourceTree() + "/src/core/archive/"));
        ASSERT_EQ(ws->BreakCode, app::StopCode::None);
    }

    // Every document, its word list, every word of it found again by its text, its
    // postings and its folder: the two stores must agree on all of it.
    void expectSameReads(ArchiveStore& mapped, ArchiveStore& plain)
    {
        const std::string dictionary = testing::readFile(plain.slotPath(SlotWords));
        ASSERT_EQ(mapped.documentCount(), plain.documentCount());
        ASSERT_GT(plain.documentCount(), 10u);
        std::set<std::uint32_t> nodes;
        for (std::uint32_t n = 0; n <= plain.documentCount() + 1; ++n) {
            auto a = mapped.readDocument(n);
            auto b = plain.readDocument(n);
            ASSERT_EQ(a.has_value(), b.has_value()) << n;
            if (!b)
                continue;
            EXPECT_EQ(a->key, b->key);
            EXPECT_EQ(a->size, b->size);
            EXPECT_EQ(a->wordList, b->wordList);
            EXPECT_EQ(mapped.folderText(a->folderText), plain.folderText(b->folderText));
            auto list = plain.readWordList(b->wordList);
            EXPECT_EQ(mapped.readWordList(a->wordList), list);
            nodes.insert(list.begin(), list.end());
            if (!list.empty()) {
                // Present twice, present once, absent: the count is per entry of `nodes`.
                std::vector<std::uint32_t> asked = {list.back(), 7, list.front(), list.back()};
                std::size_t expected = 3 + (list.front() == 7 || list.back() == 7 ? 1 : 0);
                EXPECT_EQ(mapped.countInWordList(a->wordList, asked), expected);
                EXPECT_EQ(plain.countInWordList(b->wordList, asked), expected);
            }
        }
        ASSERT_GT(nodes.size(), 200u);
        std::size_t postings = 0;
        for (std::uint32_t node : nodes) {
            if (node >= dictionary.size())
                continue;  // a root entry of the list, not a dictionary node
            auto word = WordNode::decode(reinterpret_cast<const std::uint8_t*>(dictionary.data()) + node,
                                         dictionary.size() - node);
            if (!word)
                continue;
            auto a = mapped.findWord(word->word);
            auto b = plain.findWord(word->word);
            ASSERT_EQ(a.has_value(), b.has_value()) << word->word;
            if (!b)
                continue;
            EXPECT_EQ(a->node, b->node);
            EXPECT_EQ(a->postings, b->postings);
            auto documents = plain.readPostings(b->postings);
            EXPECT_EQ(mapped.readPostings(a->postings), documents);
            postings += documents.size();
            EXPECT_EQ(mapped.hasRoot(word->word.substr(0, 3)), plain.hasRoot(word->word.substr(0, 3)));
        }
        EXPECT_GT(postings, nodes.size() / 2);
        EXPECT_FALSE(mapped.findWord("zzqqxxnotaword").has_value());
        EXPECT_FALSE(mapped.consumeDamage());
        EXPECT_FALSE(plain.consumeDamage());
    }

    void expectMappedReadsAsFileReads()
    {
        ArchiveStore mapped(ws->storeContext());
        ArchiveStore plain(ws->storeContext());
        ASSERT_TRUE(mapped.open());
        ASSERT_TRUE(plain.open(false));
        expectSameReads(mapped, plain);
    }

    TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(MappedArchive, WholeFilesMappedReadTheSameAsFileReads)
{
    expectMappedReadsAsFileReads();
}

TEST_F(MappedArchive, OnlyTheHeadsWithinTheBuffersAreMapped)
{
    // Buffers smaller than the dictionary and the postings: the rest of each
    // file is read from it, and nothing changes.
    app::WorkBufferSizes sizes = ws->workBuffers.sizes();
    const auto dictionarySize = fs::file_size(ws->store().slotPath(SlotWords));
    const auto postingsSize = fs::file_size(ws->store().slotPath(SlotPostings));
    sizes.dictionaryUsable = app::WorkBufferSizes::kMinimumDictionaryUsable;
    sizes.postingsUsable = static_cast<std::int64_t>(postingsSize / 3);
    ASSERT_GT(dictionarySize, static_cast<std::uintmax_t>(sizes.dictionaryUsable) + 4096);
    ws->workBuffers.release();
    ASSERT_TRUE(ws->workBuffers.allocate(sizes));
    expectMappedReadsAsFileReads();
}

// What the command line's one-search process reads: the tree, the postings and
// the word lists through the file, the rest mapped.
struct SearchOnceReaders {
    SearchOnceReaders() { ArchiveStore::setSearchOnceReaders(true); }
    ~SearchOnceReaders() { ArchiveStore::setSearchOnceReaders(false); }
};

// A working folder whose one archive is made of `tree`, written by the test.
class OneSearchArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ws.PrepareWorkspace(), 1);
        ws.setPumpInterval(std::chrono::milliseconds(0));
    }

    void index(const char* name)
    {
        indexing::NewArchive request;
        request.name = name;
        ASSERT_EQ(indexing::CreateArchive(ws, request).number, 1);
        ASSERT_TRUE(testing::indexFolder(ws, tree));
    }

    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace ws{host, testing::testProbe(folder.path())};
    const fs::path tree = folder.path() / "tree";
};

TEST_F(MappedArchive, SearchOnceReadersReadTheSameAsFileReads)
{
    SearchOnceReaders once;
    expectMappedReadsAsFileReads();
}

TEST_F(OneSearchArchive, ALongDenseListReadByWindowsLosesNothing)
{
    // 700 documents hold one word, 300 another: both walks go on by windows of
    // the file after their first 256 postings read one by one, and give what a
    // store reading every posting gives.
    for (int i = 0; i < 700; ++i)
        testing::writeFile(tree / ("d" + std::to_string(i / 100)) / ("f" + std::to_string(i) + ".txt"),
                           "lanterna parola" + std::to_string(i) + (i % 7 < 3 ? " giardino" : "") + "\n");
    ASSERT_NO_FATAL_FAILURE(index("long"));

    SearchOnceReaders once;
    ArchiveStore reader(ws.storeContext());
    ArchiveStore plain(ws.storeContext());
    ASSERT_TRUE(reader.open());
    ASSERT_TRUE(plain.open(false));
    for (const char* word : {"lanterna", "giardino"}) {
        auto a = reader.findWord(word);
        auto b = plain.findWord(word);
        ASSERT_TRUE(a && b) << word;
        const std::vector<std::uint32_t> documents = plain.readPostings(b->postings);
        EXPECT_EQ(documents.size(), std::string(word) == "lanterna" ? 700u : 300u) << word;
        EXPECT_EQ(reader.readPostings(a->postings), documents) << word;
    }
    EXPECT_FALSE(reader.consumeDamage());
}

TEST_F(OneSearchArchive, AWordListLongerThanEveryChunkReadsAsTheMappedList)
{
    // A document of 40,000 different words has a list that spans many chunks of
    // every size the reader goes through; the mapped list is the truth.
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        std::string word = "w";
        for (int n = i, k = 0; k < 4; ++k, n /= 26)
            word += static_cast<char>('a' + n % 26);
        text += word + (i % 12 == 11 ? "\n" : " ");
    }
    testing::writeFile(tree / "a.txt", text);
    testing::writeFile(tree / "b.txt", "lanterna giardino\n");
    ASSERT_NO_FATAL_FAILURE(index("wide"));

    ArchiveStore mapped(ws.storeContext());
    ASSERT_TRUE(mapped.open());
    SearchOnceReaders once;
    ArchiveStore reader(ws.storeContext());
    ASSERT_TRUE(reader.open());
    for (std::uint32_t number = 1; number <= mapped.documentCount(); ++number) {
        auto record = mapped.readDocument(number);
        ASSERT_TRUE(record && record->wordList != 0) << number;
        const std::vector<std::uint32_t> list = mapped.readWordList(record->wordList);
        EXPECT_EQ(reader.readWordList(record->wordList), list) << record->key;
        ASSERT_FALSE(list.empty());
        // The last entry is found only after every chunk has been read.
        const std::vector<std::uint32_t> asked = {list.back(), list[list.size() / 2], list.front()};
        EXPECT_EQ(reader.countInWordList(record->wordList, asked), 3u) << record->key;
        EXPECT_EQ(reader.countInWordList(record->wordList, {1}), 0u) << record->key;
        if (record->key.ends_with("a.txt")) {
            EXPECT_GT(list.size(), 40000u * 4 / 5);
        }
    }
    EXPECT_FALSE(reader.consumeDamage());
    EXPECT_FALSE(mapped.consumeDamage());
}

TEST_F(MappedArchive, TruncatedPostingsEndTheWalkAsFileReadsDo)
{
    // The newest postings are cut off after indexing; a mapped store sees the file
    // as it is when opened, so its walks end at the same places.
    const std::string postingsPath = ws->store().slotPath(SlotPostings);
    const auto size = fs::file_size(postingsPath);
    fs::resize_file(postingsPath, size - size / 4 - 3);
    ArchiveStore mapped(ws->storeContext());
    ArchiveStore plain(ws->storeContext());
    ASSERT_TRUE(mapped.open());
    ASSERT_TRUE(plain.open(false));
    std::size_t damagedWalks = 0;
    for (const char* word : {"archive", "file", "offset", "bytes", "include", "return", "const", "size"}) {
        auto a = mapped.findWord(word);
        auto b = plain.findWord(word);
        ASSERT_EQ(a.has_value(), b.has_value()) << word;
        if (!b)
            continue;
        EXPECT_EQ(mapped.readPostings(a->postings), plain.readPostings(b->postings)) << word;
        bool damageA = mapped.consumeDamage();
        EXPECT_EQ(damageA, plain.consumeDamage()) << word;
        damagedWalks += damageA ? 1 : 0;
    }
    EXPECT_GT(damagedWalks, 0u);  // the cut reached some lists
}

TEST_F(MappedArchive, DamagedWordListsEndAsFileReadsDo)
{
    // The second document's list made to loop back to its start, and the file cut
    // inside the last document's list: mapped and file reads stop at the same
    // entry with the same damage, and the count ends with them.
    ArchiveStore plain(ws->storeContext());
    ASSERT_TRUE(plain.open(false));
    auto second = plain.readDocument(2);
    auto last = plain.readDocument(plain.documentCount());
    ASSERT_TRUE(second && last && second->wordList != 0 && last->wordList != 0);
    auto secondList = plain.readWordList(second->wordList);
    auto lastList = plain.readWordList(last->wordList);
    ASSERT_GT(lastList.size(), 4u);
    plain.close();

    const std::string listsPath = ws->store().slotPath(SlotWordLists);
    std::string bytes = testing::readFile(listsPath);
    const std::size_t endMark = second->wordList + 4 * secondList.size();
    ASSERT_LT(endMark + 8, bytes.size());
    putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + endMark + 4, second->wordList);
    bytes.resize(last->wordList + 4 * 3 + 2);  // three whole entries, then half of one
    testing::writeFile(listsPath, bytes);

    ArchiveStore mapped(ws->storeContext());
    ASSERT_TRUE(mapped.open());
    ASSERT_TRUE(plain.open(false));
    for (std::uint32_t list : {second->wordList, last->wordList}) {
        auto a = mapped.readWordList(list);
        EXPECT_TRUE(mapped.consumeDamage());
        auto b = plain.readWordList(list);
        EXPECT_TRUE(plain.consumeDamage());
        EXPECT_EQ(a, b);
        // A count that has found every node stops before the damage; one still
        // looking walks into it.
        std::vector<std::uint32_t> asked = {b.front()};
        EXPECT_EQ(mapped.countInWordList(list, asked), 1u);
        EXPECT_FALSE(mapped.consumeDamage());
        std::vector<std::uint32_t> absent = {b.front(), 0xFFFFFF01u};
        EXPECT_EQ(mapped.countInWordList(list, absent), 1u);
        EXPECT_TRUE(mapped.consumeDamage());
    }
    EXPECT_EQ(mapped.readWordList(last->wordList), std::vector<std::uint32_t>(lastList.begin(), lastList.begin() + 3));
    // The loop runs until the budget of entries is spent: far more than the list.
    EXPECT_GT(mapped.readWordList(second->wordList).size(), 10 * secondList.size());
}

} // namespace
} // namespace vedra::archive
