// The engine's side of the pop-up entries that decide something: cleaning the
// preview, saving it, searching or opening the selected text, enlarging, the
// contiguity box, calculating and reading the preview again.
#include "core/utilities/PopupActions.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/search/SearchSession.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::utilities {
namespace {

using Task = PopupWindowTask;

class PopupActionsTest : public ::testing::Test {
protected:
    PopupActionsTest()
    {
        workspace.PrepareWorkspace();
        workspace.setPumpInterval(std::chrono::milliseconds(0));
        workspace.extractsPath = folder.slash() + "estratti.vedra";
        workspace.SetLanguage(1);
    }

    PopupWindowWork perform(PopupAction action, bool turnedOn = true)
    {
        PopupOutcome outcome;
        outcome.action = action;
        outcome.handled = true;
        outcome.turnedOn = turnedOn;
        return PerformPopupAction(workspace, session, flags, outcome, state);
    }

    std::string document(const std::string& name, const std::string& content)
    {
        const std::string path = folder.slash() + name;
        testing::writeFile(path, content);
        return path;
    }

    void show(const std::string& path)
    {
        ASSERT_EQ(session.preview().OpenPreviewFile(path, 0, search::ReadMode::Plain), 0);
        session.preview().ShowBlock();
    }

    std::string message(app::MessageKey key) const { return std::string(workspace.messages().text(key)); }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    search::SearchSession session{workspace};
    PopupFlags flags;
    PopupWindowState state;
};

TEST_F(PopupActionsTest, CleanPreviewCutsASelectionButTakesOneCharacterForAStrayClick)
{
    show(document("a.txt", "uno due tre"));
    state.selectedText = "du";
    EXPECT_EQ(perform(PopupAction::CleanPreview).task, Task::RemoveSelectedText);
    EXPECT_EQ(session.preview().document().text(), "uno due tre") << "the control cuts; the document stays";

    for (const char* selection : {"d", ""}) {
        show(document("a.txt", "uno due tre"));
        state.selectedText = selection;
        EXPECT_EQ(perform(PopupAction::CleanPreview).task, Task::ClearPreview) << selection;
        EXPECT_TRUE(session.preview().document().empty()) << selection;
    }
}

TEST_F(PopupActionsTest, SaveAsksANameForTheProgramsOwnTextsAndConfirmsOverwritingADocument)
{
    // The new text, and an empty preview, start the dialog at the working folder's new text.
    const std::string newText = workspace.WorkingFolder + std::string(kNewTextName);
    state.previewName = std::string(kNewTextName);
    PopupWindowWork work = perform(PopupAction::Save);
    EXPECT_EQ(work.task, Task::ChooseSaveName);
    EXPECT_EQ(work.text, newText);
    state.previewName.clear();
    EXPECT_EQ(perform(PopupAction::Save).text, newText);

    // The extract file is the program's too.
    testing::writeFile(workspace.extractsPath, "estratti\r\n");
    show(workspace.extractsPath);
    work = perform(PopupAction::Save);
    EXPECT_EQ(work.task, Task::ChooseSaveName);
    EXPECT_EQ(work.text, workspace.extractsPath);
    EXPECT_TRUE(host.messages().empty());

    // A document of the user's: Save asks before overwriting it, Save as starts there.
    const std::string path = document("letter.txt", "cara Anna");
    show(path);
    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_EQ(perform(PopupAction::Save).task, Task::None);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_NE(host.messages()[0].text.find(path), std::string::npos);
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::YesNo);
    host.queueAnswer(app::MessageAnswer::Yes);
    work = perform(PopupAction::Save);
    EXPECT_EQ(work.task, Task::SaveText);
    EXPECT_EQ(work.text, path);
    work = perform(PopupAction::SaveAs);
    EXPECT_EQ(work.task, Task::ChooseSaveName);
    EXPECT_EQ(work.text, path);
    EXPECT_EQ(host.messages().size(), 2u) << "Save as asks no question of its own";
    EXPECT_EQ(testing::readFile(path), "cara Anna") << "nothing is written before the window hands the text";

    // The new text typed over a shown document is still the new text.
    state.previewName = std::string(kNewTextName);
    EXPECT_EQ(perform(PopupAction::Save).task, Task::ChooseSaveName);
}

TEST_F(PopupActionsTest, SavePreviewTextWritesTheBytesOrReportsTheFailure)
{
    const std::string path = document("letter.txt", "an older and longer text");
    EXPECT_TRUE(SavePreviewText(workspace, path, "caff\xE8\r\n"));
    EXPECT_EQ(testing::readFile(path), "caff\xE8\r\n");
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_NE(host.messages()[0].text.find(path), std::string::npos);

    EXPECT_FALSE(SavePreviewText(workspace, folder.slash() + "missing/letter.txt", "x"));
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[1].text, message(app::MessageKey::MsgWriteError));
}

TEST_F(PopupActionsTest, TheSelectionBecomesWordsOfAtMost500Bytes)
{
    state.selectedText = std::string(499, 'a') + "bc";
    PopupWindowWork work = perform(PopupAction::SearchInArchive);
    EXPECT_EQ(work.task, Task::SearchWords);
    EXPECT_EQ(work.text, std::string(499, 'a') + "b");
    work = perform(PopupAction::SearchInNotes);
    EXPECT_EQ(work.task, Task::SearchNotes);
    EXPECT_EQ(work.text.size(), kSelectedTextLimit);

    EXPECT_EQ(perform(PopupAction::SearchInNotes, false).task, Task::None) << "unchecking only changes the target";
    state.selectedText.clear();
    EXPECT_EQ(perform(PopupAction::SearchInArchive).task, Task::None);
    EXPECT_EQ(perform(PopupAction::SearchInNotes).task, Task::None);
}

