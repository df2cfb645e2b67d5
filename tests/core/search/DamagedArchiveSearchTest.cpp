// The search over an archive whose files were cut short (a crash, a full disk, a
// copy broken off) or whose postings lists repeat and loop: every search mode must
// end, list what it can read, and never list one document twice.
#include "core/search/SearchRun.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/ByteOrder.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kVocabulary = {
    "amber", "basil", "cedar", "dune",  "ember", "fjord", "grove", "heath", "inlet", "juniper",
    "kelp",  "larch", "maple", "nettle", "oasis", "pine",  "quarry", "reed", "sorrel", "thyme"};

// The archive files a search reads.
constexpr int kReadSlots[] = {archive::SlotDocuments, archive::SlotDocumentKeys, archive::SlotFolders,
                              archive::SlotWords,     archive::SlotPostings,     archive::SlotWordLists};

struct SearchMode {
    const char* name;
    std::function<void(SearchRun&)> configure;
    std::string query;
    bool oncePerWord = false;  // "words OR" lists a document once per dictionary word it holds
};

const std::vector<SearchMode>& searchModes()
{
    static const std::vector<SearchMode> modes = {
        {"and, two words", [](SearchRun&) {}, "amber basil"},
        {"and, three words", [](SearchRun&) {}, "cedar dune ember"},
        {"one word", [](SearchRun&) {}, "fjord"},
        {"any word", [](SearchRun& run) { run.options().andWords = 0; }, "grove heath inlet"},
        {"words or", [](SearchRun& run) { run.options().wordsOr = 1; }, "apl", true},
        {"in the path", [](SearchRun& run) { run.options().inThePath = 1; }, "juniper"},
        {"by file name", [](SearchRun& run) { run.setFilesText("*.txt"); }, ""},
        {"all archives", [](SearchRun& run) { run.options().allArchives = 1; }, "kelp larch"},
    };
    return modes;
}

class DamagedArchiveSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string roots;
        for (const std::string& word : kVocabulary)
            roots += word + " ";
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", roots);
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "damage";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
    }

    // A few hundred files in a dozen folders, a few words each; some folder names
    // hold a query word, so the path matches play too.
    void buildAndIndexTree(std::uint32_t seed, int folders, int filesPerFolder)
    {
        std::mt19937 random(seed);
        for (int f = 0; f < folders; ++f) {
            fs::path sub = tree / (kVocabulary[static_cast<std::size_t>(f) % kVocabulary.size()] + std::to_string(f));
            for (int i = 0; i < filesPerFolder; ++i) {
                std::string text;
                int count = 2 + static_cast<int>(random() % 6);
                for (int w = 0; w < count; ++w)
                    text += kVocabulary[random() % kVocabulary.size()] + (w % 3 == 2 ? "\n" : " ");
                testing::writeFile(sub / ("n" + std::to_string(i) + ".txt"), text);
            }
        }
        ASSERT_TRUE(testing::indexFolder(*ws, tree));
        testing::writeFile(ws->ArchiveFolder + "vedraindice.txt",
                           "Juniper notes ** juniper/notes.txt\r\nOther ** other.txt\r\n");
    }

    std::vector<std::string> slotPaths()
    {
        std::vector<std::string> paths;
        for (int slot : kReadSlots)
            paths.push_back(ws->store().slotPath(slot));
        return paths;
    }

    // Runs one mode on a fresh list; the rows' labels (and Words for "words OR").
    std::vector<std::pair<std::string, std::string>> run(const SearchMode& mode)
    {
        ws->BreakCode = app::StopCode::None;
        ResultList results;
        SearchRun search(*ws, results);
        mode.configure(search);
        search.RunSearch(mode.query);
        std::vector<std::pair<std::string, std::string>> rows;
        for (std::size_t i = 0; i < results.size(); ++i)
            rows.emplace_back(results.row(i).label(), mode.oncePerWord ? results.row(i).columns[3] : "");
        return rows;
    }

    static void expectNoRepeat(const std::vector<std::pair<std::string, std::string>>& rows, const char* mode)
    {
        std::set<std::pair<std::string, std::string>> unique(rows.begin(), rows.end());
        EXPECT_EQ(unique.size(), rows.size()) << mode << ": a document listed twice";
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(DamagedArchiveSearchTest, FilesCutAtRandomOffsetsAreSearchedInEveryModeWithoutARepeatedRow)
{
    const std::uint32_t seed = 20261209;
    buildAndIndexTree(seed, 12, 25);
    const std::vector<std::string> paths = slotPaths();
    std::vector<std::string> sound;
    for (const std::string& path : paths)
        sound.push_back(testing::readFile(path));

    // The sound archive answers every mode, so the damaged runs have rows to lose.
    for (const SearchMode& mode : searchModes()) {
        auto rows = run(mode);
        EXPECT_FALSE(rows.empty()) << mode.name;
        expectNoRepeat(rows, mode.name);
    }

    std::mt19937 random(seed);
    for (int round = 0; round < 100; ++round) {
        std::string damage = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ":";
        for (std::size_t i = 0; i < paths.size(); ++i)
            testing::writeFile(paths[i], sound[i]);
        const int cuts = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < cuts; ++c) {
            std::size_t which = random() % paths.size();
            std::uint64_t size = fs::file_size(paths[which]);
            // Half of the cuts land in the last tenth: the tail a crash leaves unfinished.
            std::uint64_t at = random() % 2 == 0 ? random() % (size + 1) : size - random() % (size / 10 + 1);
            fs::resize_file(paths[which], at);
            damage += " " + fs::path(paths[which]).filename().string() + " at " + std::to_string(at) + " of " +
                      std::to_string(size);
        }
        SCOPED_TRACE(damage);
        for (const SearchMode& mode : searchModes())
            expectNoRepeat(run(mode), mode.name);
    }
}

