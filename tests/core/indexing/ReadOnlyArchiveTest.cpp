// An archive and its catalogue on media that refuse writing, as a user meets
// them: searched, previewed and listed exactly as when writable; indexing into
// it, creating beside it and describing it say what cannot be written and lose
// nothing. Refused through the workspace's probe (root ignores chmod), and once
// for real where the machine allows it.
#include "core/app/HeadlessHost.h"
#include "core/app/MessageFormat.h"
#include "core/app/BrowserList.h"
#include "core/app/ExecutablesList.h"
#include "core/app/LanguageFile.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/io/AtomicFile.h"
#include "core/search/DiskListing.h"
#include "core/search/ExtractFile.h"
#include "core/search/PreviewSession.h"
#include "core/search/QueryWords.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "core/utilities/Notes.h"
#include "core/utilities/UtilityPage.h"
#include "support/ReadOnlyMedia.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using app::MessageKey;
using testing::WriteRefusal;
using testing::writeFile;

// What a user sees of an archive: the rows of a few searches, the indexed words
// of a row, the disk listing of the indexed tree, and the messages on the way.
struct Answers {
    std::vector<std::vector<std::string>> rows;
    std::string indexedWords;
    std::vector<std::string> listing;
    std::vector<std::string> messages;
    bool operator==(const Answers&) const = default;
};

class ReadOnlyArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "alpha bravo charlie delta echo");
        writeFile(tree / "a.txt", "alpha bravo");
        writeFile(tree / "sub" / "b.txt", "bravo charlie");
        writeFile(tree / "sub" / "c.html", "<p>charlie delta</p>");
        refusal.setRefusing(false);
        ws = std::make_unique<app::Workspace>(host, refusal.wrap(testing::testProbe(folder.path())));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        NewArchive request;
        request.name = "docs";
        ASSERT_EQ(CreateArchive(*ws, request).number, 1);
        ASSERT_EQ(IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}).status, IndexStatus::Done);
        archiveFolder = ws->ArchiveFolder;
        catalogue = ws->catalogueFilePath();
        refusal.setPaths({archiveFolder, catalogue});
    }

    std::map<std::string, std::string> archiveBytes() const
    {
        auto files = testing::filesUnder(archiveFolder);
        files.merge(testing::filesUnder(catalogue));
        return files;
    }

    static Answers answers(app::Workspace& workspace, const app::HeadlessHost& shownBy, const fs::path& tree)
    {
        Answers seen;
        const std::size_t shown = shownBy.messages().size();
        const std::pair<const char*, bool> queries[] = {
            {"alpha", true}, {"bravo", true}, {"charlie delta", true}, {"alpha delta", false}, {"echo", true}};
        for (const auto& [query, andWords] : queries) {
            search::ResultList results;
            search::SearchRun run(workspace, results);
            run.options().andWords = andWords ? 1 : 0;
            run.RunSearch(query);
            std::vector<std::string> labels;
            for (std::size_t i = 0; i < results.size(); ++i)
                labels.push_back(results.row(i).label());
            std::sort(labels.begin(), labels.end());
            seen.rows.push_back(labels);
        }
        search::ResultList results;
        search::SearchRun run(workspace, results);
        search::PreviewSession preview(workspace, results, run);
        run.RunSearch("charlie");
        if (!results.empty() && preview.ShowIndexedWords(0))
            seen.indexedWords = preview.document().text();
        search::ResultList listed;
        search::ListDiskRoot(workspace, listed, tree.string(), search::DiskListingKind::Files);
        for (std::size_t i = 0; i < listed.size(); ++i)
            seen.listing.push_back(listed.row(i).label());
        for (std::size_t i = shown; i < shownBy.messages().size(); ++i)
            seen.messages.push_back(shownBy.messages()[i].text);
        return seen;
    }

    std::string cannotWrite(const std::string& what) const
    {
        return app::formatMessage(ws->messages().text(MessageKey::MsgCannotWrite), {std::string_view(what)});
    }
    std::size_t shownCount(MessageKey key) const
    {
        const std::string_view text = ws->messages().text(key);
        return static_cast<std::size_t>(std::count_if(host.messages().begin(), host.messages().end(),
                                                      [&](const auto& m) { return m.text == text; }));
    }
    std::string lastMessage() const { return host.messages().empty() ? std::string() : host.messages().back().text; }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "tree";
    WriteRefusal refusal{{}};
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    std::string archiveFolder;
    std::string catalogue;
};

