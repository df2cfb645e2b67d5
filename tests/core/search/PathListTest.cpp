// The index list's entries turned into paths and result rows: the three kinds of
// FILE text, the redirect folder, leading blanks, and the row a click or a double
// click finds or adds.
#include "core/search/PathList.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

class PathListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "indice";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
        ASSERT_FALSE(ws->ArchiveFilesFolder.empty());
        ASSERT_TRUE(ws->RedirectFolder.empty());
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(PathListTest, DoubleClickPathFollowsTheFileText)
{
    const std::string files = ws->ArchiveFilesFolder;
    // ':' names a file below the archive's files folder; blanks after it go.
    EXPECT_EQ(IndexEntryPath(*ws, {"Capitolo 2", ":docs/cap2.txt"}), files + "docs/cap2.txt");
    EXPECT_EQ(IndexEntryPath(*ws, {"Capitolo 2", ":  docs/cap2.txt"}), files + "docs/cap2.txt");
    // Without ':' the FILE text is the address itself, leading blanks removed.
    EXPECT_EQ(IndexEntryPath(*ws, {"Capitolo 1 ", "docs/cap1.txt"}), "docs/cap1.txt");
    EXPECT_EQ(IndexEntryPath(*ws, {"Sito", "  www.example.org/a.htm"}), "www.example.org/a.htm");
    EXPECT_EQ(IndexEntryPath(*ws, {"Disco", "/srv/doc/a.txt"}), "/srv/doc/a.txt");
    // The local mark makes the INDEX text the path, in its Linux and Windows forms,
    // and wins over the ':' that begins it.
    EXPECT_EQ(IndexEntryPath(*ws, {"  /home/anna/lettera.txt", ":/local"}), "/home/anna/lettera.txt");
    EXPECT_EQ(IndexEntryPath(*ws, {"/home/anna/lettera.txt", "x:\\local"}), "/home/anna/lettera.txt");
    // A ':' that is not the first character is no mark.
    EXPECT_EQ(IndexEntryPath(*ws, {"Web", "http://example.org/"}), "http://example.org/");
    EXPECT_EQ(IndexEntryPath(*ws, {"Vuoto", ""}), "");

    // An archive folder that cannot be written sends its files to the redirect folder.
    ws->RedirectFolder = folder.slash() + "indice_rep/";
    EXPECT_EQ(IndexEntryPath(*ws, {"Capitolo 2", ":docs/cap2.txt"}), ws->RedirectFolder + "docs/cap2.txt");
    EXPECT_EQ(IndexEntryPath(*ws, {"Capitolo 1 ", "docs/cap1.txt"}), "docs/cap1.txt");
    EXPECT_EQ(IndexEntryListedPath(*ws, {"Capitolo 1 ", "docs/cap1.txt"}), files + "docs/cap1.txt")
        << "the search lists entries below the files folder itself";
}

TEST_F(PathListTest, ClickFindsTheListedRowOrAddsOneWithTheWords)
{
    ResultList results;
    ResultRow other;
    other.columns[0] = "/elsewhere/a.txt";
    results.append(other);
    ResultRow listed;
    listed.columns[0] = ws->ArchiveFilesFolder + "docs/cap1.txt";
    listed[ResultColumn::Words] = "capitolo";
    results.append(listed);

    const PathEntry first{"Capitolo 1 ", "docs/cap1.txt"};
    EXPECT_EQ(IndexEntryRow(*ws, results, first, "mare"), 1u) << "the row the search listed";
    EXPECT_EQ(results.size(), 2u);

    const PathEntry second{"Capitolo 2", ":docs/cap2.txt"};
    const std::size_t added = IndexEntryRow(*ws, results, second, "mare sole");
    ASSERT_EQ(added, 2u);
    EXPECT_EQ(results.row(added).label(), ws->ArchiveFilesFolder + "docs/cap2.txt");
    EXPECT_EQ(results.row(added)[ResultColumn::Words], "mare sole") << "an extract looks for the typed words";
    EXPECT_EQ(results.row(added)[ResultColumn::Size], "");
    EXPECT_EQ(results.row(added)[ResultColumn::Archive], ws->currentArchiveName());
    EXPECT_EQ(results.row(added).pathKind, 'f');
    EXPECT_EQ(IndexEntryRow(*ws, results, second, "altro"), added) << "a second click adds nothing";
    EXPECT_EQ(results.size(), 3u);
    EXPECT_EQ(results.row(added)[ResultColumn::Words], "mare sole") << "a row's own words are kept";

    // A row without words (a double click's) takes the words of a click with words.
    const PathEntry third{"Capitolo 3", ":docs/cap3.txt"};
    const std::size_t bare = IndexEntryOpenRow(*ws, results, third);
    EXPECT_EQ(IndexEntryRow(*ws, results, third, ""), bare);
    EXPECT_EQ(results.row(bare)[ResultColumn::Words], "");
    EXPECT_EQ(IndexEntryRow(*ws, results, third, "luna"), bare);
    EXPECT_EQ(results.row(bare)[ResultColumn::Words], "luna");
    EXPECT_EQ(results.row(bare).label(), ws->ArchiveFilesFolder + "docs/cap3.txt");
    EXPECT_EQ(results.size(), 4u);
}

TEST_F(PathListTest, DoubleClickAddsARowWithoutSizeAndWordsOnce)
{
    ResultList results;
    ResultRow listed;
    listed.columns[0] = ws->ArchiveFilesFolder + "docs/cap1.txt";
    results.append(listed);

    // The search's row is not the double-click path of an entry without ':'.
    const PathEntry web{"Capitolo 1 ", "docs/cap1.txt"};
    const std::size_t row = IndexEntryOpenRow(*ws, results, web);
    ASSERT_EQ(row, 1u);
    EXPECT_EQ(results.row(row).label(), "docs/cap1.txt");
    EXPECT_EQ(results.row(row).pathKind, 'w');
    EXPECT_EQ(results.row(row)[ResultColumn::Words], "");
    EXPECT_EQ(results.row(row)[ResultColumn::Size], "");
    EXPECT_EQ(results.row(row)[ResultColumn::LastUpdating], "");
    EXPECT_EQ(IndexEntryOpenRow(*ws, results, web), row);
    EXPECT_EQ(results.size(), 2u);

    const PathEntry file{"Capitolo 2", ":docs/cap2.txt"};
    EXPECT_EQ(results.row(IndexEntryOpenRow(*ws, results, file)).pathKind, 'f');
}

} // namespace
} // namespace vedra::search