// Postings poked so that a list names one document twice, points back to itself or
// points forward: the walks end, and the document is listed once.
class DamagedPostingsTest : public DamagedArchiveSearchTest {
protected:
    void SetUp() override
    {
        DamagedArchiveSearchTest::SetUp();
        testing::writeFile(tree / "a.txt", "larch maple");
        testing::writeFile(tree / "b.txt", "larch maple");
        testing::writeFile(tree / "c.txt", "larch maple");
        archive::ArchiveStore& store = ws->store();
        ASSERT_TRUE(store.openForIndexing(ws->cacheSizes()));
        indexing::ArchiveLists lists;
        lists.load(store);
        indexing::IndexingRun indexer(*ws, store, lists);
        indexer.RunIndexing(tree.string() + "/", indexing::RunMode::Normal);
        ASSERT_TRUE(store.close());
        ASSERT_TRUE(store.open());
        auto found = store.findWord("larch");
        ASSERT_TRUE(found);
        head = found->postings;
        store.close();
        postingsPath = store.slotPath(archive::SlotPostings);
        std::string bytes = testing::readFile(postingsPath);
        ASSERT_GE(bytes.size(), head + 8u);
        const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
        headDocument = archive::getU32le(raw + head);
        second = archive::getU32le(raw + head + 4);
        ASSERT_NE(second, 0u);
        ASSERT_LT(second, head);
    }

    void poke(std::uint32_t offset, std::uint32_t value)
    {
        std::fstream file(postingsPath, std::ios::in | std::ios::out | std::ios::binary);
        std::uint8_t bytes[4];
        archive::putU32le(bytes, value);
        file.seekp(offset);
        file.write(reinterpret_cast<const char*>(bytes), 4);
    }

    std::size_t rowsOf(const std::string& path, const SearchMode& mode)
    {
        std::size_t count = 0;
        for (const auto& row : run(mode))
            count += row.first == path ? 1 : 0;
        return count;
    }

    std::string postingsPath;
    std::uint32_t head = 0;
    std::uint32_t headDocument = 0;
    std::uint32_t second = 0;
};

TEST_F(DamagedPostingsTest, ADocumentNamedTwiceInAListIsListedOnce)
{
    // The older posting now names the newest document too.
    poke(second, headDocument);
    const std::string newest = (tree / "c.txt").string();
    const SearchMode modes[] = {
        {"and", [](SearchRun&) {}, "larch maple"},
        {"one word", [](SearchRun&) {}, "larch"},
        {"words or", [](SearchRun& run) { run.options().wordsOr = 1; }, "larch", true},
    };
    for (const SearchMode& mode : modes)
        EXPECT_EQ(rowsOf(newest, mode), 1u) << mode.name;
}

TEST_F(DamagedPostingsTest, APostingPointingToItselfOrForwardEndsTheWalk)
{
    const std::string newest = (tree / "c.txt").string();
    const SearchMode oneWord{"one word", [](SearchRun&) {}, "larch"};
    poke(head + 4, head);
    EXPECT_EQ(rowsOf(newest, oneWord), 1u) << "next = itself";
    poke(head + 4, head + 8);
    EXPECT_EQ(rowsOf(newest, oneWord), 1u) << "next = a later posting";
    poke(second + 4, head);
    poke(head + 4, second);
    EXPECT_EQ(rowsOf(newest, oneWord), 1u) << "two postings pointing at each other";
    const SearchMode both{"and", [](SearchRun&) {}, "larch maple"};
    EXPECT_LE(rowsOf(newest, both), 1u);
}

} // namespace
} // namespace vedra::search