TEST_F(ReadOnlyArchive, SearchPreviewAndListingAreTheSameWhenNothingCanBeWritten)
{
    const Answers writable = answers(*ws, host, tree);
    ASSERT_EQ(writable.rows[0], std::vector<std::string>{(tree / "a.txt").string()});
    ASSERT_EQ(writable.rows[2], std::vector<std::string>{(tree / "sub" / "c.html").string()});
    ASSERT_EQ(writable.rows[3].size(), 2u);
    ASSERT_FALSE(writable.indexedWords.empty());
    ASSERT_EQ(writable.listing.size(), 3u);
    const auto bytes = archiveBytes();

    refusal.setRefusing(true);
    refusal.forgetWriteOpens();
    EXPECT_EQ(answers(*ws, host, tree), writable);
    // Not one open for writing was even tried, so nothing could fail quietly.
    EXPECT_TRUE(refusal.writeOpens().empty()) << refusal.writeOpens().front();
    EXPECT_EQ(shownCount(MessageKey::MsgCannotWrite) + shownCount(MessageKey::MsgWriteError), 0u);
    EXPECT_EQ(archiveBytes(), bytes);

    // The program started afresh on the read-only archive: the writable files go
    // to the redirect folder, and the archive answers as before.
    app::HeadlessHost otherHost;
    app::Workspace started(otherHost, refusal.wrap(testing::testProbe(folder.path())));
    ASSERT_EQ(started.PrepareWorkspace(), 1);
    started.setPumpInterval(std::chrono::milliseconds(0));
    EXPECT_EQ(started.OpenCatalogueAtStart(), app::CatalogueState::ArchiveOpened);
    started.InitialiseSession();
    EXPECT_EQ(started.RedirectFolder, folder.slash() + "home/C_DOCS_1_rep/");
    EXPECT_EQ(started.extractsPath, started.RedirectFolder + "estratti.vedra");
    EXPECT_EQ(answers(started, otherHost, tree), writable);
    EXPECT_TRUE(started.ShutdownSave(1));
    EXPECT_EQ(archiveBytes(), bytes);
}

TEST_F(ReadOnlyArchive, IndexingIntoItSaysWhatCannotBeWrittenAndChangesNothing)
{
    const Answers writable = answers(*ws, host, tree);
    writeFile(tree / "new.txt", "echo alpha");
    const auto bytes = archiveBytes();
    refusal.setRefusing(true);
    for (IndexCommand command : {IndexCommand::Normal, IndexCommand::SingleFolder, IndexCommand::Update}) {
        const std::size_t shown = host.messages().size();
        IndexFolderResult result = IndexFolder(*ws, tree.string(), command, {});
        EXPECT_EQ(result.status, IndexStatus::CannotOpen);
        EXPECT_EQ(result.counters.filesSeen, 0u);
        ASSERT_EQ(host.messages().size(), shown + 1);
        EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "IND.1"));
        EXPECT_FALSE(ws->store().isOpen());
    }
    EXPECT_EQ(shownCount(MessageKey::MsgCannotLoadData), 0u);
    EXPECT_EQ(archiveBytes(), bytes);
    EXPECT_EQ(answers(*ws, host, tree).rows, writable.rows);

    // Writable again, the same run goes through and finds the new file.
    refusal.setRefusing(false);
    ASSERT_EQ(IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}).status, IndexStatus::Done);
    EXPECT_EQ(answers(*ws, host, tree).rows[4], std::vector<std::string>{(tree / "new.txt").string()});
}

TEST_F(ReadOnlyArchive, AnInterruptedRunKeepsItsResumePointThroughARefusedRun)
{
    for (int i = 0; i < 5; ++i)
        writeFile(tree / ("d" + std::to_string(i)) / "f.txt", "echo " + std::to_string(i));
    int drains = 0;
    host.setOnDrain([&](int) {
        if (++drains == 3)
            ws->BreakCode = app::StopCode::Break;
    });
    ASSERT_EQ(IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}).status, IndexStatus::Stopped);
    host.setOnDrain(nullptr);
    const std::string resume = testing::readFile(archiveFolder + "NTD.1");
    ASSERT_EQ(resume.rfind(tree.string(), 0), 0u);
    const auto bytes = archiveBytes();

    refusal.setRefusing(true);
    EXPECT_EQ(IndexFolder(*ws, tree.string(), IndexCommand::Normal, {}).status, IndexStatus::CannotOpen);
    EXPECT_EQ(archiveBytes(), bytes);

    refusal.setRefusing(false);
    IndexFolderResult resumed = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    EXPECT_EQ(resumed.status, IndexStatus::Done);
    EXPECT_EQ(shownCount(MessageKey::MsgIndexingInterrupted), 1u);
    EXPECT_EQ(resumed.totalDocuments, 8u);
}

