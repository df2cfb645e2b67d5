// The workspace as the archive store sees it: each fault the store reports becomes
// the message and the stop request the running loops expect, and the store gets
// the workspace's folders, buffers and probe.
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/StoreContext.h"
#include "support/ReadOnlyMedia.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vedra::app {
namespace {

using archive::StoreFault;

struct FaultCase {
    StoreFault fault;
    const char* detail;
    const char* shown;  // in English
    StopCode stop;
};

class StoreContextTest : public ::testing::TestWithParam<FaultCase> {
protected:
    StoreContextTest()
    {
        ws.PrepareWorkspace();
        ws.SetLanguage(1);
    }

    testing::TempFolder folder;
    HeadlessHost host;
    Workspace ws{host, testing::testProbe(folder.path())};
};

TEST_P(StoreContextTest, AFaultShowsItsMessageAndAsksForItsStop)
{
    const FaultCase& c = GetParam();
    ws.BreakCode = StopCode::None;
    ws.storeContext().report(c.fault, c.detail);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, c.shown);
    EXPECT_EQ(ws.BreakCode, c.stop);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFault, StoreContextTest,
    ::testing::Values(
        FaultCase{StoreFault::WriteError, "", "Writing error.", StopCode::Break},
        FaultCase{StoreFault::CannotWrite, "/media/cd/",
                  "Cannot write to:\n/media/cd/\nThe disk or folder is read-only, or write permission is missing.",
                  StopCode::None},
        FaultCase{StoreFault::DiskSpaceLow, "",
                  "The disk space is not sufficient to ensure the smooth implementation of program.", StopCode::Break},
        FaultCase{StoreFault::ArchiveTooLarge, "", "Archive too large, you need to initialize a new archive.",
                  StopCode::Break},
        FaultCase{StoreFault::Damaged, "Errore: in AlberoindDoc", "Errore: in AlberoindDoc", StopCode::Break},
        FaultCase{StoreFault::DamagedFolders, "Error: UIradice>LungPathDoc", "Error: UIradice>LungPathDoc",
                  StopCode::Suspend},
        FaultCase{StoreFault::KeyRefused, "Error", "Error", StopCode::None},
        // The run goes on after either: it redoes what was lost.
        FaultCase{StoreFault::RunUndone, "",
                  "The last indexing run was cut off.\nIts changes to the archive have been undone: the documents it "
                  "was registering are indexed again.",
                  StopCode::None},
        FaultCase{StoreFault::ArchiveRebuilt, "",
                  "The archive's files are damaged: they are shorter than recorded.\nThe index has been emptied and "
                  "is being rebuilt; the archive's lists are kept. Other folders indexed before must be indexed again.",
                  StopCode::None},
        // The refused open stops nothing else: the caller just does not start.
        FaultCase{StoreFault::ArchiveBusy, "PID 41, vedra index /home/me",
                  "Another indexing run (PID 41, vedra index /home/me) is writing this archive; try again when it has "
                  "ended.",
                  StopCode::None}));

TEST(StoreContext, TheStoreSeesTheCurrentFoldersAndTheProbesRefusal)
{
    testing::TempFolder folder;
    HeadlessHost host;
    testing::WriteRefusal refusal({folder.slash() + "ro"}, EROFS);
    Workspace ws{host, refusal.wrap(testing::testProbe(folder.path()))};
    ws.PrepareWorkspace();
    ws.ArchiveFolder = folder.slash() + "ro/C_A_4/";
    ws.ArchiveNumber = 4;
    ws.ArchiveNumberText = "4";

    archive::StoreContext& context = ws.storeContext();
    const archive::StoreFolders folders = context.folders();
    EXPECT_EQ(folders.root, ws.RootFolder);
    EXPECT_EQ(folders.archive, ws.ArchiveFolder);
    EXPECT_EQ(folders.number, 4);
    EXPECT_EQ(folders.numberText, "4");

    std::string refused = "left from before";
    EXPECT_FALSE(context.openFile(ws.ArchiveFolder + "IND.4", io::OpenMode::CreateTruncate, &refused));
    EXPECT_EQ(refused, ws.ArchiveFolder) << "a missing file names the folder that refused it";
    // Reading is never refused, and a read that fails names nothing.
    refused = "left from before";
    EXPECT_FALSE(context.openFile(ws.ArchiveFolder + "IND.4", io::OpenMode::ReadOnly, &refused));
    EXPECT_TRUE(refused.empty());
}

} // namespace
} // namespace vedra::app
