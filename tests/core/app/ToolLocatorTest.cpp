#include "core/app/ToolLocator.h"

#include "core/app/ExecutablesList.h"
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveEntry.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempFolder;
using testing::writeExecutable;
using testing::writeFile;

// A working folder with a current archive "C_TOOLS_2", tools in a fake PATH folder
// and a fake drive root, so nothing of the real machine is searched.
class ToolLocatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string catalogue(200, '\0');
        archive::ArchiveEntry entry;
        entry.identification = "C_TOOLS_2";
        entry.encode(reinterpret_cast<std::uint8_t*>(catalogue.data()) + 100);
        writeFile(folder.path() / "IND_ARC.PRI", catalogue);
        fs::create_directories(folder.path() / "C_TOOLS_2");
        fs::create_directories(pathFolder);
        fs::create_directories(driveRoot);

        SystemProbe probe = testing::testProbe(folder.path());
        probe.searchPath = [this] { return std::vector<std::string>{pathFolder.string()}; };
        probe.driveRoots = [this] { return std::vector<std::string>{driveRoot.string()}; };
        ws = std::make_unique<Workspace>(host, probe);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ASSERT_EQ(ws->OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    }

    std::string associations() const { return readFile(folder.path() / "C_TOOLS_2" / "EXE.2"); }

    TempFolder folder;
    fs::path pathFolder = folder.path() / "bin";
    fs::path driveRoot = folder.path() / "disk";
    HeadlessHost host;
    std::unique_ptr<Workspace> ws;
};

TEST_F(ToolLocatorTest, FoundInPathIsRecordedOnce)
{
    writeExecutable(pathFolder / "pdftotext");
    std::string found;
    ASSERT_EQ(ToolLocator(*ws, 1, "pdftotext", found), 1);
    EXPECT_EQ(found, (pathFolder / "pdftotext").string());
    EXPECT_TRUE(host.messages().empty()) << "no disk walk was needed";
    EXPECT_FALSE(host.waitCursor()) << "the cursor is restored";

    std::string list = readFile(ws->executablesListPath);
    ASSERT_EQ(list.size(), 256u);
    EXPECT_EQ(list.substr(0, found.size()), found);
    EXPECT_EQ(list.find_first_not_of('\0', found.size()), std::string::npos);
    std::string exe = associations();
    ASSERT_EQ(exe.size(), 512u);
    EXPECT_EQ(exe.substr(0, 10), "pdftotext=");

    // The second time the list answers, and nothing is written again.
    std::string again;
    ASSERT_EQ(ToolLocator(*ws, 1, "pdftotext", again), 1);
    EXPECT_EQ(again, found);
    EXPECT_EQ(readFile(ws->executablesListPath), list);
    EXPECT_EQ(associations(), exe);
    EXPECT_EQ(ws->runWithPrograms, std::vector<std::string>{"pdftotext"});
}

TEST_F(ToolLocatorTest, NegativeIndexSkipsTheListButDoesNotDuplicateRecords)
{
    writeExecutable(pathFolder / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(*ws, -1, "7z", found), 1);
    ASSERT_EQ(ToolLocator(*ws, -1, "7z", found), 1);
    EXPECT_EQ(readFile(ws->executablesListPath).size(), 256u) << "the record naming the program is reused";
    EXPECT_EQ(associations().size(), 512u);
}

TEST_F(ToolLocatorTest, WorkingFolderComesBeforePath)
{
    writeExecutable(folder.path() / "7z");
    writeExecutable(pathFolder / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(*ws, 1, "7z", found), 1);
    EXPECT_EQ(found, folder.slash() + "7z");
}

TEST_F(ToolLocatorTest, ANonExecutableFileIsNotAProgram)
{
    writeFile(pathFolder / "7z", "data");
    std::string found = "unchanged";
    EXPECT_EQ(ToolLocator(*ws, 1, "7z", found), -1);
    EXPECT_EQ(found, "unchanged");
}

TEST_F(ToolLocatorTest, DriveWalkAfterTellingTheUser)
{
    writeExecutable(driveRoot / "opt" / "deep" / "bin" / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(*ws, 1, "7z", found), 1);
    EXPECT_EQ(found, (driveRoot / "opt" / "deep" / "bin" / "7z").string());
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text,
              "I have to locate the required program:\n7z\nPlease have some patence.");
}

TEST_F(ToolLocatorTest, NothingFoundTellsTheUserAndWritesNothing)
{
    std::string found;
    EXPECT_EQ(ToolLocator(*ws, 1, "pdftotext", found), -1);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[1].text, "It was not possible to find the program to be executed.");
    EXPECT_EQ(readFile(ws->executablesListPath), "");
    EXPECT_FALSE(fs::exists(folder.path() / "C_TOOLS_2" / "EXE.2"));
}

TEST_F(ToolLocatorTest, BreakDuringTheWalkStopsIt)
{
    for (int i = 0; i < 50; ++i)
        fs::create_directories(driveRoot / ("folder" + std::to_string(i)));
    writeExecutable(driveRoot / "zz" / "7z");
    host.setOnDrain([this](int count) {
        if (count == 3)
            ws->BreakCode = app::StopCode::Break;
    });
    std::string found;
    EXPECT_EQ(ToolLocator(*ws, 1, "7z", found), -1);
    EXPECT_LE(host.drainCount(), 3);
}

TEST_F(ToolLocatorTest, NoArchiveMeansNoSearch)
{
    TempFolder empty;
    writeExecutable(pathFolder / "pdftotext");
    SystemProbe probe = testing::testProbe(empty.path());
    probe.searchPath = [this] { return std::vector<std::string>{pathFolder.string()}; };
    HeadlessHost otherHost;
    Workspace bare(otherHost, probe);
    ASSERT_EQ(bare.PrepareWorkspace(), 1);
    std::string found = "before";
    EXPECT_EQ(ToolLocator(bare, 1, "pdftotext", found), 1);
    EXPECT_EQ(found, "before");
    EXPECT_TRUE(otherHost.messages().empty());
}

TEST_F(ToolLocatorTest, StartUpLocatesBothToolsAndBuildsTheirCommands)
{
    writeExecutable(pathFolder / "7z");
    writeExecutable(pathFolder / "pdftotext");
    ws->InitialiseSession();
    EXPECT_EQ(ws->SevenZipCommand, "\"" + (pathFolder / "7z").string() + "\" x \"");
    EXPECT_EQ(ws->PdfToTextCommand, "\"" + (pathFolder / "pdftotext").string() + "\"");
    std::vector<std::string> recorded = ExecutablesList::read(ws->executablesListPath);
    EXPECT_EQ(recorded.size(), 2u);
}

TEST_F(ToolLocatorTest, RedirectedArchiveKeepsAssociationsInTheRedirectFolder)
{
    ws->RedirectFolder = folder.slash() + "redirect/";
    fs::create_directories(ws->RedirectFolder);
    writeExecutable(pathFolder / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(*ws, 1, "7z", found), 1);
    EXPECT_EQ(readFile(ws->RedirectFolder + "EXE.2").substr(0, 3), "7z=");
    EXPECT_FALSE(fs::exists(folder.path() / "C_TOOLS_2" / "EXE.2"));
}

} // namespace
} // namespace vedra::app
