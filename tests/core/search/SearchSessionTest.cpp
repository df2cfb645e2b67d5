// StartSearch routes by the search target: the notes and the agenda to the notes
// search, anything else to the archive.
#include "core/search/SearchSession.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/utilities/Notes.h"
#include "core/web/WebResult.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

using app::SearchTarget;

class SearchSessionTest : public ::testing::Test {
protected:
    SearchSessionTest()
    {
        workspace.PrepareWorkspace();
        workspace.setPumpInterval(std::chrono::milliseconds(0));
        utilities::ConnectNotesSearch(session);
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    SearchSession session{workspace};
};

TEST_F(SearchSessionTest, TheNotesTargetSearchesTheNotesAndLeavesTheArchiveAlone)
{
    workspace.SearchTarget = SearchTarget::Notes;
    workspace.notesPath = folder.slash() + "vedranote.txt";  // an archive's notes file
    const std::string notes = utilities::NotesFilePath(workspace, SearchTarget::Notes);
    ASSERT_FALSE(notes.empty());
    testing::writeFile(notes, "la casa al mare\r\n\r\nun altro appunto\r\n\r\n");
    EXPECT_EQ(session.StartSearch("casa"), 1);
    const PreviewDocument& preview = session.preview().document();
    EXPECT_NE(preview.text().find("la casa al mare"), std::string::npos);
    EXPECT_EQ(preview.text().find("un altro appunto"), std::string::npos);
    ASSERT_FALSE(preview.spans().empty());
    EXPECT_EQ(preview.text().substr(preview.spans()[0].start, preview.spans()[0].length), "casa");
    EXPECT_TRUE(host.messages().empty()) << "no archive was asked for";
}

TEST_F(SearchSessionTest, TheArchiveTargetRunsTheArchiveSearch)
{
    workspace.SearchTarget = SearchTarget::Archive;
    int notesCalls = 0;
    session.setNotesSearch([&](app::SearchTarget, const std::string&) { return ++notesCalls; });
    EXPECT_EQ(session.StartSearch("casa"), 0);
    EXPECT_EQ(notesCalls, 0);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "To operate is necessary to initialize an archive.");

    workspace.SearchTarget = SearchTarget::Memorandum;
    EXPECT_EQ(session.StartSearch("casa"), 1);
    EXPECT_EQ(notesCalls, 1);
}

TEST_F(SearchSessionTest, ADisabledSearchRunsNothingAndSaysSo)
{
    workspace.notesPath = folder.slash() + "vedranote.txt";
    testing::writeFile(utilities::NotesFilePath(workspace, SearchTarget::Notes), "la casa al mare\r\n\r\n");
    ResultRow kept;
    kept.columns[0] = "/kept/row.txt";
    session.results().append(kept);
    session.setSearchDisabled(true);
    for (SearchTarget target : {SearchTarget::Notes, SearchTarget::Archive, SearchTarget::Memorandum}) {
        workspace.SearchTarget = target;
        EXPECT_EQ(session.StartSearch("casa"), 0);
    }
    EXPECT_TRUE(host.messages().empty()) << "not even the missing archive is reported";
    EXPECT_TRUE(session.preview().document().empty());
    ASSERT_EQ(session.results().size(), 1u);
    EXPECT_EQ(host.status(), "Search disabled");
    workspace.LanguageIndex = 0;
    workspace.SearchTarget = SearchTarget::Notes;
    session.StartSearch("casa");
    EXPECT_EQ(host.status(), "Ricerca disabilitata");

    session.setSearchDisabled(false);
    EXPECT_EQ(session.StartSearch("casa"), 1);
    EXPECT_NE(session.preview().document().text().find("la casa al mare"), std::string::npos);
}

TEST_F(SearchSessionTest, AWebResultIsPreviewedFromItsLocalCopyWithoutFetching)
{
    const std::string address = "www.example.org/notizie?id=3";
    const std::string copy = web::LocalCopyPath(workspace, address);
    ASSERT_FALSE(copy.empty());
    testing::writeFile(copy, "<p>le notizie di oggi</p>\n");
    ParseQueryWords("notizie", false, 0, {}, nullptr, session.run().words());
    ASSERT_EQ(session.preview().OpenPreviewFile(address, 0, ReadMode::Search), 0);
    session.preview().ShowHits();
    EXPECT_EQ(session.preview().currentPath(), address);
    EXPECT_NE(session.preview().document().text().find("le notizie di oggi"), std::string::npos);
    EXPECT_TRUE(host.messages().empty());
}

} // namespace
} // namespace vedra::search
