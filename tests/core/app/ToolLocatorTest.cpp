#include "core/app/ToolLocator.h"

#include "core/app/ExecutablesList.h"
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveEntry.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempFolder;
using testing::writeExecutable;
using testing::writeFile;

// A working folder with a current archive "C_TOOLS_2", tools in a fake PATH folder,
// a fake usual program folder and a fake drive root that counts who asks for it,
// so nothing of the real machine is searched.
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
        fs::create_directories(usualFolder);

        SystemProbe probe = testing::testProbe(folder.path());
        probe.searchPath = [this] { return std::vector<std::string>{pathFolder.string()}; };
        probe.programFolders = [this] {
            ++programFolderCalls;
            return std::vector<std::string>{usualFolder.string()};
        };
        probe.driveRoots = [this] {
            ++driveRootCalls;
            return std::vector<std::string>{driveRoot.string()};
        };
        ws = std::make_unique<Workspace>(host, probe);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ASSERT_EQ(ws->OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    }

    std::string associations() const { return readFile(folder.path() / "C_TOOLS_2" / "EXE.2"); }

    TempFolder folder;
    fs::path pathFolder = folder.path() / "bin";
    fs::path driveRoot = folder.path() / "disk";
    fs::path usualFolder = folder.path() / "usr-bin";
    int driveRootCalls = 0;
    int programFolderCalls = 0;
    HeadlessHost host;
    std::unique_ptr<Workspace> ws;
};

TEST_F(ToolLocatorTest, FoundInPathIsRecordedOnce)
{
    writeExecutable(pathFolder / "pdftotext");
    std::string found;
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "pdftotext", found), 1);
    EXPECT_EQ(found, (pathFolder / "pdftotext").string());
    EXPECT_TRUE(host.messages().empty());
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
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "pdftotext", again), 1);
    EXPECT_EQ(again, found);
    EXPECT_EQ(readFile(ws->executablesListPath), list);
    EXPECT_EQ(associations(), exe);
    EXPECT_EQ(ws->runWithPrograms, std::vector<std::string>{"pdftotext"});
}

TEST_F(ToolLocatorTest, NegativeIndexSkipsTheListButDoesNotDuplicateRecords)
{
    writeExecutable(pathFolder / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(ws->toolContext(), -1, "7z", found), 1);
    ASSERT_EQ(ToolLocator(ws->toolContext(), -1, "7z", found), 1);
    EXPECT_EQ(readFile(ws->executablesListPath).size(), 256u) << "the record naming the program is reused";
    EXPECT_EQ(associations().size(), 512u);
}

TEST_F(ToolLocatorTest, WorkingFolderComesBeforePath)
{
    writeExecutable(folder.path() / "7z");
    writeExecutable(pathFolder / "7z");
    std::string found;
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "7z", found), 1);
    EXPECT_EQ(found, folder.slash() + "7z");
}

TEST_F(ToolLocatorTest, ANonExecutableFileIsNotAProgram)
{
    writeFile(pathFolder / "7z", "data");
    std::string found = "unchanged";
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "7z", found), -1);
    EXPECT_EQ(found, "unchanged");
}

// The drive root holds the program deep in a folder, where the old walk found it:
// it must stay unfound, and the drive roots must not even be asked for.
TEST_F(ToolLocatorTest, AProgramOutsideTheProgramFoldersIsNotFoundAndNoDiskIsWalked)
{
    writeExecutable(driveRoot / "opt" / "deep" / "bin" / "7z");
    writeExecutable(driveRoot / "xdg-open");
    std::string found = "unchanged";
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "7z", found), -1);
    EXPECT_EQ(found, "unchanged");
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "xdg-open", found), -1);
    EXPECT_EQ(driveRootCalls, 0) << "no drive root was asked for";
    EXPECT_EQ(host.drainCount(), 0) << "nothing long ran";
    ASSERT_EQ(host.messages().size(), 2u) << "one message for each, at once";
    EXPECT_EQ(host.messages()[0].text,
              "The program 7z is not installed.\nIt comes with the Debian package p7zip-full:\n  sudo apt install p7zip-full");
    EXPECT_EQ(host.messages()[1].text, "The program xdg-open is not installed.\nIt comes with the Debian package "
                                       "xdg-utils:\n  sudo apt install xdg-utils");
    EXPECT_FALSE(host.waitCursor());
    EXPECT_EQ(readFile(ws->executablesListPath), "");
    EXPECT_FALSE(fs::exists(folder.path() / "C_TOOLS_2" / "EXE.2"));
}

TEST_F(ToolLocatorTest, AProgramOfNoKnownPackageNamesTheFoldersLookedIn)
{
    ws->SetLanguage(0);
    std::string found;
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "myviewer", found), -1);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Il programma myviewer non è installato.\nCercato in:\n  " + folder.slash() +
                                           "\n  " + pathFolder.string() + "\n  " + usualFolder.string());
}

