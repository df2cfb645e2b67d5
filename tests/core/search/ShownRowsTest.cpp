// Rows made only when read, with the texts an eager row had, and the stale rule:
// files changed, grown or deleted after indexing against an untouched one.
#include "core/search/SearchRun.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sys/stat.h>
#include <utime.h>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

class ShownRowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "alpha bravo charlie");
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "shown";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
    }

    void indexTree()
    {
        ASSERT_TRUE(testing::indexFolder(*ws, tree));
    }

    // The row of `path`; fails the test when it is not listed.
    std::size_t rowOf(const ResultList& results, const fs::path& path)
    {
        auto found = results.findLabel(path.string());
        EXPECT_TRUE(found.has_value()) << path;
        return found.value_or(0);
    }

    static std::uint64_t fileTimeOf(const fs::path& path)
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return indexing::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(ShownRowsTest, RowsAreMadeWhenReadWithTheTextsOfTheFileAndRecord)
{
    std::map<std::string, std::string> texts;
    for (int i = 0; i < 12; ++i) {
        std::string text = "alpha " + std::string(static_cast<std::size_t>(i * 7), 'x') + (i % 2 ? " bravo" : "");
        fs::path path = tree / (i % 3 ? "d" : "bravo") / ("f" + std::to_string(i) + ".txt");
        testing::writeFile(path, text);
        texts[path.string()] = text;
    }
    indexTree();
    for (bool andWords : {true, false}) {
        ResultList results;
        SearchRun run(*ws, results);
        run.options().andWords = andWords ? 1 : 0;
        run.RunSearch("alpha bravo");
        const std::size_t expected = andWords ? 6u : 12u;
        ASSERT_EQ(results.size(), expected) << "AND " << andWords;
        EXPECT_EQ(results.rowsMade(), 0u) << "no row is made by the search";
        EXPECT_EQ(run.counters().documents, static_cast<int>(expected)) << "the counters see unmade rows";

        const std::size_t last = results.size() - 1;
        const ResultRow& row = results.row(last);
        EXPECT_EQ(results.rowsMade(), 1u);
        EXPECT_EQ(&results.row(last), &row) << "a row is made once";
        const std::string path(results.label(last));
        ASSERT_EQ(row.label(), path);
        ASSERT_EQ(texts.count(path), 1u) << path;
        EXPECT_EQ(row[ResultColumn::Size], std::to_string(texts[path].size()));
        EXPECT_EQ(row[ResultColumn::LastUpdating], FileTimeText(fileTimeOf(path), ws->LanguageIndex));
        EXPECT_EQ(row[ResultColumn::Archive], ws->currentArchiveName());
        EXPECT_FALSE(row[ResultColumn::Position].empty());
        EXPECT_EQ(row[ResultColumn::Words].rfind("alpha ", 0) == 0 || row[ResultColumn::Words].rfind("bravo ", 0) == 0,
                  true)
            << row[ResultColumn::Words];
        // Labels are read without making rows: lookups and "Clean from list" use them.
        for (std::size_t i = 0; i < results.size(); ++i)
            EXPECT_EQ(texts.count(std::string(results.label(i))), 1u);
        EXPECT_EQ(results.rowsMade(), 1u);
        // An OR search puts the rows whose path holds a word first.
        if (!andWords) {
            EXPECT_NE(results.label(0).find("/bravo/"), std::string::npos) << results.label(0);
        }
    }
}

