// Closing saves the language file and the catalogue's current entry, and opening
// an archive tests that its folder is writable; a run that changes nothing (a
// search) must leave every file as it was, or each `vedra search` would rewrite
// and sync files it only read.
#include "core/app/HeadlessHost.h"
#include "core/app/LanguageFile.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sys/stat.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const fs::file_time_type kLongAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);

struct FileState {
    fs::file_time_type written;
    ino_t inode = 0;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const fs::path& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return {fs::last_write_time(path), info.st_ino};
}

// Every regular file under `folder`, dated long ago first.
std::map<std::string, FileState> ageFiles(const fs::path& folder)
{
    std::map<std::string, FileState> states;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            fs::last_write_time(entry.path(), kLongAgo);
            states[entry.path().string()] = stateOf(entry.path());
        }
    return states;
}

TEST(UnchangedFiles, LanguageFileRewrittenOnlyWhenItsContentChanges)
{
    TempFolder folder;
    const fs::path file = folder.path() / kLanguageFileName;
    ASSERT_TRUE(writeLanguageFile(file, 0, true));
    fs::last_write_time(file, kLongAgo);
    const FileState before = stateOf(file);
    ASSERT_TRUE(writeLanguageFile(file, 0, true));
    EXPECT_EQ(stateOf(file), before);
    ASSERT_TRUE(writeLanguageFile(file, 0, false));
    EXPECT_NE(stateOf(file), before);
    EXPECT_EQ(readOrCreateLanguageFile(file).englishReading, false);
    // A longer file holding the same first bytes is not the same content.
    testing::writeFile(file, testing::readFile(file) + "x");
    ASSERT_TRUE(writeLanguageFile(file, 0, false));
    EXPECT_EQ(testing::readFile(file).size(), 16u);
}

TEST(UnchangedFiles, CatalogueWrittenOnlyWhereItsBytesChange)
{
    TempFolder folder;
    const fs::path catalogue = folder.path() / archive::kCatalogueFileName;
    std::array<std::uint8_t, archive::ArchiveEntry::kSize> entry{};
    std::memcpy(entry.data(), "C_ONE_1", 7);
    ASSERT_TRUE(archive::writeCatalogueEntry(catalogue, 1, entry));
    ASSERT_TRUE(archive::writeCatalogueNumbers(catalogue, 1, 1));
    fs::last_write_time(catalogue, kLongAgo);
    const std::string bytes = testing::readFile(catalogue);

    ASSERT_TRUE(archive::writeCatalogueEntry(catalogue, 1, entry));
    ASSERT_TRUE(archive::writeCatalogueNumbers(catalogue, 1, 1));
    EXPECT_EQ(fs::last_write_time(catalogue), kLongAgo);
    EXPECT_EQ(testing::readFile(catalogue), bytes);

    entry[99] = 7;
    ASSERT_TRUE(archive::writeCatalogueEntry(catalogue, 1, entry));
    EXPECT_NE(fs::last_write_time(catalogue), kLongAgo);
    EXPECT_EQ(static_cast<std::uint8_t>(testing::readFile(catalogue)[199]), 7);
    fs::last_write_time(catalogue, kLongAgo);
    ASSERT_TRUE(archive::writeCatalogueNumbers(catalogue, 1, 2));
    EXPECT_NE(fs::last_write_time(catalogue), kLongAgo);
    // An entry past the end still extends the catalogue.
    ASSERT_TRUE(archive::writeCatalogueEntry(catalogue, 3, entry));
    EXPECT_EQ(fs::file_size(catalogue), 400u);
}

TEST(UnchangedFiles, WriteTestStillLeavesAnEmptyProbeFile)
{
    TempFolder folder;
    const fs::path probe = folder.path() / "C_X_1" / "vedraprova.vedra";
    HeadlessHost host;
    Workspace ws(host, testing::testProbe(folder.path()));
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    fs::create_directories(probe.parent_path());
    ws.ResolveArchivePaths("C_X_1");  // created when missing
    EXPECT_TRUE(fs::exists(probe));
    EXPECT_EQ(fs::file_size(probe), 0u);
    EXPECT_TRUE(ws.RedirectFolder.empty());
    testing::writeFile(probe, "left over");
    ws.ResolveArchivePaths("C_X_1");  // emptied when it holds bytes
    EXPECT_EQ(fs::file_size(probe), 0u);
    EXPECT_TRUE(ws.RedirectFolder.empty());
}

TEST(UnchangedFiles, SearchAndCloseWriteNothing)
{
    TempFolder folder;
    testing::writeFile(folder.path() / "corpus" / "a.txt", "alpha bravo charlie\n");
    testing::writeFile(folder.path() / "corpus" / "b.txt", "bravo delta\n");
    {
        HeadlessHost host;
        Workspace ws(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws.PrepareWorkspace(), 1);
        indexing::NewArchive request;
        request.name = "quiet";
        ASSERT_EQ(indexing::CreateArchive(ws, request).number, 1);
        archive::ArchiveStore& store = ws.store();
        ASSERT_TRUE(store.openForIndexing(ws.cacheSizes()));
        indexing::ArchiveLists lists;
        lists.load(store);
        indexing::IndexingRun run(ws, store, lists);
        run.RunIndexing((folder.path() / "corpus").string() + "/", indexing::RunMode::Normal);
        ASSERT_TRUE(ws.ShutdownSave(ws.LanguageIndex));
    }
    const auto before = ageFiles(folder.path());
    ASSERT_GT(before.size(), 16u);

    HeadlessHost host;
    Workspace ws(host, testing::testProbe(folder.path()));
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    ASSERT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    ws.InitialiseSession();
    search::ResultList results;
    search::SearchRun run(ws, results);
    run.RunSearch("bravo");
    EXPECT_EQ(results.size(), 2u);
    ASSERT_TRUE(ws.ShutdownSave(ws.LanguageIndex));

    for (const auto& [path, state] : before)
        EXPECT_EQ(stateOf(path), state) << path;
}

} // namespace
} // namespace vedra::app
