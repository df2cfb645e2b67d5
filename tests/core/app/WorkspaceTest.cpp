#include "core/app/Workspace.h"

#include "core/app/HeadlessHost.h"
#include "core/archive/ArchiveEntry.h"
#include "core/archive/ByteOrder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempFolder;
using testing::testProbe;
using testing::writeFile;

// A catalogue whose current entry (offset 100) names `identification`.
std::string catalogueBytes(const std::string& identification, std::int32_t defaultNumber = 7,
                           std::uint16_t extractLength = 300)
{
    std::string bytes(200, '\0');
    auto* raw = reinterpret_cast<std::uint8_t*>(bytes.data());
    archive::putI32le(raw + 92, 4);
    archive::putI32le(raw + 96, defaultNumber);
    archive::ArchiveEntry entry;
    entry.identification = identification;
    entry.creationDate = "8 December 2026";
    entry.extractLength = extractLength;
    entry.minWordLength = 3;
    entry.truncationLength = 12;
    entry.encode(raw + 100);
    return bytes;
}

// The 196-byte header of a document file with the two counts the status line shows.
std::string documentHeader(std::int32_t filesWithText, std::int32_t documents)
{
    std::string bytes(196, '\0');
    auto* raw = reinterpret_cast<std::uint8_t*>(bytes.data());
    archive::putI32le(raw + 92, filesWithText);
    archive::putI32le(raw + 100, documents);
    return bytes;
}

class WorkspaceStart : public ::testing::Test {
protected:
    Workspace makeWorkspace(const fs::path& workingFolder)
    {
        return Workspace(host, testProbe(workingFolder));
    }

    TempFolder folder;
    HeadlessHost host;
};

TEST_F(WorkspaceStart, FirstRunInAnEmptyFolder)
{
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    for (const char* name : {"vedrareport", "vedratemp", "download_vedratemp"})
        EXPECT_TRUE(fs::is_directory(folder.path() / name)) << name;
    EXPECT_EQ(readFile(folder.path() / "LinguaVedra.vedra"), "inglese inglese ");
    EXPECT_EQ(ws.LanguageIndex, 1);
    EXPECT_TRUE(ws.EnglishReading);
    EXPECT_EQ(ws.WorkingFolder, folder.slash());
    EXPECT_EQ(ws.RootFolder, folder.slash());
    EXPECT_FALSE(ws.hasCurrentArchive());
    EXPECT_TRUE(ws.ArchiveFolder.empty());
    EXPECT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::Missing);
    EXPECT_FALSE(fs::exists(folder.path() / "IND_ARC.PRI")) << "start-up never creates the catalogue";
    ws.InitialiseSession();
    EXPECT_EQ(host.title(), "");
    EXPECT_EQ(ws.SearchTarget, app::SearchTarget::Notes);
    // Without an archive the executables list has no path: no tool is looked for.
    EXPECT_TRUE(ws.SevenZipCommand.empty());
    EXPECT_EQ(ws.PdfToTextCommand, "\"\"");
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(WorkspaceStart, SecondRunKeepsTheSavedLanguage)
{
    writeFile(folder.path() / "LinguaVedra.vedra", "italianoitaliano");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.LanguageIndex, 0);
    EXPECT_FALSE(ws.EnglishReading);
    EXPECT_EQ(ws.messages().text(MessageKey::MsgWriteError), "ERRORE in SCRITTURA");
}

TEST_F(WorkspaceStart, VedraprogFolderPutsTheRootAboveIt)
{
    fs::path working = folder.path() / "Programs" / "VedraProg";
    fs::create_directories(working);
    writeFile(folder.path() / "Programs" / "IND_ARC.PRI", catalogueBytes("C_PROVA_2"));
    fs::create_directories(folder.path() / "Programs" / "C_PROVA_2");
    Workspace ws = makeWorkspace(working);
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.WorkingFolder, working.string() + "/") << "the working folder keeps its case";
    EXPECT_EQ(ws.RootFolder, (folder.path() / "Programs").string() + "/");
    EXPECT_EQ(ws.ArchiveFolder, ws.RootFolder + "C_PROVA_2/");
    EXPECT_TRUE(fs::exists(working / "LinguaVedra.vedra"));
    EXPECT_FALSE(fs::exists(folder.path() / "Programs" / "LinguaVedra.vedra"));
    // The tools' lists stay in the working folder.
    EXPECT_EQ(ws.executablesListPath, ws.WorkingFolder + "Magazzino/Eseguibili.Vedra");
}