TEST_F(ShownRowsTest, ChangedGrownAndDeletedFilesAreStaleAndAnUntouchedOneIsNot)
{
    const fs::path kept = tree / "kept.txt", changed = tree / "changed.txt", grown = tree / "grown.txt",
                   gone = tree / "gone.txt", older = tree / "older.txt";
    for (const fs::path& path : {kept, changed, grown, gone, older})
        testing::writeFile(path, "alpha " + path.stem().string());
    indexTree();
    testing::writeFile(changed, "alpha CHANGED");  // "alpha changed": the same size
    ::utimbuf times{1'000'000'000, 1'000'000'000};
    ASSERT_EQ(::utime(changed.c_str(), &times), 0);
    testing::writeFile(grown, "alpha grown and more");
    fs::remove(gone);
    // Only the time moved back (a file restored from a backup): still not what was read.
    struct stat info {};
    ASSERT_EQ(::stat(older.c_str(), &info), 0);
    ::utimbuf back{info.st_atime, info.st_mtime - 10};
    ASSERT_EQ(::utime(older.c_str(), &back), 0);

    ResultList results;
    SearchRun run(*ws, results);
    run.RunSearch("alpha");
    ASSERT_EQ(results.size(), 5u);
    auto changeOf = [&](const fs::path& path) {
        std::optional<FileChange> change = results.fileChange(rowOf(results, path));
        EXPECT_TRUE(change.has_value()) << path;
        return change.value_or(FileChange{});
    };
    EXPECT_FALSE(changeOf(kept).stale());
    EXPECT_EQ(FileChangeCode(changeOf(kept)), "");

    const FileChange sameSize = changeOf(changed);
    EXPECT_TRUE(sameSize.stale());
    EXPECT_FALSE(sameSize.sizeDiffers);
    EXPECT_EQ(FileChangeCode(sameSize), "time");

    const FileChange bigger = changeOf(grown);
    EXPECT_EQ(FileChangeCode(bigger), "size,time");
    EXPECT_EQ(bigger.diskSize, std::string("alpha grown and more").size());
    EXPECT_EQ(bigger.recordedSize, std::string("alpha grown").size());

    EXPECT_EQ(FileChangeCode(changeOf(gone)), "gone");
    EXPECT_EQ(FileChangeCode(changeOf(older)), "time");
    EXPECT_EQ(results.rowsMade(), 0u) << "the stale check makes no row";

    // The reasons the window shows, in the list's language.
    app::MessageTable english(1);
    EXPECT_EQ(FileChangeText(changeOf(kept), english), "");
    EXPECT_EQ(FileChangeText(bigger, english),
              "The file changed after it was indexed: it is now 20 bytes, the archive recorded 11.");
    EXPECT_EQ(FileChangeText(changeOf(gone), english), english.text(app::MessageKey::MsgFileGone));
    const std::string when = FileTimeText(indexing::FileTimeFromUnix(1'000'000'000, 0), 1);
    ASSERT_FALSE(when.empty());
    EXPECT_NE(FileChangeText(sameSize, english).find(when), std::string::npos) << FileChangeText(sameSize, english);

    // The answer is the one stat's: the row keeps it until the next search.
    fs::remove(kept);
    EXPECT_FALSE(changeOf(kept).stale());
    ResultList again;
    SearchRun next(*ws, again);
    next.RunSearch("alpha");
    EXPECT_TRUE(again.fileChange(*again.findLabel(kept.string()))->gone);
}

TEST_F(ShownRowsTest, OnlyRowsWithADiskRecordCanBeStale)
{
    testing::writeFile(tree / "one.txt", "alpha bravo");
    indexTree();
    testing::writeFile(ws->ArchiveFolder + "vedraindice.txt", "Chapter ** alpha-notes.txt\r\n");
    ResultList results;
    SearchRun run(*ws, results);
    run.options().andWords = 0;
    run.RunSearch("alpha");
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results.label(0), ws->ArchiveFilesFolder + "alpha-notes.txt");
    EXPECT_FALSE(results.fileChange(0).has_value()) << "an index-list row has no record";
    EXPECT_TRUE(results.fileChange(1).has_value());
    EXPECT_FALSE(results.fileChange(2).has_value()) << "past the end";
    ResultRow web;
    web[ResultColumn::Path] = "http://example.org/";
    web.pathKind = 'w';
    results.append(web);
    EXPECT_FALSE(results.fileChange(2).has_value()) << "a row given whole has no record";
}

TEST_F(ShownRowsTest, WordsOrRowsShowTheLiveFileButAreJudgedByTheRecord)
{
    testing::writeFile(tree / "one.txt", "alpha bravo");
    indexTree();
    testing::writeFile(tree / "one.txt", "alpha bravo, grown");
    ResultList results;
    SearchRun run(*ws, results);
    run.options().wordsOr = 1;
    run.RunSearch("alph");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.row(0)[ResultColumn::Size], "18") << "words OR shows the file as it is now";
    ASSERT_TRUE(results.fileChange(0).has_value());
    EXPECT_TRUE(results.fileChange(0)->sizeDiffers);
}

} // namespace
} // namespace vedra::search

namespace vedra::search {
namespace {

// Labels counted in the list's own table against a model, through random inserts
// (rows given whole and rows made later, many sharing labels), deletions and room
// reserved ahead: the deletions shift table entries and the reservations move them
// all, where a lost or a ghost label, or a lost count of a shared one, would hide.
TEST(ShownRowsLabels, LookupsFollowInsertsAndDeletionsOfEveryKind)
{
    std::mt19937 random(77);
    ResultList list;
    std::vector<std::string> model;  // labels in row order
    for (int round = 0; round < 400; ++round) {
        const int action = static_cast<int>(random() % 11);
        if (action == 10) {
            // Growing with the rounds, so that the table moves while it holds labels.
            list.reserveLabels(static_cast<std::size_t>(round) * 20 + random() % 50);
        } else if (action < 7) {
            const std::string path = "/p/" + std::to_string(random() % 300);
            const std::size_t at = random() % (model.size() + 1);
            if (action < 4) {
                ResultRowInput input;
                input.path = path;
                input.wordsText = "w" + std::to_string(random() % 3) + " ";
                list.insert(at, std::move(input));
            } else if (action < 6) {
                ResultRow row;
                row[ResultColumn::Path] = path;
                list.insert(at, std::move(row));
            } else {
                ResultRowView view;
                view.path = path;
                const bool listed = std::find(model.begin(), model.end(), path) != model.end();
                EXPECT_EQ(list.insertUnlisted(at, view).has_value(), !listed) << path;
                if (listed)
                    continue;
            }
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), path);
        } else if (!model.empty()) {
            const std::size_t first = random() % model.size();
            const std::size_t last = first + random() % std::min<std::size_t>(model.size() - first, 20);
            list.clearSelection();
            list.setSelected(first, true);
            list.setSelected(last, true);
            EXPECT_EQ(list.CleanFromList(), last - first + 1);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(first),
                        model.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        }
        ASSERT_EQ(list.size(), model.size());
        for (int probe = 0; probe < 300; probe += 7) {
            const std::string path = "/p/" + std::to_string(probe);
            auto found = std::find(model.begin(), model.end(), path);
            ASSERT_EQ(list.containsLabel(path), found != model.end()) << path << " round " << round;
            if (found != model.end()) {
                ASSERT_EQ(list.findLabel(path), static_cast<std::size_t>(found - model.begin()));
            }
        }
    }
    for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(list.label(i), model[i]);
        ASSERT_EQ(list.row(i).label(), model[i]);
    }
}

} // namespace
} // namespace vedra::search