TEST_F(ReadOnlyArchive, DescriptionNamesWhatCannotBeWrittenAndKeepsTheWriteError)
{
    refusal.setRefusing(true);
    EXPECT_FALSE(WriteArchiveDescription(*ws, "first words"));
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder));
    EXPECT_FALSE(fs::exists(archiveFolder + "DescrizioneArc.vedra"));

    refusal.setRefusing(false);
    ASSERT_TRUE(WriteArchiveDescription(*ws, "first words"));
    refusal.setRefusing(true);
    EXPECT_FALSE(WriteArchiveDescription(*ws, "second words"));
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "DescrizioneArc.vedra"));
    EXPECT_EQ(testing::readFile(archiveFolder + "DescrizioneArc.vedra"), "first words");
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);

    // A write that fails for any other reason is still the write error.
    refusal.setRefusing(false);
    ws->ArchiveFolder = folder.slash() + "gone/";
    EXPECT_FALSE(WriteArchiveDescription(*ws, "words"));
    EXPECT_EQ(lastMessage(), ws->messages().text(MessageKey::MsgWriteError));
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
}

// The files the program keeps beside the archive: the notes, the extracts and the
// settings (the language, the browser list, the executables list). On a disk that
// refuses writing each write is refused through the probe, says so where the user
// asked for it, and leaves every byte; what can be read is read as before.
TEST_F(ReadOnlyArchive, NotesExtractsAndSettingsAreRefusedAndKeepTheirBytes)
{
    const std::string working = ws->WorkingFolder;
    search::ExtractRequest request;
    search::ExtractRow row;
    row.path = (tree / "a.txt").string();
    row.number = 1;
    row.queryWords.push_back({"bravo", 5, search::HitWord::kNoHit, 0});
    request.rows.push_back(row);
    ASSERT_EQ(utilities::AppendNoteEntry(*ws, ws->notesPath, "a note on bravo"), utilities::AppendResult::Appended);
    ws->BreakCode = app::StopCode::None;
    fs::create_directories(fs::path(ws->extractsPath).parent_path());
    ASSERT_EQ(search::BuildExtract(*ws, request, 0, 0).outcome, search::ExtractOutcome::Written) << lastMessage();
    ASSERT_TRUE(ws->SaveLanguageFile(1));
    ASSERT_TRUE(utilities::ChooseBrowser(*ws, "firefox"));
    ASSERT_TRUE(app::ExecutablesList::record(ws->executablesListPath, "pdftotext", "/usr/bin/pdftotext",
                                             ws->probe().openFile));
    search::PreviewDocument extractsBefore;
    ASSERT_TRUE(search::LoadExtractPreview(*ws, 4096, extractsBefore));

    refusal.setPaths({archiveFolder, catalogue, working});
    refusal.setRefusing(true);
    refusal.forgetWriteOpens();
    const auto before = testing::filesUnder(working);
    const std::size_t writeErrors = shownCount(MessageKey::MsgWriteError);

    EXPECT_EQ(utilities::AppendNoteEntry(*ws, ws->notesPath, "another note"), utilities::AppendResult::WriteFailed);
    ws->BreakCode = app::StopCode::None;
    EXPECT_EQ(search::BuildExtract(*ws, request, 0, 0).outcome, search::ExtractOutcome::Stopped);
    ws->BreakCode = app::StopCode::None;
    EXPECT_EQ(shownCount(MessageKey::MsgWriteError), writeErrors + 2);
    EXPECT_FALSE(ws->SaveLanguageFile(0));
    EXPECT_FALSE(utilities::ChooseBrowser(*ws, "chromium"));
    EXPECT_FALSE(app::ExecutablesList::record(ws->executablesListPath, "7z", "/usr/bin/7z", ws->probe().openFile));

    // Each was asked of the probe: without it, root would have written them all.
    const std::vector<std::string>& asked = refusal.writeOpens();
    auto askedFor = [&](const std::string& path) {
        return std::any_of(asked.begin(), asked.end(), [&](const std::string& opened) {
            return opened == path || opened == io::AtomicFile::temporaryPathFor(path).string();
        });
    };
    for (const std::string& path : {ws->notesPath, ws->extractsPath, ws->languageFilePath(), ws->browserListPath,
                                    ws->executablesListPath})
        EXPECT_TRUE(askedFor(path)) << path;
    EXPECT_EQ(testing::filesUnder(working), before);

    // Reading needs no writing: the extracts, the language and the browser.
    search::PreviewDocument extractsAfter;
    ASSERT_TRUE(search::LoadExtractPreview(*ws, 4096, extractsAfter));
    EXPECT_EQ(extractsAfter.text(), extractsBefore.text());
    EXPECT_EQ(app::readOrCreateLanguageFile(ws->languageFilePath(), ws->probe().openFile).languageIndex, 1);
    EXPECT_EQ(utilities::FillBrowserList(*ws).selected, "firefox");
    // The notes too: searched and paged without opening them for writing.
    search::QueryWordTable bravo;
    search::ParseQueryWords("bravo", false, 0, {}, nullptr, bravo);
    search::SearchOptions options;
    search::PreviewDocument found;
    EXPECT_EQ(utilities::SearchNotes(*ws, bravo, app::SearchTarget::Notes, options, found, 0), 1);
    const utilities::NotesPage page = utilities::ReadNotesPage(*ws, ws->notesPath, bravo, true, 0, 4096, 0);
    EXPECT_TRUE(page.opened);
    EXPECT_EQ(page.entries, 1);
    EXPECT_EQ(testing::filesUnder(working), before);
}

