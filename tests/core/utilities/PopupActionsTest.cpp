// The engine's side of the pop-up entries that decide something: cleaning the
// preview, saving it, and the selected text as words or as a file to open.
#include "core/utilities/PopupActions.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/search/SearchSession.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vedra::utilities {
namespace {

using Task = PopupWindowTask;

class PopupActionsTest : public ::testing::Test {
protected:
    PopupActionsTest()
    {
        workspace.PrepareWorkspace();
        workspace.extractsPath = folder.slash() + "estratti.vedra";
    }

    PopupWindowWork perform(PopupAction action, bool turnedOn = true)
    {
        PopupOutcome outcome;
        outcome.action = action;
        outcome.turnedOn = turnedOn;
        return PerformPopupAction(workspace, session, flags, outcome, state);
    }
    std::string show(const std::string& name, const std::string& content)
    {
        const std::string path = folder.slash() + name;
        testing::writeFile(path, content);
        session.preview().OpenPreviewFile(path, 0, search::ReadMode::Plain);
        session.preview().ShowBlock();
        return path;
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    search::SearchSession session{workspace};
    PopupFlags flags;
    PopupWindowState state;
};

TEST_F(PopupActionsTest, CleanPreviewCutsASelectionButTakesOneCharacterForAStrayClick)
{
    show("a.txt", "uno due");
    state.selectedText = "du";
    EXPECT_EQ(perform(PopupAction::CleanPreview).task, Task::RemoveSelectedText);
    EXPECT_FALSE(session.preview().document().empty());
    state.selectedText = "d";
    EXPECT_EQ(perform(PopupAction::CleanPreview).task, Task::ClearPreview);
    EXPECT_TRUE(session.preview().document().empty());
}

TEST_F(PopupActionsTest, SaveAsksANameForTheProgramsOwnTextsAndConfirmsOverwritingADocument)
{
    // Names are proposed in the user's documents, never in the working folder.
    const std::string documents = folder.slash() + "Documenti";
    std::filesystem::create_directories(documents);
    state.documentsFolder = documents;
    state.homeFolder = folder.path();
    const std::string newText = documents + "/nuovotesto.txt";
    EXPECT_EQ(perform(PopupAction::Save).text, newText) << "an empty preview";
    show("estratti.vedra", "estratti\r\n");
    EXPECT_EQ(perform(PopupAction::Save).task, Task::ChooseSaveName) << "the extract file";

    const std::string path = show("letter.txt", "cara Anna");
    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_EQ(perform(PopupAction::Save).task, Task::None);
    host.queueAnswer(app::MessageAnswer::Yes);
    EXPECT_EQ(perform(PopupAction::Save).task, Task::SaveText);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_NE(host.messages()[0].text.find(path), std::string::npos);
    EXPECT_EQ(perform(PopupAction::SaveAs).text, documents + "/letter.txt");
    EXPECT_EQ(host.messages().size(), 2u) << "Save as asks no question of its own";
    // The new text typed over a shown document is the new text.
    state.previewName = std::string(kNewTextName);
    EXPECT_EQ(perform(PopupAction::Save).text, newText);
    state.documentsFolder = folder.slash() + "NoDocuments";
    EXPECT_EQ(perform(PopupAction::SaveAs).text, folder.slash() + "nuovotesto.txt") << "home without documents";

    EXPECT_TRUE(SavePreviewText(workspace, path, "caff\xE8"));
    EXPECT_EQ(testing::readFile(path), "caff\xE8");
    EXPECT_FALSE(SavePreviewText(workspace, folder.slash() + "missing/letter.txt", "x"));
    EXPECT_EQ(host.messages().back().text, workspace.messages().text(app::MessageKey::MsgWriteError));
}

TEST_F(PopupActionsTest, AChosenFileOfTheWorkingFolderIsWrittenOverOnlyWhenTheUserSaysSo)
{
    const std::string own = workspace.WorkingFolder + "estratti.vedra";
    testing::writeFile(own, "estratti del programma");
    const std::size_t before = host.messages().size();
    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_FALSE(SaveChosenPreviewText(workspace, own, "testo nuovo"));
    EXPECT_EQ(testing::readFile(own), "estratti del programma");
    ASSERT_EQ(host.messages().size(), before + 1);
    EXPECT_NE(host.messages().back().text.find(own), std::string::npos);
    EXPECT_NE(host.messages().back().text.find("working folder"), std::string::npos);

    host.queueAnswer(app::MessageAnswer::Yes);
    EXPECT_TRUE(SaveChosenPreviewText(workspace, own, "testo nuovo"));
    EXPECT_EQ(testing::readFile(own), "testo nuovo");

    // A new file there overwrites nothing, and a file elsewhere is the dialog's to ask about.
    const std::size_t asked = host.messages().size();
    EXPECT_TRUE(SaveChosenPreviewText(workspace, workspace.WorkingFolder + "appunti.txt", "a"));
    testing::TempFolder other;
    const std::string elsewhere = other.slash() + "lettera.txt";
    testing::writeFile(elsewhere, "vecchia");
    EXPECT_TRUE(SaveChosenPreviewText(workspace, elsewhere, "nuova"));
    EXPECT_EQ(testing::readFile(elsewhere), "nuova");
    for (std::size_t i = asked; i < host.messages().size(); ++i)
        EXPECT_EQ(host.messages()[i].text.find("working folder"), std::string::npos) << host.messages()[i].text;
}

TEST_F(PopupActionsTest, TheSelectionBecomesWordsOfAtMost500BytesOrTheFileToShow)
{
    state.selectedText = std::string(499, 'a') + "bc";
    EXPECT_EQ(perform(PopupAction::SearchInArchive).text, std::string(499, 'a') + "b");
    EXPECT_EQ(perform(PopupAction::SearchInNotes).task, Task::SearchNotes);
    EXPECT_EQ(perform(PopupAction::SearchInNotes, false).task, Task::None) << "unchecking only changes the target";

    const std::string path = folder.slash() + "plain.txt";
    testing::writeFile(path, "testo semplice");
    state.selectedText = "\r\n  " + path + " \t";
    EXPECT_TRUE(perform(PopupAction::ExtractText).refreshPreview);
    EXPECT_EQ(session.preview().document().text(), "testo semplice");
    state.selectedText = " \r\n";
    EXPECT_FALSE(perform(PopupAction::ExtractText).refreshPreview) << "blanks name no file";
    state.selectedText.clear();
    EXPECT_EQ(perform(PopupAction::SearchInArchive).task, Task::None);
    EXPECT_TRUE(host.messages().empty());
}

} // namespace
} // namespace vedra::utilities

