// "Show in folder": what is shown, how it is named to the file manager, and the
// xdg-open fallback that must never search the disks for its program.
#include "core/utilities/ShowInFolder.h"

#include "core/search/ResultList.h"
#include "core/search/SearchSession.h"
#include "core/utilities/PopupActions.h"
#include "UtilitiesFixture.h"

namespace vedra::utilities {
namespace {

TEST(ShowInFolderUri, EveryByteButTheUnreservedOnesIsEscaped)
{
    EXPECT_EQ(FileUri("/home/anna/a-b_c.d~e/f.txt"), "file:///home/anna/a-b_c.d~e/f.txt");
    EXPECT_EQ(FileUri("/my docs/100% #1?&=+.txt"), "file:///my%20docs/100%25%20%231%3F%26%3D%2B.txt");
    // File names are bytes: UTF-8 and cp1252 letters alike become their own escapes.
    EXPECT_EQ(FileUri("/caff\xC3\xA8/perch\xE9"), "file:///caff%C3%A8/perch%E9");
    EXPECT_EQ(FileUri("/a\"b'c\\d"), "file:///a%22b%27c%5Cd");
}

class ShowInFolderTest : public UtilitiesTest {};

TEST_F(ShowInFolderTest, TheFileManagerGetsTheFileAndTheFallbackItsFolder)
{
    const fs::path file = folder.path() / "docs" / "my report.txt";
    testing::writeFile(file, "x");
    const std::string docs = (folder.path() / "docs").string() + "/";

    FolderShowingPlan plan = PlanShowInFolder(file.string(), true);
    EXPECT_EQ(plan.how, FolderShowing::FileManager);
    EXPECT_EQ(plan.fileUri, "file://" + (folder.path() / "docs").string() + "/my%20report.txt");
    EXPECT_EQ(plan.folder, docs);

    plan = PlanShowInFolder(file.string(), false);
    EXPECT_EQ(plan.how, FolderShowing::OpenFolder);
    EXPECT_EQ(plan.folder, docs);

    // A message in front of the path, as the list writes unpacking errors.
    plan = PlanShowInFolder("ERRORE in DECOMPATTAZIONE " + file.string(), false);
    EXPECT_EQ(plan.path, file.string());

    // A folder row and a folder mask show the folder itself inside its parent.
    for (const std::string& row : {docs, docs + "*"}) {
        plan = PlanShowInFolder(row, true);
        EXPECT_EQ(plan.how, FolderShowing::FileManager) << row;
        EXPECT_EQ(plan.path, (folder.path() / "docs").string()) << row;
        EXPECT_EQ(plan.folder, folder.slash()) << row;
    }

    plan = PlanShowInFolder((folder.path() / "docs" / "gone.txt").string(), true);
    EXPECT_EQ(plan.how, FolderShowing::Missing);
    EXPECT_TRUE(plan.fileUri.empty());
    for (const char* web : {"http://example.org/a/b.html", "www.example.org/", ""})
        EXPECT_EQ(PlanShowInFolder(web, true).how, FolderShowing::NotAFile) << web;
}

TEST_F(ShowInFolderTest, TheFolderOpensWithXdgOpenFoundWithoutAWalk)
{
    const std::string docs = folder.slash() + "docs/";
    fs::create_directories(docs);
    // Where the old walk would have found it: still "not installed".
    writeRecorder(driveRoot / "usr" / "bin" / "xdg-open");
    EXPECT_FALSE(OpenContainingFolder(*ws, docs));
    EXPECT_EQ(messagesWith("The program xdg-open is not installed.\nIt comes with the Debian package xdg-utils"), 1);

    fs::create_directories(usualFolder);
    const fs::path opener = writeRecorder(usualFolder / "xdg-open");
    ASSERT_TRUE(OpenContainingFolder(*ws, docs));
    EXPECT_EQ(recordedArguments(opener), (std::vector<std::string>{opener.string(), docs}));
    EXPECT_EQ(ws->statusText, "\"" + opener.string() + "\" \"" + docs + "\"");
}

TEST_F(ShowInFolderTest, ThePopUpEntryHandsTheSelectedRowToTheWindow)
{
    search::SearchSession session(*ws);
    search::ResultRow first, second;
    first.columns[0] = folder.slash() + "a.txt";
    second.columns[0] = folder.slash() + "b.txt";
    session.results().append(first);
    session.results().append(second);
    PopupFlags flags;
    PopupOutcome outcome;
    outcome.action = PopupAction::ShowInFolder;
    EXPECT_EQ(PerformPopupAction(*ws, session, flags, outcome, {}).task, PopupWindowTask::None) << "no row selected";
    session.results().setSelected(1, true);
    const PopupWindowWork work = PerformPopupAction(*ws, session, flags, outcome, {});
    EXPECT_EQ(work.task, PopupWindowTask::ShowInFolder);
    EXPECT_EQ(work.text, folder.slash() + "b.txt");
}

} // namespace
} // namespace vedra::utilities