TEST_F(WorkspaceStart, CatalogueEntryBecomesTheCurrentArchive)
{
    writeFile(folder.path() / "IND_ARC.PRI", catalogueBytes("C_PROVA_3"));
    writeFile(folder.path() / "C_PROVA_3" / "IND.3", documentHeader(5, 9));
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    // Number 4 has no entry of its own in this catalogue: the entry at 100 is current.
    EXPECT_EQ(ws.catalogue.currentNumber, 4);
    EXPECT_EQ(ws.catalogue.defaultNumber, 7);
    EXPECT_EQ(ws.currentArchiveName(), "C_PROVA_3");
    EXPECT_EQ(ws.ArchiveFolder, folder.slash() + "C_PROVA_3/");
    EXPECT_EQ(ws.ArchiveFilesFolder, folder.slash() + "C_PROVA_3/Files/");
    EXPECT_TRUE(ws.RedirectFolder.empty());
    EXPECT_EQ(ws.archiveCreationDate, "8 December 2026");
    EXPECT_EQ(ws.minWordLength, 3);
    EXPECT_EQ(ws.maxWordLength, 12);
    EXPECT_EQ(ws.extractLength, 300);
    EXPECT_TRUE(fs::exists(folder.path() / "C_PROVA_3" / "vedraprova.vedra"));
    EXPECT_EQ(ws.notesPath, ws.ArchiveFolder + "vedranote.txt");
    EXPECT_TRUE(fs::exists(ws.notesPath));
    EXPECT_EQ(ws.wordRootsPath, ws.WorkingFolder + "Lemmi/Radici/RadiciParole.txt");
    EXPECT_EQ(ws.browserListPath, ws.WorkingFolder + "Magazzino/Browser.Vedra");
    EXPECT_EQ(ws.agendaPath, ws.WorkingFolder + "Magazzino/Agenda.Vedra");
    EXPECT_EQ(ws.extractsPath, ws.WorkingFolder + "Magazzino/estratti.vedra");

    ASSERT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    EXPECT_EQ(ws.ArchiveNumber, 3);
    EXPECT_EQ(ws.ArchiveNumberText, "3");
    EXPECT_EQ(host.status(), "files: 5 / 9");
    ws.InitialiseSession();
    EXPECT_EQ(host.title(), "VedraReader - C_PROVA");
}

// A catalogue with two archives, the second one current.
std::string twoArchiveCatalogue()
{
    std::string bytes = catalogueBytes("C_FIRST_1");
    std::string second = catalogueBytes("C_SECOND_2");
    bytes += second.substr(100, 100);
    archive::putI32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + 92, 2);
    return bytes;
}

TEST_F(WorkspaceStart, CurrentNumberLeadsToItsOwnEntry)
{
    writeFile(folder.path() / "IND_ARC.PRI", twoArchiveCatalogue());
    fs::create_directories(folder.path() / "C_SECOND_2");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.currentArchiveName(), "C_SECOND_2");
    ASSERT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    EXPECT_EQ(ws.ArchiveNumber, 2);
}