namespace vedra::utilities {
namespace {

TEST_F(PopupActionsTest, StatisticsGoToTheInformationWindowAndLeaveThePreviewAsItWas)
{
    const std::string path = show("casa.txt", "casa, la casa e il casale");
    const std::string before = session.preview().document().text();
    state.queryText = "casa";
    state.statusText = path;
    search::QueryLimits limits{workspace.minWordLength, workspace.maxWordLength, workspace.truncationThreshold};
    search::ParseQueryWords("casa", false, 0, limits, nullptr, session.run().words());
    PopupWindowWork work = perform(PopupAction::Statistics);
    ASSERT_EQ(work.task, Task::ShowStatistics);
    EXPECT_FALSE(work.redrawDocument);
    EXPECT_EQ(session.preview().document().text(), before);
    EXPECT_EQ(work.title.rfind(std::string(workspace.messages().text(app::MessageKey::MsgWordsSearched)), 0), 0u)
        << work.title;
    EXPECT_NE(work.title.find("casa"), std::string::npos);
    const std::string& text = work.report.text();
    const std::string heading(workspace.messages().text(app::MessageKey::MsgWordStatistics));
    const std::string headingWords = heading.substr(heading.find_first_not_of("\n "));
    std::size_t at = text.find(headingWords.substr(0, headingWords.find('\n')));
    ASSERT_NE(at, std::string::npos) << text;
    bool marked = false;
    for (const search::MarkedSpan& span : work.report.spans())
        marked |= span.start <= at && at < span.start + span.length && span.bold && span.underline &&
                  span.colour == search::Colour::Red;
    EXPECT_TRUE(marked) << search::RenderMarked(work.report);

    workspace.busy = true;
    EXPECT_EQ(perform(PopupAction::Statistics).task, Task::None) << "not while an indexing run works";
}

} // namespace
} // namespace vedra::utilities
