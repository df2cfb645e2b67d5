#include "core/utilities/Launching.h"

#include "core/app/BrowserList.h"
#include "core/app/ExecutablesList.h"
#include "core/app/ProgramAssociations.h"
#include "UtilitiesFixture.h"

namespace vedra::utilities {
namespace {

using testing::readFile;
using testing::writeFile;

std::string record(const std::string& text)
{
    std::string bytes = text;
    bytes.resize(512, '\0');
    return bytes;
}

TEST(ProgramAssociationRecords, DefaultsAreThreeRecordsOf512Bytes)
{
    testing::TempFolder folder;
    fs::path file = folder.path() / "EXE.1";
    ASSERT_TRUE(app::createDefaultProgramAssociations(file));
    EXPECT_EQ(readFile(file), record("7z=\r\n") + record("pdftotext=\r\n") + record("xdg-open=\r\n"));
    // An existing file is never overwritten.
    writeFile(file, record("mine=.txt"));
    ASSERT_TRUE(app::createDefaultProgramAssociations(file));
    EXPECT_EQ(readFile(file), record("mine=.txt"));
}

TEST(ProgramAssociationRecords, DecodeSplitsExtensionsAndSurvivesDamage)
{
    std::string bytes = record("browser=.ht.asp\r\n") + record("\x01\x02office=.xl,.dat.ppt") + record("") +
                        record("bare") + std::string("tail=.pd");
    auto associations = app::decodeProgramAssociations(bytes);
    ASSERT_EQ(associations.size(), 4u);
    EXPECT_EQ(associations[0].program, "browser");
    EXPECT_EQ(associations[0].extensions, (std::vector<std::string>{".ht", ".asp"}));
    EXPECT_EQ(associations[1].program, "office");
    EXPECT_EQ(associations[1].extensions, (std::vector<std::string>{".xl", ".dat", ".ppt"}));
    EXPECT_EQ(associations[2].program, "bare");
    EXPECT_TRUE(associations[2].extensions.empty());
    EXPECT_EQ(associations[3].extensions, std::vector<std::string>{".pd"}) << "a short last record is read";
    for (std::size_t cut = 0; cut < bytes.size(); cut += 97)
        EXPECT_LE(app::decodeProgramAssociations(bytes.substr(0, cut)).size(), associations.size()) << cut;

    EXPECT_EQ(app::encodeProgramAssociation({"player", {".mp", ".wav"}}), record("player=.mp.wav\r\n"));
    EXPECT_EQ(app::encodeProgramAssociation({std::string(600, 'x'), {}}), "");
}

TEST(ProgramAssociationRecords, ExtensionPrefixesMatch)
{
    auto associations = app::decodeProgramAssociations(record("7z=") + record("writer=.txt.c") +
                                                       record("browser=.ht.asp") + record("player=.mp"));
    EXPECT_EQ(app::programForExtension(associations, ".htm"), "browser");
    EXPECT_EQ(app::programForExtension(associations, ".HTML"), "browser");
    EXPECT_EQ(app::programForExtension(associations, ".mpeg"), "player");
    EXPECT_EQ(app::programForExtension(associations, ".cpp"), "writer") << "the first record that matches";
    EXPECT_EQ(app::programForExtension(associations, ".h"), std::nullopt) << "a shorter extension is no match";
    EXPECT_EQ(app::programForExtension(associations, ""), std::nullopt);
}

TEST(LaunchPaths, ExtensionsWebAddressesAndRefusals)
{
    EXPECT_EQ(FileExtension("/a/b.tar.gz"), ".gz");
    EXPECT_EQ(FileExtension("/a.d/README"), "");
    EXPECT_EQ(FileExtension("/a/b." + std::string(61, 'x')), "");
    EXPECT_TRUE(IsWebAddress("www.example.org/page.htm"));
    EXPECT_TRUE(IsWebAddress("http://example.org"));
    EXPECT_TRUE(IsWebAddress("//host/share"));
    EXPECT_FALSE(IsWebAddress("/home/user/a.txt"));

    testing::TempFolder folder;
    for (const char* name : {"run.sh", "setup.EXE", "old.bat", "app.desktop"})
        EXPECT_TRUE(IsRefusedDocument((folder.path() / name).string())) << name;
    writeFile(folder.path() / "data.txt", "x");
    EXPECT_FALSE(IsRefusedDocument((folder.path() / "data.txt").string()));
    ::chmod((folder.path() / "data.txt").c_str(), 0744);
    EXPECT_TRUE(IsRefusedDocument((folder.path() / "data.txt").string())) << "an execute bit refuses it";
    fs::create_directories(folder.path() / "dir.exe.d");
    EXPECT_FALSE(IsRefusedDocument((folder.path() / "dir.exe.d" / "notes.txt").string()));
    EXPECT_EQ(LaunchCommandLine("/usr/bin/x", "/a b"), "\"/usr/bin/x\" \"/a b\"");
}

class LaunchingTest : public UtilitiesTest {
protected:
    fs::path associationsFile() const { return archiveFolder() / "EXE.2"; }
    fs::path document(const std::string& name)
    {
        fs::path path = folder.path() / "docs" / name;
        writeFile(path, "text");
        return path;
    }
};

TEST_F(LaunchingTest, TheProgramBoxIsFilledFromTheAssociations)
{
    ASSERT_FALSE(fs::exists(associationsFile()));
    ASSERT_TRUE(FillProgramBox(*ws));
    EXPECT_EQ(readFile(associationsFile()).size(), 3u * 512) << "created with the defaults";
    EXPECT_EQ(ws->runWithPrograms, (std::vector<std::string>{"7z", "pdftotext", "xdg-open"}));

    writeFile(associationsFile(), record("Viewer=.pdf") + record("7z=") + record("viewer=.ps") + record("view"));
    ws->runWithPrograms.clear();
    ASSERT_TRUE(FillProgramBox(*ws));
    EXPECT_EQ(ws->runWithPrograms, (std::vector<std::string>{"viewer", "7z"})) << "prefixes found are not added";
    EXPECT_EQ(FindInProgramBox(*ws, "VIEW"), 0);
    EXPECT_EQ(FindInProgramBox(*ws, "gimp"), kNotInProgramBox);
}

TEST_F(LaunchingTest, HtmOpensWithTheProgramRegisteredForHt)
{
    fs::path recorder = writeRecorder(pathFolder / "webviewer");
    writeFile(associationsFile(), record("7z=") + record("webviewer=.ht.asp\r\n"));
    fs::path page = document("page.htm");
    ASSERT_TRUE(OpenWithRegisteredProgram(*ws, page.string()));
    EXPECT_EQ(recordedArguments(recorder), (std::vector<std::string>{recorder.string(), page.string()}));
}

TEST_F(LaunchingTest, NoExtensionGivesTheFallbackProgram)
{
    writeFile(associationsFile(), record("webviewer=.ht"));
    EXPECT_EQ(RegisteredProgramFor(*ws, "/docs/README"), "xdg-open");
    EXPECT_EQ(RegisteredProgramFor(*ws, "/docs/table.ods"), "xdg-open");
    // A stand-in named like the fallback, found in the test's own PATH folder.
    fs::path fallback = writeRecorder(pathFolder / "xdg-open");
    fs::path readme = document("README");
    ASSERT_TRUE(OpenWithRegisteredProgram(*ws, readme.string()));
    EXPECT_EQ(recordedArguments(fallback), (std::vector<std::string>{fallback.string(), readme.string()}));
}

TEST_F(LaunchingTest, WebAddressesGoToTheChosenBrowser)
{
    fs::create_directories(fs::path(ws->browserListPath).parent_path());
    ASSERT_TRUE(app::BrowserList::write(ws->browserListPath, {"mybrowser", {"mybrowser"}}));
    EXPECT_EQ(RegisteredProgramFor(*ws, "www.example.org/a.pdf"), "mybrowser");
    fs::path browser = writeRecorder(pathFolder / "mybrowser");
    ASSERT_TRUE(OpenWithRegisteredProgram(*ws, "www.example.org/a.pdf"));
    EXPECT_EQ(recordedArguments(browser)[1], "http://www.example.org/a.pdf");

    writeFile(ws->browserListPath, std::string(512, '\0') + "firefox\r\n");
    writeFile(associationsFile(), record("webviewer=.ht"));
    EXPECT_EQ(RegisteredProgramFor(*ws, "https://example.org/"), "webviewer") << "no browser chosen: as .htm";
}

TEST_F(LaunchingTest, AProgramIsLookedForOnceAndNeverOnTheDisks)
{
    fs::path deep = writeRecorder(driveRoot / "opt" / "tools" / "reader");
    writeFile(associationsFile(), record("reader=.txt"));
    fs::path first = document("first.txt");
    EXPECT_FALSE(OpenWithRegisteredProgram(*ws, first.string())) << "a program deep in a disk is not looked for";
    EXPECT_EQ(messagesWith("The program reader is not installed."), 1);
    EXPECT_FALSE(fs::exists(deep.string() + ".argv"));

    fs::create_directories(usualFolder);
    fs::path recorder = writeRecorder(usualFolder / "reader");
    ASSERT_TRUE(OpenWithRegisteredProgram(*ws, first.string()));
    EXPECT_EQ(recordedArguments(recorder)[1], first.string());
    EXPECT_EQ(app::ExecutablesList::find(ws->executablesListPath, "reader"), recorder.string());

    fs::remove(recorder.string() + ".argv");
    fs::path second = document("second.txt");
    ASSERT_TRUE(OpenWithRegisteredProgram(*ws, second.string()));
    EXPECT_EQ(recordedArguments(recorder)[1], second.string());
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(LaunchingTest, ProgramsAndScriptsAreNeverRun)
{
    fs::path recorder = writeRecorder(pathFolder / "reader");
    fs::path executable = document("tool.bin");
    ::chmod(executable.c_str(), 0755);
    for (const fs::path& path : {document("install.sh"), document("setup.exe"), executable}) {
        EXPECT_FALSE(RunWithProgram(*ws, 0, "reader", path.string())) << path;
    }
    EXPECT_EQ(messagesWith("Invalid option."), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(recorder.string() + ".argv"));
}

TEST_F(LaunchingTest, BlanksAndQuotesReachTheProgramAsOneArgument)
{
    fs::path recorder = writeRecorder(pathFolder / "reader");
    fs::path odd = document("my \"quoted\" file $(touch x) 'a'.txt");
    ASSERT_TRUE(RunWithProgram(*ws, kNotInProgramBox, "reader", odd.string()));
    EXPECT_EQ(recordedArguments(recorder), (std::vector<std::string>{recorder.string(), odd.string()}));
    EXPECT_FALSE(fs::exists(folder.path() / "x"));
    EXPECT_EQ(ws->statusText, "\"" + recorder.string() + "\" \"" + odd.string() + "\"");
}

TEST_F(LaunchingTest, BadPathsDoNothingAndAFailedStartIsReported)
{
    fs::path recorder = writeRecorder(pathFolder / "reader");
    EXPECT_FALSE(RunWithProgram(*ws, 0, "reader", ""));
    EXPECT_FALSE(RunWithProgram(*ws, 0, "reader", "./relative.txt"));
    EXPECT_FALSE(RunWithProgram(*ws, 0, "reader", "/" + std::string(600, 'a')));
    EXPECT_TRUE(host.messages().empty());

    fs::path doc = document("a.txt");
    writeFile(folder.path() / "notaprogram", "data");
    EXPECT_FALSE(RunWithProgram(*ws, 0, (folder.path() / "notaprogram").string(), doc.string()));
    EXPECT_EQ(messagesWith("Error running"), 1);
    EXPECT_FALSE(RunWithProgram(*ws, 0, "nosuchprogram", doc.string()));
    EXPECT_EQ(messagesWith("The program nosuchprogram is not installed."), 1);
}

} // namespace
} // namespace vedra::utilities

namespace vedra::utilities {
namespace {

TEST_F(LaunchingTest, TheRunButtonTakesTheRowOrTheSelectedText)
{
    fs::path recorder = writeRecorder(pathFolder / "reader");
    fs::path selected = document("selected.txt");
    ASSERT_TRUE(RunWithButton(*ws, "reader", "", selected.string()));
    EXPECT_EQ(recordedArguments(recorder)[1], selected.string());
    fs::remove(recorder.string() + ".argv");

    writeFile(associationsFile(), record("reader=.md"));
    fs::path row = document("row.md");
    ASSERT_TRUE(RunWithButton(*ws, "", row.string(), "/ignored.txt"));
    EXPECT_EQ(recordedArguments(recorder)[1], row.string());

    EXPECT_FALSE(RunWithButton(*ws, "reader", "", ""));
    EXPECT_FALSE(RunWithButton(*ws, "reader", "", "/" + std::string(600, 'x')));
    EXPECT_FALSE(RunWithButton(*ws, "reader", "", "  not a path"));
}

TEST_F(LaunchingTest, AFileGoneFromTheDiskIsReportedAndNothingStarts)
{
    fs::path recorder = writeRecorder(pathFolder / "reader");
    writeFile(associationsFile(), record("reader=.txt"));
    fs::path gone = document("gone.txt");
    fs::remove(gone);
    EXPECT_FALSE(RunWithButton(*ws, "", gone.string(), ""));
    EXPECT_FALSE(RunWithButton(*ws, "reader", gone.string(), ""));
    EXPECT_FALSE(OpenWithRegisteredProgram(*ws, gone.string()));
    EXPECT_EQ(messagesWith("The file no longer exists:\n" + gone.string()), 3);
    EXPECT_EQ(host.messages().size(), 3u) << "no program was looked for";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(recorder.string() + ".argv"));
}

} // namespace
} // namespace vedra::utilities