TEST_F(WorkspaceStart, ShutdownKeepsEveryCatalogueEntry)
{
    writeFile(folder.path() / "IND_ARC.PRI", twoArchiveCatalogue());
    fs::create_directories(folder.path() / "C_FIRST_1");
    fs::create_directories(folder.path() / "C_SECOND_2");
    {
        Workspace ws = makeWorkspace(folder.path());
        ASSERT_EQ(ws.PrepareWorkspace(), 1);
        ASSERT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
        ASSERT_TRUE(ws.OpenArchive(2));
        archive::putU16le(ws.CurrentArchiveRecord.data() + 72, 500);
        EXPECT_TRUE(ws.ShutdownSave(0));
        EXPECT_TRUE(host.messages().empty());
    }
    std::string bytes = readFile(folder.path() / "IND_ARC.PRI");
    ASSERT_EQ(bytes.size(), 300u);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
    EXPECT_EQ(archive::getI32le(raw + 92), 2);
    EXPECT_EQ(archive::getI32le(raw + 96), 7);
    EXPECT_EQ(bytes.substr(100, 10), std::string("C_FIRST_1\0", 10)) << "archive 1 is not overwritten";
    EXPECT_EQ(bytes.substr(200, 11), std::string("C_SECOND_2\0", 11));
    EXPECT_EQ(archive::getU16le(raw + 272), 500);
    EXPECT_EQ(readFile(folder.path() / "LinguaVedra.vedra"), "italianoinglese ");

    Workspace again = makeWorkspace(folder.path());
    ASSERT_EQ(again.PrepareWorkspace(), 1);
    EXPECT_EQ(again.currentArchiveName(), "C_SECOND_2");
    EXPECT_EQ(again.extractLength, 500);
}

TEST_F(WorkspaceStart, OpenArchiveRefusesFreeAndMissingEntries)
{
    std::string bytes = twoArchiveCatalogue();
    bytes[200] = '?';
    writeFile(folder.path() / "IND_ARC.PRI", bytes);
    fs::create_directories(folder.path() / "C_FIRST_1");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_FALSE(ws.OpenArchive(2));
    EXPECT_FALSE(ws.OpenArchive(3));
    EXPECT_FALSE(ws.OpenArchive(0));
    EXPECT_TRUE(ws.OpenArchive(1));
    EXPECT_EQ(host.title(), "VedraReader - C_FIRST");
    EXPECT_EQ(ws.truncationThreshold, 16);
    EXPECT_EQ(ws.minWordLength, 3);
}

TEST_F(WorkspaceStart, NoCatalogueAtStartMeansNoneIsWrittenAtShutdown)
{
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_TRUE(ws.ShutdownSave(1));
    EXPECT_FALSE(fs::exists(folder.path() / "IND_ARC.PRI"));
    EXPECT_FALSE(ws.workBuffers.isAllocated());
}

TEST_F(WorkspaceStart, OutOfRangeExtractLengthReadsAs200)
{
    writeFile(folder.path() / "IND_ARC.PRI", catalogueBytes("C_PROVA_1", 7, 2001));
    fs::create_directories(folder.path() / "C_PROVA_1");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.extractLength, 200);
}

TEST_F(WorkspaceStart, FreeCurrentEntryOpensNoArchive)
{
    writeFile(folder.path() / "IND_ARC.PRI", catalogueBytes("?_PROVA_1"));
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_FALSE(ws.hasCurrentArchive());
    EXPECT_TRUE(ws.ArchiveFolder.empty());
    EXPECT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::NoCurrentArchive);
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(WorkspaceStart, CatalogueNameThatLeavesTheRootOpensNoArchive)
{
    writeFile(folder.path() / "IND_ARC.PRI", catalogueBytes("1/../../etc_1"));
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_FALSE(ws.hasCurrentArchive());
    EXPECT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::NoCurrentArchive);
}

TEST_F(WorkspaceStart, ShortCatalogueReadsAsNoArchive)
{
    writeFile(folder.path() / "IND_ARC.PRI", std::string(50, '\0'));
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_FALSE(ws.hasCurrentArchive());
    EXPECT_EQ(ws.OpenCatalogueAtStart(), CatalogueState::NoCurrentArchive);
}

TEST_F(WorkspaceStart, TooLittleMemoryShowsTheMessageAndFails)
{
    writeFile(folder.path() / "LinguaVedra.vedra", "italianoinglese ");
    SystemProbe probe = testProbe(folder.path());
    probe.availableMemoryBytes = [] { return std::uint64_t{117} * 40960; };
    Workspace ws(host, probe);
    EXPECT_EQ(ws.PrepareWorkspace(), -1);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Memoria insufficiente\nOperazione annullata o incompleta.");
    EXPECT_FALSE(ws.workBuffers.isAllocated());
}

TEST_F(WorkspaceStart, ToolsInTheWorkingFolderAreTakenAtOnce)
{
    testing::writeExecutable(folder.path() / "pdftotext");
    testing::writeExecutable(folder.path() / "7z");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.PdfToTextCommand, "\"" + folder.slash() + "pdftotext\"");
    EXPECT_EQ(ws.SevenZipPath, folder.slash() + "7z");
    EXPECT_EQ(ws.SevenZipCommand, "\"" + folder.slash() + "7z\" x \"");
}

