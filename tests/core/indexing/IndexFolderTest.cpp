// IndexFolder as the archive page and `vedra index` start a run: the archive
// opened and closed around it, the three commands, Break, and the summary lines;
// and the archive dialog's Dir/Files listing.
#include "core/indexing/IndexFolder.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/search/DiskListing.h"
#include "core/search/ResultList.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::setModifiedTime;
using testing::writeFile;

class IndexFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        tree = folder.path() / "tree";
        writeFile(tree / "a.txt", "alpha beta");
        writeFile(tree / "sub" / "b.txt", "gamma delta");
        setModifiedTime(tree / "a.txt", 1'600'000'000);
    }
    void createArchive()
    {
        NewArchive request;
        request.name = "docs";
        ASSERT_EQ(CreateArchive(*ws, request).number, 1);
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    fs::path tree;
};

TEST_F(IndexFolderTest, StartPathIsCompletedOrRefused)
{
    EXPECT_EQ(IndexStartPath(tree.string()), tree.string() + "/");
    EXPECT_EQ(IndexStartPath(tree.string() + "/sub/../a.txt"), tree.string() + "/a.txt");
    EXPECT_EQ(IndexStartPath((tree / "missing").string()), std::nullopt);
    EXPECT_EQ(IndexStartPath(""), std::nullopt);
}

TEST_F(IndexFolderTest, NoArchiveOrMissingPathRunsNothing)
{
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    EXPECT_EQ(result.status, IndexStatus::NoArchive);
    ASSERT_FALSE(host.messages().empty());
    EXPECT_EQ(host.messages().back().text, ws->messages().text(app::MessageKey::MsgNeedArchive));

    createArchive();
    result = IndexFolder(*ws, (tree / "missing").string(), IndexCommand::Normal, {});
    EXPECT_EQ(result.status, IndexStatus::MissingPath);
    EXPECT_EQ(result.counters.filesSeen, 0u);
}

TEST_F(IndexFolderTest, NormalRunIndexesTheTreeAndClosesTheArchive)
{
    createArchive();
    int filesReported = 0;
    IndexFolderHooks hooks;
    hooks.onFile = [&](const IndexingCounters&) { ++filesReported; };
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}, hooks);
    EXPECT_EQ(result.status, IndexStatus::Done);
    EXPECT_EQ(result.counters.filesWithText, 2u);
    EXPECT_EQ(result.counters.foldersMet, 1u);
    EXPECT_EQ(result.totalDocuments, 2u);
    EXPECT_GE(filesReported, 2) << "progress after every file";
    EXPECT_FALSE(ws->store().isOpen());
    ASSERT_TRUE(ws->store().open());
    EXPECT_TRUE(ws->store().findWord("gamma"));
    ws->store().close();
}

TEST_F(IndexFolderTest, SingleFolderRunLeavesSubfoldersAndIsNotAStop)
{
    createArchive();
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::SingleFolder, {});
    EXPECT_EQ(result.status, IndexStatus::Done);
    EXPECT_EQ(result.counters.filesWithText, 1u);
    EXPECT_EQ(result.totalDocuments, 1u);
}

TEST_F(IndexFolderTest, UpdateMarksTheRewrittenRecords)
{
    createArchive();
    ASSERT_EQ(IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}).status, IndexStatus::Done);
    writeFile(tree / "a.txt", "alpha beta epsilon");
    setModifiedTime(tree / "a.txt", 1'700'000'000);
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Update, {});
    EXPECT_EQ(result.status, IndexStatus::Done);
    EXPECT_EQ(result.counters.filesUpdated, 1u);
    EXPECT_EQ(result.counters.newDocuments, 0u);
    ASSERT_TRUE(ws->store().open());
    auto first = ws->store().readDocument(1);
    auto second = ws->store().readDocument(2);
    ASSERT_TRUE(first && second);
    // a.txt is the changed one; b.txt was not rewritten.
    EXPECT_EQ(first->kind, 'c');
    EXPECT_EQ(second->kind, 'f');
    ws->store().close();
}

TEST_F(IndexFolderTest, BreakStopsTheRunAndKeepsTheResumePoint)
{
    createArchive();
    for (int i = 0; i < 5; ++i)
        writeFile(tree / ("d" + std::to_string(i)) / "f.txt", "house garden " + std::to_string(i));
    host.setOnDrain([&](int count) {
        if (count == 3)
            ws->BreakCode = app::StopCode::Break;
    });
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    host.setOnDrain(nullptr);
    EXPECT_EQ(result.status, IndexStatus::Stopped);
    EXPECT_LT(result.counters.filesWithText, 7u);
    EXPECT_FALSE(ws->store().isOpen());
    std::string resume = testing::readFile(ws->ArchiveFolder + "NTD.1").substr(0, 512);
    EXPECT_EQ(resume.rfind(tree.string(), 0), 0u) << resume.c_str();

    // The next normal run finishes the tree.
    result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    EXPECT_EQ(result.status, IndexStatus::Done);
    EXPECT_EQ(result.totalDocuments, 7u);
}

