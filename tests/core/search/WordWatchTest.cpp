// The word watch of an indexing run: the query's words as the run compares them,
// and a real run that lists exactly the documents it reads holding one of them.
#include "core/search/WordWatch.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace vedra::search {
namespace {

class WordWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "alpha bravo charlie delta echo");
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "watch";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
    }

    QueryWordTable parse(const std::string& text)
    {
        QueryWordTable table;
        ParseQueryWords(text, false, 0, {ws->minWordLength, ws->maxWordLength, ws->truncationThreshold}, nullptr,
                        table);
        return table;
    }

    std::set<std::string> labels(const ResultList& results)
    {
        std::set<std::string> out;
        for (std::size_t i = 0; i < results.size(); ++i)
            out.insert(results.row(i).label());
        return out;
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(WordWatchTest, ARunListsTheDocumentsHoldingAWatchedWordOnce)
{
    const std::filesystem::path tree = folder.path() / "corpus";
    testing::writeFile(tree / "a.txt", "alpha bravo alpha");
    testing::writeFile(tree / "b.txt", "charlie delta");
    testing::writeFile(tree / "sub" / "c.txt", "echo DELTA echo");
    testing::writeFile(tree / "sub" / "d.txt", "deltaforce alphabet");  // longer words are other words

    ResultList results;
    ResultRow earlier;
    earlier.columns[0] = (tree / "b.txt").string();
    results.append(earlier);
    const std::vector<std::string> watched = WordWatchWords(parse("Delta l'alpha"));
    indexing::IndexFolderHooks hooks;
    hooks.watchWords = watched;
    int reports = 0;
    hooks.onWatchedDocument = [&](const std::string& path) {
        ++reports;
        AddWatchedDocument(*ws, results, path, watched);
    };
    const indexing::IndexFolderResult run =
        indexing::IndexFolder(*ws, tree.string(), indexing::IndexCommand::Normal, {}, hooks);
    ASSERT_EQ(run.status, indexing::IndexStatus::Done);
    ASSERT_EQ(run.totalDocuments, 4u);

    EXPECT_EQ(reports, 3) << "once per document, however often the word occurs";
    EXPECT_EQ(labels(results), (std::set<std::string>{(tree / "a.txt").string(), (tree / "b.txt").string(),
                                                       (tree / "sub" / "c.txt").string()}));
    ASSERT_EQ(results.size(), 3u) << "b.txt was listed already";
    const std::optional<std::size_t> row = results.findLabel((tree / "a.txt").string());
    ASSERT_TRUE(row);
    EXPECT_EQ(results.row(*row)[ResultColumn::Words], "delta alpha ");
    EXPECT_EQ(results.row(*row)[ResultColumn::Archive], ws->currentArchiveName());

    // Without watched words the run reports nothing.
    testing::writeFile(tree / "e.txt", "alpha");
    indexing::IndexFolderHooks none;
    none.onWatchedDocument = [&](const std::string&) { ++reports; };
    indexing::IndexFolder(*ws, tree.string(), indexing::IndexCommand::Normal, {}, none);
    EXPECT_EQ(reports, 3);
}

} // namespace
} // namespace vedra::search