class ResolveArchivePathsTest : public WorkspaceStart {
protected:
    void SetUp() override
    {
        writeFile(folder.path() / "IND_ARC.PRI", catalogueBytes("C_LETTURA_4"));
        fs::create_directories(folder.path() / "C_LETTURA_4");
    }
};

TEST_F(ResolveArchivePathsTest, UnwritableArchiveFolderRedirectsTheWritableFiles)
{
    // A folder standing where the write-test file would go makes its creation fail
    // even for root, who ignores permission bits.
    fs::create_directories(folder.path() / "C_LETTURA_4" / "vedraprova.vedra");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    std::string redirect = folder.slash() + "home/C_LETTURA_4_rep/";
    EXPECT_EQ(ws.RedirectFolder, redirect);
    EXPECT_TRUE(fs::is_directory(redirect));
    EXPECT_EQ(ws.executablesListPath, redirect + "Eseguibili.Vedra");
    EXPECT_EQ(ws.browserListPath, redirect + "Browser.Vedra");
    EXPECT_EQ(ws.agendaPath, redirect + "Agenda.Vedra");
    EXPECT_EQ(ws.extractsPath, redirect + "estratti.vedra");
    EXPECT_EQ(ws.ArchiveFolder, folder.slash() + "C_LETTURA_4/") << "the archive itself is still read there";
}

TEST_F(ResolveArchivePathsTest, UnopenableNotesFileFallsBackToTheDictionary)
{
    fs::create_directories(folder.path() / "C_LETTURA_4" / "vedranote.txt");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(ws.notesPath, ws.WorkingFolder + "Magazzino/Dizionario.vedra");
    EXPECT_TRUE(ws.RedirectFolder.empty());
}

TEST_F(ResolveArchivePathsTest, ExistingNotesAreKept)
{
    writeFile(folder.path() / "C_LETTURA_4" / "vedranote.txt", "my notes");
    Workspace ws = makeWorkspace(folder.path());
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    EXPECT_EQ(readFile(ws.notesPath), "my notes");
}

struct ArchiveNumberCase {
    const char* text;
    int expected;
};

void PrintTo(const ArchiveNumberCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" -> " << c.expected;
}

class ParseArchiveNumberTest : public ::testing::TestWithParam<ArchiveNumberCase> {};

TEST_P(ParseArchiveNumberTest, GivesTheNumber)
{
    EXPECT_EQ(ParseArchiveNumber(GetParam().text, 7), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ParseArchiveNumberTest,
    ::testing::Values(ArchiveNumberCase{"C_PROVA_3", 3}, ArchiveNumberCase{"C_MY_ARCHIVE_12", 12},
                      ArchiveNumberCase{"C_PROVA_10abc", 10},
                      ArchiveNumberCase{"CPROVA", 7},       // no '_': the catalogue's default
                      ArchiveNumberCase{"C_PROVA", 7},      // the first two characters are skipped
                      ArchiveNumberCase{"C_", 7}, ArchiveNumberCase{"C", 7},
                      ArchiveNumberCase{"?_PROVA_3", 3},    // '?' is not below '1'
                      ArchiveNumberCase{"0_PROVA_3", -1},   // first character below '1'
                      ArchiveNumberCase{" C_PROVA_3", -1}, ArchiveNumberCase{"", -1},
                      ArchiveNumberCase{"C_PROVA_", -1},    // nothing after the '_'
                      ArchiveNumberCase{"C_PROVA_ 3", -1},  // blank is below '0'
                      ArchiveNumberCase{"C_PROVA_X", 0},    // not below '0', no digits
                      ArchiveNumberCase{"C_PROVA_99999999999", 2147483647}));

TEST(ParseArchiveNumber, LooksOnlyAtTheFirst1024Characters)
{
    std::string name = "C_" + std::string(1030, 'A') + "_5";
    EXPECT_EQ(ParseArchiveNumber(name, 7), 7);
}

} // namespace
} // namespace vedra::app
