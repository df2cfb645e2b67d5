// Every writer that rewrites a settings or list file whole, against the two faults
// a replacement must survive: the new content cannot be written (its temporary
// cannot be made), and a crash left a temporary behind. The old file must come out
// byte for byte, and the next write must work.
#include "UtilitiesFixture.h"

#include "core/app/BrowserList.h"
#include "core/app/ExecutablesList.h"
#include "core/app/LanguageFile.h"
#include "core/app/ProgramAssociations.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveListFiles.h"
#include "core/io/AtomicFile.h"
#include "core/search/ExtractFile.h"
#include "core/utilities/PopupActions.h"
#include "core/utilities/UtilityPage.h"

#include <functional>

namespace vedra::utilities {
namespace {

using testing::readFile;
using testing::writeFile;

struct WriterCase {
    const char* name;
    std::function<std::string(app::Workspace&)> path;
    // Puts the old file in place (its bytes are whatever the writer reads sensibly).
    std::function<void(app::Workspace&, const std::string& path)> prepare;
    std::function<bool(app::Workspace&, const std::string& path)> write;
};

std::string archiveEntryBytes(const char* identification)
{
    archive::ArchiveEntry entry;
    entry.identification = identification;
    std::string bytes(archive::ArchiveEntry::kSize, '\0');
    entry.encode(reinterpret_cast<std::uint8_t*>(bytes.data()));
    return bytes;
}

const std::vector<WriterCase>& writerCases()
{
    auto oldText = [](const std::string& text) {
        return [text](app::Workspace&, const std::string& path) { writeFile(path, text); };
    };
    auto keep = [](app::Workspace&, const std::string&) {};
    static const std::vector<WriterCase> cases = {
        {"language file", [](app::Workspace& ws) { return ws.languageFilePath(); }, oldText("inglese inglese "),
         [](app::Workspace&, const std::string& path) { return app::writeLanguageFile(path, 0, false); }},
        {"chosen browser", [](app::Workspace& ws) { return ws.browserListPath; },
         [](app::Workspace&, const std::string& path) { app::BrowserList::write(path, app::BrowserList::defaults()); },
         [](app::Workspace& ws, const std::string&) { return ChooseBrowser(ws, "firefox"); }},
        {"browser lines", [](app::Workspace& ws) { return ws.browserListPath; },
         [](app::Workspace&, const std::string& path) { app::BrowserList::write(path, app::BrowserList::defaults()); },
         [](app::Workspace& ws, const std::string&) { return SaveBrowserListLines(ws, "opera\nlynx\n"); }},
        {"executables list", [](app::Workspace& ws) { return ws.executablesListPath; },
         oldText("/usr/bin/firefox" + std::string(240, '\0')),
         [](app::Workspace&, const std::string& path) {
             return app::ExecutablesList::record(path, "pdftotext", "/usr/bin/pdftotext");
         }},
        {"program associations", [](app::Workspace& ws) { return ws.ArchiveFolder + "EXE.2"; },
         oldText("7z=\r\n" + std::string(507, '\0')),
         [](app::Workspace&, const std::string& path) { return app::appendProgramAssociation(path, "okular"); }},
        {"catalogue entry", [](app::Workspace& ws) { return ws.catalogueFilePath(); }, keep,
         [](app::Workspace&, const std::string& path) {
             std::array<std::uint8_t, archive::ArchiveEntry::kSize> bytes{};
             std::string entry = archiveEntryBytes("C_NEW_5");
             std::copy(entry.begin(), entry.end(), bytes.begin());
             return archive::writeCatalogueEntry(path, 5, bytes);
         }},
        {"catalogue numbers", [](app::Workspace& ws) { return ws.catalogueFilePath(); }, keep,
         [](app::Workspace&, const std::string& path) { return archive::writeCatalogueNumbers(path, 3, 1); }},
        {"archive description", [](app::Workspace& ws) { return ws.ArchiveFolder + "DescrizioneArc.vedra"; },
         oldText("the old description"),
         [](app::Workspace& ws, const std::string&) { return indexing::WriteArchiveDescription(ws, "la nuova"); }},
        {"saved preview text", [](app::Workspace& ws) { return ws.ArchiveFolder + "nuovotesto.vedra"; },
         oldText("old text\r\n"),
         [](app::Workspace& ws, const std::string& path) { return SavePreviewText(ws, path, "new text\r\n"); }},
        {"filters list", [](app::Workspace& ws) { return ws.store().slotPath(archive::SlotTextExtensions); },
         oldText(".doc\r\n.txt\r\n"),
         [](app::Workspace& ws, const std::string&) {
             return indexing::SaveListFile(ws, archive::SlotTextExtensions, ".odt\n.md\n");
         }},
        {"extract file", [](app::Workspace& ws) { return ws.extractsPath; }, oldText(" File: 1 - /old\r\n"),
         [](app::Workspace& ws, const std::string&) {
             std::string document = ws.ArchiveFolder + "nota.txt";
             writeFile(document, "una nota sul contratto");
             search::ExtractRequest request;
             search::ExtractRow row;
             row.path = document;
             row.number = 4;
             row.queryWords.push_back({"contratto", 9, search::HitWord::kNoHit, 0});
             request.rows.push_back(row);
             return search::BuildExtract(ws, request, 0, 0).outcome == search::ExtractOutcome::Written;
         }},
    };
    return cases;
}

class WholeFileWritersTest : public UtilitiesTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(WholeFileWritersTest, AFailedWriteKeepsTheOldFileAndALeftTemporaryDoesNotStopTheNext)
{
    const WriterCase& writer = writerCases()[GetParam()];
    SCOPED_TRACE(writer.name);
    const std::string path = writer.path(*ws);
    ASSERT_FALSE(path.empty());
    fs::create_directories(fs::path(path).parent_path());
    writer.prepare(*ws, path);
    const std::string old = readFile(path);
    ASSERT_FALSE(old.empty());
    const fs::path temporary = io::AtomicFile::temporaryPathFor(path);

