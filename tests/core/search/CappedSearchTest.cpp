// A search that keeps only the rows a caller shows (`vedra search --limit`): its
// first rows and its count are those of the full search, hits in the path and paths
// met twice included.
#include "core/search/ListedPaths.h"
#include "core/search/SearchRun.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

TEST(ListedPathsTest, APathCountsOnceWhicheverDocumentBringsItAgain)
{
    std::map<std::uint32_t, std::string> paths;
    ListedPaths listed;
    auto pathOf = [&paths](std::uint32_t document, std::string& path) {
        auto found = paths.find(document);
        if (found == paths.end())
            return false;
        path = found->second;
        return true;
    };
    // Past the first growth of the table: answers kept across it.
    for (std::uint32_t n = 1; n <= 3000; ++n) {
        paths[n] = "/d" + std::to_string(n % 97) + "/f" + std::to_string(n) + ".txt";
        ASSERT_TRUE(listed.firstListing(paths[n], n, pathOf)) << n;
    }
    EXPECT_EQ(listed.size(), 3000u);
    EXPECT_FALSE(listed.firstListing(paths[1], 1, pathOf));          // the same document again
    EXPECT_FALSE(listed.firstListing(paths[2999], 4001, pathOf));    // another document, same path
    EXPECT_FALSE(listed.firstListing(paths[3000], 4002, pathOf));    // the last one listed
    EXPECT_TRUE(listed.firstListing("/d1/f1.txt ", 4003, pathOf));   // one byte more
    // A document whose path cannot be made again does not hide a new path.
    paths.erase(5);
    EXPECT_TRUE(listed.firstListing("/elsewhere/f5.txt", 4004, pathOf));
    listed.clear();
    EXPECT_TRUE(listed.firstListing(paths[1], 1, pathOf));
}

class CappedSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "alpha bravo charlie delta");
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "capped";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
    }

    struct Found {
        std::vector<std::string> rows;
        std::size_t count = 0;
    };
    Found search(const std::string& query, bool andWords, std::size_t kept)
    {
        ResultList results;
        SearchRun run(*ws, results);
        run.options().andWords = andWords ? 1 : 0;
        run.keepRowsUpTo(kept);
        run.RunSearch(query);
        Found found;
        for (std::size_t i = 0; i < results.size(); ++i)
            found.rows.push_back(std::string(results.label(i)));
        found.count = run.rowsFound();
        return found;
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(CappedSearchTest, FirstRowsAndCountAreThoseOfTheFullSearch)
{
    // Files in folders named after a query word too (their rows go to the top), so
    // the top and the end of the list both pass the cap.
    std::mt19937 random(77);
    const std::vector<std::string> words = {"alpha", "bravo", "charlie", "delta"};
    for (int i = 0; i < 60; ++i) {
        const std::string folderName = i % 4 == 0 ? "bravo" + std::to_string(i % 3) : "plain" + std::to_string(i % 5);
        std::string text;
        for (int w = 0; w < 1 + static_cast<int>(random() % 3); ++w)
            text += words[random() % words.size()] + " ";
        testing::writeFile(tree / folderName / ("f" + std::to_string(i) + ".txt"), text + "\n");
    }
    ASSERT_TRUE(testing::indexFolder(*ws, tree));

    for (const auto& [query, andWords] : std::vector<std::pair<std::string, bool>>{
             {"bravo", false}, {"alpha", false}, {"alpha bravo", false}, {"bravo charlie", true}, {"delta", false}}) {
        const Found full = search(query, andWords, 0);
        ASSERT_FALSE(full.rows.empty()) << query;
        EXPECT_EQ(full.count, full.rows.size()) << query;
        for (std::size_t kept : {std::size_t{1}, std::size_t{2}, std::size_t{5}, full.rows.size() - 1,
                                 full.rows.size(), full.rows.size() + 3}) {
            if (kept == 0)
                continue;
            const Found capped = search(query, andWords, kept);
            SCOPED_TRACE(query + " kept " + std::to_string(kept));
            EXPECT_EQ(capped.count, full.count);
            const std::size_t shown = std::min(kept, full.rows.size());
            ASSERT_GE(capped.rows.size(), shown);
            EXPECT_LE(capped.rows.size(), 2 * kept);
            EXPECT_EQ(std::vector<std::string>(capped.rows.begin(), capped.rows.begin() + static_cast<long>(shown)),
                      std::vector<std::string>(full.rows.begin(), full.rows.begin() + static_cast<long>(shown)));
        }
    }
}

} // namespace
} // namespace vedra::search