TEST_F(PopupActionsTest, ExtractTextOpensTheSelectedPathAsPlainText)
{
    const std::string path = document("plain.txt", "testo <b>semplice</b>");
    state.selectedText = "\r\n  " + path + " \t";
    PopupWindowWork work = perform(PopupAction::ExtractText);
    EXPECT_TRUE(work.refreshPreview);
    EXPECT_EQ(session.preview().document().text(), "testo <b>semplice</b>");
    EXPECT_EQ(session.preview().currentPath(), path);
    EXPECT_TRUE(host.messages().empty());

    state.selectedText = folder.slash() + "missing.txt";
    work = perform(PopupAction::ExtractText);
    EXPECT_TRUE(work.refreshPreview);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, message(app::MessageKey::MsgCannotReadFile) + "\n" + state.selectedText);

    state.selectedText = " \r\n";
    work = perform(PopupAction::ExtractText);
    EXPECT_FALSE(work.refreshPreview) << "blanks name no file";
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(PopupActionsTest, RowEntriesWithoutASelectedRowDoNothing)
{
    for (PopupAction action : {PopupAction::Origin, PopupAction::WordsInFile}) {
        PopupWindowWork work = perform(action);
        EXPECT_EQ(work.task, Task::None);
        EXPECT_FALSE(work.refreshPreview);
    }
    EXPECT_TRUE(perform(PopupAction::CleanFromList).refreshResults);
}

TEST_F(PopupActionsTest, EnlargeAndTheContiguityBoxFollowTheFlagsAndOptions)
{
    flags.previewSizeStep = 50;
    EXPECT_EQ(perform(PopupAction::Enlarge).previewPointSize, kPreviewBasePointSize + 2);
    flags.previewSizeStep = 400;
    PopupWindowWork work = perform(PopupAction::Enlarge);
    EXPECT_EQ(work.previewPointSize, kPreviewBasePointSize + 16);
    EXPECT_TRUE(work.refreshPreview);

    session.run().options().contiguity = 0;
    EXPECT_EQ(perform(PopupAction::Contiguity).contiguityBox, 0);
    session.run().options().contiguity = search::SearchOptions::kContiguityOn;
    EXPECT_EQ(perform(PopupAction::Contiguity).contiguityBox, 1);
    EXPECT_EQ(perform(PopupAction::ScopeOption).contiguityBox, -1) << "other options leave the box alone";

    session.run().options().contiguity = 0;
    work = perform(PopupAction::VerifyContiguity);
    EXPECT_EQ(work.contiguityBox, 1);
    EXPECT_NE(session.run().options().contiguity, 0);
    EXPECT_TRUE(work.refreshPreview);
}

TEST_F(PopupActionsTest, CalculateTakesTheSelectionOrThePreviewsCalcLines)
{
    state.queryText = "conti";
    state.selectedText = "2+3";
    PopupWindowWork work = perform(PopupAction::Calculate);
    EXPECT_EQ(work.task, Task::ShowCalculation);
    EXPECT_NE(work.text.find("2+3 = +5.000000"), std::string::npos) << work.text;
    EXPECT_EQ(work.title, "Vedra: Calculus - conti");
    EXPECT_FALSE(work.redrawDocument) << "the preview is not touched";

    state.selectedText.clear();
    show(document("conti.txt", "spesa calc>10+5 pane\r\naltro\r\n"));
    work = perform(PopupAction::Calculate);
    EXPECT_TRUE(work.redrawDocument);
    EXPECT_NE(session.preview().document().text().find("spesa calc>+15.000000 pane"), std::string::npos)
        << session.preview().document().text();
    EXPECT_EQ(work.task, Task::ShowCalculation);
}

TEST_F(PopupActionsTest, ReadableShowsADocumentAgainButNotTheExtractFile)
{
    flags.readable = 1;
    EXPECT_FALSE(perform(PopupAction::Readable).refreshPreview) << "nothing shown";
    EXPECT_TRUE(session.preview().readable);

    testing::writeFile(workspace.extractsPath, "estratti\r\n");
    show(workspace.extractsPath);
    EXPECT_FALSE(perform(PopupAction::Readable).refreshPreview);

    show(document("bin.dat", std::string("ab\x01\x02" "cd", 6)));
    flags.readable = 0;
    EXPECT_TRUE(perform(PopupAction::Readable).refreshPreview);
    EXPECT_FALSE(session.preview().readable);
}

TEST_F(PopupActionsTest, NewTextForgetsTheDocument)
{
    show(document("a.txt", "uno"));
    PopupWindowWork work = perform(PopupAction::NewText);
    EXPECT_EQ(work.task, Task::StartNewText);
    EXPECT_EQ(work.text, kNewTextName);
    EXPECT_TRUE(session.preview().currentPath().empty());
    EXPECT_TRUE(session.preview().document().empty());
}

} // namespace
} // namespace vedra::utilities