    // A folder with something in it where the temporary goes: it cannot be made.
    fs::create_directories(temporary / "inside");
    EXPECT_FALSE(writer.write(*ws, path));
    EXPECT_EQ(readFile(path), old);
    fs::remove_all(temporary);

    // A kill between writing the temporary and renaming it.
    writeFile(temporary, old.substr(0, old.size() / 2) + "cut");
    ws->BreakCode = app::StopCode::None;
    EXPECT_TRUE(writer.write(*ws, path));
    EXPECT_NE(readFile(path), old);
    EXPECT_FALSE(fs::exists(temporary));
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WholeFileWritersTest, ::testing::Range<std::size_t>(0, 11));

TEST_F(UtilitiesTest, ChoosingABrowserChangesOnlyTheHeadOfTheList)
{
    fs::create_directories(fs::path(ws->browserListPath).parent_path());
    ASSERT_TRUE(app::BrowserList::write(ws->browserListPath, app::BrowserList::defaults()));
    const std::string old = readFile(ws->browserListPath);
    ASSERT_TRUE(ChooseBrowser(*ws, "firefox"));
    std::string expected = old;
    std::string head = "firefox\r\n";
    head.resize(app::BrowserList::kSelectedRecordSize, '\0');
    expected.replace(0, head.size(), head);
    EXPECT_EQ(readFile(ws->browserListPath), expected);
}

TEST_F(UtilitiesTest, ProgramAssociationsAreCreatedWholeOnceAndAppendedByRecord)
{
    const fs::path file = archiveFolder() / "EXE.9";
    ASSERT_TRUE(app::createDefaultProgramAssociations(file));
    std::string defaults;
    for (const auto& association : app::defaultProgramAssociations())
        defaults += app::encodeProgramAssociation(association);
    EXPECT_EQ(readFile(file), defaults);
    // An existing file is never written again, even one the user emptied.
    writeFile(file, "");
    EXPECT_TRUE(app::createDefaultProgramAssociations(file));
    EXPECT_EQ(readFile(file), "");
    ASSERT_TRUE(app::appendProgramAssociation(file, "okular"));
    std::string record = "okular=";
    record.resize(app::kProgramAssociationRecordSize, '\0');
    EXPECT_EQ(readFile(file), record);
    for (const auto& entry : fs::directory_iterator(archiveFolder()))
        EXPECT_EQ(entry.path().string().find(".tmp~"), std::string::npos) << entry.path();
}

} // namespace
} // namespace vedra::utilities