TEST_F(ReadOnlyArchive, CreatingBesideItNamesTheCatalogueOrTheFolder)
{
    NewArchive request;
    request.name = "more";
    const auto bytes = archiveBytes();
    refusal.setRefusing(true);
    CreatedArchive created = CreateArchive(*ws, request);
    EXPECT_EQ(created.number, -1);
    EXPECT_TRUE(created.messageShown);
    EXPECT_EQ(lastMessage(), cannotWrite(catalogue));
    EXPECT_FALSE(fs::exists(folder.path() / "C_MORE_2"));
    EXPECT_EQ(archiveBytes(), bytes);

    // A writable catalogue and a folder for the new archive that refuses its files:
    // the folder is named, once, without a write error on top.
    refusal.setPaths({folder.slash() + "C_MORE_2/"});
    const std::size_t shown = host.messages().size();
    created = CreateArchive(*ws, request);
    EXPECT_EQ(created.number, -1);
    EXPECT_TRUE(created.messageShown);
    ASSERT_EQ(host.messages().size(), shown + 1);
    EXPECT_EQ(lastMessage(), cannotWrite(folder.slash() + "C_MORE_2/"));
}

// The archive files, their folder and the catalogue read-only for real. One list
// is missing: the search makes do with the lists there are.
TEST_F(ReadOnlyArchive, ReallyReadOnlyArchiveIsSearchedAndNotIndexed)
{
    writeFile(tree / "new.txt", "echo alpha");
    const Answers writable = answers(*ws, host, tree);
    fs::remove(archiveFolder + "CMP.1");
    const auto bytes = archiveBytes();
    std::vector<fs::path> paths;
    for (const auto& [path, content] : bytes)
        paths.emplace_back(path);
    paths.emplace_back(archiveFolder);
    testing::ReallyReadOnly readOnly(paths);
    if (!readOnly.active())
        GTEST_SKIP() << "this machine cannot make files read-only here (" << readOnly.how() << ")";

    EXPECT_EQ(answers(*ws, host, tree), writable);
    IndexFolderResult result = IndexFolder(*ws, tree.string(), IndexCommand::Normal, {});
    EXPECT_EQ(result.status, IndexStatus::CannotOpen);
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "IND.1"));
    EXPECT_EQ(shownCount(MessageKey::MsgCannotLoadData), 0u);
    EXPECT_EQ(archiveBytes(), bytes);
    EXPECT_EQ(answers(*ws, host, tree).rows, writable.rows);
}

} // namespace
} // namespace vedra::indexing