TEST_F(IndexFolderTest, SummaryLinesCarryTheCountersInTheLanguage)
{
    IndexFolderResult result;
    result.counters.foldersMet = 3;
    result.counters.filesWithText = 5;
    result.counters.wordsIndexed = 42;
    result.totalDocuments = 9;
    result.seconds = 1.5;
    ws->SetLanguage(0);
    result.counters.filesRemoved = 4;
    std::vector<std::string> lines = IndexSummaryLines(*ws, result);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], std::string(ws->messages().text(app::MessageKey::MsgFoldersScanned)) + "3");
    EXPECT_EQ(lines[2], "Cartelle escluse: 0");
    EXPECT_EQ(lines[5], std::string(ws->messages().text(app::MessageKey::MsgFilesWithText)) + "5");
    EXPECT_EQ(lines[7], "Files non più sul disco: 4");
    EXPECT_EQ(lines[8], "Files non letti: 0");
    EXPECT_EQ(lines[9], "Parole indicizzate: 42");
    EXPECT_EQ(lines[10], std::string(ws->messages().text(app::MessageKey::MsgTotalFiles)) + "9");
    EXPECT_EQ(lines[12], std::string(ws->messages().text(app::MessageKey::MsgElapsedTime)) + "1.50 s");
}

TEST_F(IndexFolderTest, SummaryNamesTheFirstFilesNotReadAndCountsTheRest)
{
    IndexFolderResult result;
    for (int i = 0; i < 7; ++i)
        result.counters.notRead.push_back(
            {"/d/f" + std::to_string(i), i == 1 ? NotReadReason::PermissionDenied : NotReadReason::ConversionFailed});
    std::vector<std::string> lines = IndexSummaryLines(*ws, result);
    auto at = std::find(lines.begin(), lines.end(), "Files not read: 7");
    ASSERT_NE(at, lines.end());
    ASSERT_GE(lines.end() - at, 8);
    EXPECT_EQ(at[1], "  /d/f0: conversion failed");
    EXPECT_EQ(at[2], "  /d/f1: permission denied");
    EXPECT_EQ(at[5], "  /d/f4: conversion failed");
    EXPECT_EQ(at[6], "  ... +2");
    EXPECT_EQ(at[7].rfind("Words indexed: ", 0), 0u);

    result.counters.notRead.resize(kNotReadNamed);
    lines = IndexSummaryLines(*ws, result);
    at = std::find(lines.begin(), lines.end(), "  /d/f4: conversion failed");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(at[1].rfind("Words indexed: ", 0), 0u) << "no count of the rest when all are named";
}

TEST_F(IndexFolderTest, TheSummaryNamesTheEntriesThatExcludedFolders)
{
    // The first archive's list and a tree with folders it keeps out.
    createArchive();
    for (const char* folder : {"Debug", "release", "x/release", "y/release", "src/debugger", "filesystems", "system"})
        writeFile(tree / folder / "f.txt", "alpha");
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    ASSERT_EQ(result.status, IndexStatus::Done);
    // Debug, the three release folders and system are never added; debugger is
    // added and then not walked; filesystems is walked.
    EXPECT_EQ(result.counters.foldersExcluded, 6u);
    EXPECT_EQ(ExcludedFoldersLine(*ws, result.counters), "Folders excluded: 6 (release 3, debug 2, /system/ 1)");
    std::vector<std::string> lines = IndexSummaryLines(*ws, result);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Folders excluded: 6 (release 3, debug 2, /system/ 1)"),
              lines.end());

    ws->SetLanguage(2);
    IndexingCounters none;
    EXPECT_EQ(ExcludedFoldersLine(*ws, none), "Carpetas excluidas: 0");
}

TEST_F(IndexFolderTest, DiskListingGivesFoldersOrFilesBelowTheRoot)
{
    search::ResultList results;
    EXPECT_EQ(search::ListDiskRoot(*ws, results, tree.string(), search::DiskListingKind::Folders), 1u);
    EXPECT_EQ(results.row(0).label(), (tree / "sub").string() + "/");
    results.clear();
    EXPECT_EQ(search::ListDiskRoot(*ws, results, tree.string(), search::DiskListingKind::Files), 2u);
    EXPECT_TRUE(results.containsLabel((tree / "a.txt").string()));
    EXPECT_TRUE(results.containsLabel((tree / "sub" / "b.txt").string()));
}

} // namespace
} // namespace vedra::indexing