TEST_F(ToolLocatorTest, TheMessageFollowsTheLanguage)
{
    ws->SetLanguage(2);
    std::string found;
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "pdftotext", found), -1);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "El programa pdftotext no está instalado.\nSe instala con el paquete Debian "
                                       "poppler-utils:\n  sudo apt install poppler-utils");
}

// A desktop session may start the program with a PATH that lacks the folder.
TEST_F(ToolLocatorTest, AProgramInAUsualFolderOutsidePathIsFoundThenAnsweredByTheList)
{
    writeExecutable(usualFolder / "xdg-open");
    std::string found;
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "xdg-open", found), 1);
    EXPECT_EQ(found, (usualFolder / "xdg-open").string());
    EXPECT_TRUE(host.messages().empty());
    const int folderCalls = programFolderCalls;
    EXPECT_GE(folderCalls, 1);

    std::string again;
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "xdg-open", again), 1);
    EXPECT_EQ(again, found);
    EXPECT_EQ(programFolderCalls, folderCalls) << "the executables list answered; no folder was asked";

    // Gone since it was recorded: looked for again, and told at once.
    fs::remove(usualFolder / "xdg-open");
    EXPECT_EQ(ToolLocator(ws->toolContext(), 1, "xdg-open", again), -1);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_NE(host.messages()[0].text.find("xdg-utils"), std::string::npos);
    EXPECT_EQ(driveRootCalls, 0);
}

TEST_F(ToolLocatorTest, WindowsNamesAreLookedForAsTheirLinuxPrograms)
{
    writeExecutable(pathFolder / "7z");
    writeExecutable(usualFolder / "xdg-open");
    std::string found;
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "7z.exe", found), 1);
    EXPECT_EQ(found, (pathFolder / "7z").string());
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "WordPad.EXE", found), 1);
    EXPECT_EQ(found, (usualFolder / "xdg-open").string());
    // The associations keep the names they were given: they are already there.
    EXPECT_NE(associations().find("7z.exe="), std::string::npos);
    EXPECT_EQ(ws->runWithPrograms, (std::vector<std::string>{"7z.exe", "wordpad.exe"}));

    EXPECT_EQ(LinuxProgramName("pdftotext.exe"), "pdftotext");
    EXPECT_EQ(LinuxProgramName("iexplore.exe"), "xdg-open");
    EXPECT_EQ(LinuxProgramName("crome.exe"), "chromium");
    EXPECT_EQ(LinuxProgramName("wordpad"), "wordpad") << "only the Windows form is mapped";
    EXPECT_EQ(LinuxProgramName(".exe"), ".exe");
    EXPECT_EQ(DebianPackageFor("firefox"), "firefox-esr");
    EXPECT_EQ(DebianPackageFor("soffice"), "libreoffice");
    EXPECT_EQ(DebianPackageFor("wordpad"), "");
}

TEST_F(ToolLocatorTest, EachFolderIsAskedOnceInOrder)
{
    SystemProbe probe = testing::testProbe(folder.path());
    probe.searchPath = [this] { return std::vector<std::string>{pathFolder.string(), "", folder.slash(), pathFolder.string() + "/"}; };
    probe.programFolders = [this] { return std::vector<std::string>{usualFolder.string(), pathFolder.string()}; };
    HeadlessHost otherHost;
    Workspace other(otherHost, probe);
    ASSERT_EQ(other.PrepareWorkspace(), 1);
    EXPECT_EQ(ProgramSearchFolders(other.toolContext()),
              (std::vector<std::string>{folder.slash(), pathFolder.string(), usualFolder.string()}));

    const std::vector<std::string> usual = UsualProgramFolders("/home/anna");
    for (const char* expected : {"/usr/local/bin", "/usr/bin", "/bin", "/usr/local/sbin", "/usr/sbin", "/sbin",
                                 "/usr/games", "/snap/bin", "/var/lib/flatpak/exports/bin", "/home/anna/.local/bin",
                                 "/home/anna/bin"})
        EXPECT_NE(std::find(usual.begin(), usual.end(), expected), usual.end()) << expected;
    EXPECT_EQ(UsualProgramFolders("").size(), usual.size() - 2) << "no home, no home folders";
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
    EXPECT_EQ(ToolLocator(bare.toolContext(), 1, "pdftotext", found), 1);
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
    ASSERT_EQ(ToolLocator(ws->toolContext(), 1, "7z", found), 1);
    EXPECT_EQ(readFile(ws->RedirectFolder + "EXE.2").substr(0, 3), "7z=");
    EXPECT_FALSE(fs::exists(folder.path() / "C_TOOLS_2" / "EXE.2"));
}

} // namespace
} // namespace vedra::app
