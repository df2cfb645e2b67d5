// Every entry ends in one PopupWindowWork, never in a widget call, so the window
// is the only code touching its controls and an entry can be tested without one.
// Texts with no file of their own (a new text, the extract file) are always saved
// under a name asked for; anything else asks before it is overwritten.
#include "core/utilities/PopupActions.h"

#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "core/search/PreviewSession.h"
#include "core/search/ResultOrder.h"
#include "core/search/SearchSession.h"
#include "core/search/WordStatistics.h"
#include "core/utilities/Launching.h"
#include "core/utilities/PreviewCalculation.h"
#include "core/utilities/SaveLocation.h"
#include "core/utilities/UtilityPage.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace vedra::utilities {
namespace {

using Task = PopupWindowTask;

// Each step of 50 of the enlargement adds two points.
constexpr int kSizeStepPerPoint = 25;

PopupWindowWork task(Task what, std::string text = {})
{
    PopupWindowWork work;
    work.task = what;
    work.text = std::move(text);
    return work;
}

PopupWindowWork previewRefreshed()
{
    PopupWindowWork work;
    work.refreshPreview = true;
    return work;
}

std::string limitedSelection(const PopupWindowState& state)
{
    return state.selectedText.substr(0, kSelectedTextLimit);
}

std::optional<std::size_t> firstSelectedRow(search::SearchSession& session, const PopupWindowState& state)
{
    std::vector<std::size_t> rows = search::SelectedRowsShown(session.results(), state.shownRows);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

PopupWindowWork extractText(app::Workspace& workspace, search::PreviewSession& preview, const PopupWindowState& state)
{
    // The selected text names the document to show as plain text.
    std::string path = limitedSelection(state);
    path.erase(0, path.find_first_not_of(" \t\r\n"));
    path.erase(path.find_last_not_of(" \t\r\n") + 1);
    if (path.empty())
        return {};
    if (preview.OpenPreviewFile(path, 0, search::ReadMode::Plain) == 0)
        preview.ShowBlock();
    else
        workspace.host().messageBox(
            std::string(workspace.messages().text(app::MessageKey::MsgCannotReadFile)) + "\n" + path,
            app::MessageButtons::Ok);
    return previewRefreshed();
}

PopupWindowWork save(app::Workspace& workspace, search::PreviewSession& preview, const PopupWindowState& state,
                     bool askName)
{
    std::string path = state.previewName.empty() ? preview.currentPath() : state.previewName;
    // The new text, the extract file and an empty preview have no file of their own
    // to go back to: they are always saved under a name the user gives.
    const bool ownText = path.empty() || path == kNewTextName || preview.showsExtractFile();
    if (askName || ownText) {
        // The user's documents, never the working folder the program keeps its files in.
        const std::string folder = SaveStartFolder(state.documentsFolder, state.homeFolder);
        return task(Task::ChooseSaveName, SavePathIn(folder, ProposedSaveName(path, ownText)));
    }
    if (workspace.showMessage(app::MessageKey::MsgOverwriteFile, app::MessageButtons::YesNo, {path}) !=
        app::MessageAnswer::Yes)
        return {};
    return task(Task::SaveText, path);
}

PopupWindowWork statistics(app::Workspace& workspace, search::SearchSession& session, const PopupWindowState& state)
{
    search::PreviewSession& preview = session.preview();
    search::SearchRun& run = session.run();
    search::WordStatisticsRequest request;
    request.languageIndex = workspace.LanguageIndex;
    request.queryText = state.queryText;
    request.queryWords = run.words();
    request.limits = {workspace.minWordLength, workspace.maxWordLength, workspace.truncationThreshold};
    request.wordsOr = run.options().wordsOr != 0;
    request.inTheFile = run.options().inTheFile != 0;
    request.inTheIndex = run.options().inTheIndex != 0;
    request.nameSearch = run.options().fileNameSearch;
    request.folderSearch = run.options().folderNameSearch;
    request.listedDocuments = session.results().size();
    request.elapsedTimeText = run.elapsedText();
    request.statusText = state.statusText;
    request.archiveName = workspace.currentArchiveName();
    if (!preview.currentPath().empty())
        request.documentPath = preview.currentPath();
    request.operationInProgress = workspace.busy || run.walkRunning();
    search::WordStatisticsReport report = search::BuildWordStatistics(workspace, request);
    if (report.outcome == search::WordStatisticsOutcome::NotRun)
        return {};
    // The report goes to the information window with its own title; the preview
    // keeps the document, and the main window the archive's name as its title.
    PopupWindowWork work;
    work.task = Task::ShowStatistics;
    work.title = std::move(report.title);
    work.report = std::move(report.body);
    return work;
}

PopupWindowWork calculate(app::Workspace& workspace, search::SearchSession& session, const PopupWindowState& state)
{
    PopupWindowWork work;
    CalculationReport report;
    if (!state.selectedText.empty()) {
        report = CalculateSelection(state.selectedText);
    } else {
        search::PreviewDocument& document = session.preview().document();
        if (document.empty())
            LoadAgendaIntoPreview(workspace.agendaPath, document);
        report = CalculatePreview(document,
                                  FilterFromQuery(session.run().words(), session.run().options().andWords != 0));
        work.redrawDocument = true;
    }
    if (report.showWindow || !report.appendedText.empty()) {
        work.task = Task::ShowCalculation;
        work.title = CalculationTitle(state.queryText, workspace.LanguageIndex);
        work.text = std::move(report.appendedText);
    }
    return work;
}

} // namespace

PopupWindowWork PerformPopupAction(app::Workspace& workspace, search::SearchSession& session, PopupFlags& flags,
                                   const PopupOutcome& outcome, const PopupWindowState& state)
{
    search::PreviewSession& preview = session.preview();
    search::SearchOptions& options = session.run().options();
    switch (outcome.action) {
    case PopupAction::ExtractFiles:
        // The export names its file itself ("File path: ..."): one box is enough.
        if (auto path = preview.ExportFoundFiles(state.shownRows))
            OpenWithRegisteredProgram(workspace, *path);
        return {};
    case PopupAction::ExtractText:
        return extractText(workspace, preview, state);
    case PopupAction::Origin:
        if (auto row = firstSelectedRow(session, state)) {
            preview.ShowDocument(*row);
            return previewRefreshed();
        }
        return {};
    case PopupAction::VerifyContiguity: {
        options.setContiguity(true);
        preview.ShowExtracts();
        PopupWindowWork work = previewRefreshed();
        work.contiguityBox = 1;
        return work;
    }
    case PopupAction::WordsInFile:
        if (auto row = firstSelectedRow(session, state)) {
            preview.ShowIndexedWords(*row);
            return previewRefreshed();
        }
        return {};
    case PopupAction::ScopeOption:
    case PopupAction::AllArchives:
    case PopupAction::AndOption:
        return task(Task::RefreshDiskControls);
    case PopupAction::Contiguity: {
        PopupWindowWork work;
        work.contiguityBox = options.contiguity != 0 ? 1 : 0;
        return work;
    }
    case PopupAction::CleanFromList: {
        search::CleanFromShownList(session.results(), state.shownRows);
        PopupWindowWork work;
        work.refreshResults = true;
        return work;
    }
    case PopupAction::CleanPreview:
        // A selection of one character is taken for a stray click: the whole preview goes.
        if (state.selectedText.size() > 1)
            return task(Task::RemoveSelectedText);
        preview.document().clear();
        return task(Task::ClearPreview);
    case PopupAction::NewText:
        preview.reset();
        preview.document().clear();
        return task(Task::StartNewText, std::string(kNewTextName));
    case PopupAction::SearchInArchive:
    case PopupAction::SearchInNotes: {
        if (outcome.action == PopupAction::SearchInNotes && !outcome.turnedOn)
            return {};
        std::string words = limitedSelection(state);
        if (words.empty())
            return {};
        return task(outcome.action == PopupAction::SearchInArchive ? Task::SearchWords : Task::SearchNotes,
                    std::move(words));
    }
    case PopupAction::Save:
        return save(workspace, preview, state, false);
    case PopupAction::SaveAs:
        return save(workspace, preview, state, true);
    case PopupAction::Print:
        return task(Task::Print);
    case PopupAction::Undo:
        return task(Task::Undo);
    case PopupAction::Readable:
        preview.readable = flags.readable != 0;
        // The extract file keeps its own marks: only a document is shown again.
        if (!preview.currentPath().empty() && !preview.showsExtractFile()) {
            preview.ShowHits();
            return previewRefreshed();
        }
        return {};
    case PopupAction::Statistics:
        return statistics(workspace, session, state);
    case PopupAction::Enlarge: {
        PopupWindowWork work = previewRefreshed();
        work.previewPointSize = kPreviewBasePointSize + flags.previewSizeStep / kSizeStepPerPoint;
        return work;
    }
    case PopupAction::PastePreview:
        return task(Task::PastePreview);
    case PopupAction::Unselect:
        return task(Task::Unselect);
    case PopupAction::CopyPreview:
        return task(Task::CopyPreview);
    case PopupAction::CutPreview:
        return task(Task::CutPreview);
    case PopupAction::PasteWords:
        return task(Task::PasteWords);
    case PopupAction::CopyWords:
        return task(Task::CopyWords);
    case PopupAction::CutWords:
        return task(Task::CutWords);
    case PopupAction::Calculate:
        return calculate(workspace, session, state);
    case PopupAction::AddToBrowserList:
        return task(Task::ShowDriveTree);
    case PopupAction::UpdateBrowserList: {
        preview.reset();
        preview.document().clear();
        preview.document().appendText(BrowserListLines(workspace));
        return task(Task::EditBrowserList, workspace.browserListPath);
    }
    case PopupAction::CleanBackground:
        return task(Task::RepaintBackground);
    case PopupAction::ShowInFolder:
        if (auto row = firstSelectedRow(session, state))
            return task(Task::ShowInFolder, session.results().row(*row).label());
        return {};
    case PopupAction::DisableSearch:
        session.setSearchDisabled(flags.searchDisabled != 0);
        return {};
    case PopupAction::None:
    case PopupAction::EnglishReading:
    case PopupAction::PrintImage:
    case PopupAction::SaveAsBmp:
    case PopupAction::SaveClipping:
    case PopupAction::PreviousImage:
    case PopupAction::NextImage:
    case PopupAction::ZoomIn:
    case PopupAction::ZoomOut:
        // Flags only (RunSelectedEntry has set them), or the image window's own entries.
        return {};
    }
    return {};
}

bool SaveChosenPreviewText(app::Workspace& workspace, const std::string& path, std::string_view cp1252)
{
    std::error_code error;
    if (IsInsideFolder(path, workspace.WorkingFolder) && std::filesystem::exists(path, error) &&
        workspace.showMessage(app::MessageKey::MsgOverwriteWorkingFile, app::MessageButtons::YesNo, {path}) !=
            app::MessageAnswer::Yes)
        return false;
    return SavePreviewText(workspace, path, cp1252);
}

bool SavePreviewText(app::Workspace& workspace, const std::string& path, std::string_view cp1252)
{
    // Written as it stands, the text would take the place of the chosen browser's
    // 512-byte record.
    const bool browserList = !workspace.browserListPath.empty() && path == workspace.browserListPath;
    if (!(browserList ? SaveBrowserListLines(workspace, std::string(cp1252)) : io::writeFileAtomically(path, cp1252))) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        return false;
    }
    workspace.showMessage(app::MessageKey::MsgFileSavedAs, app::MessageButtons::Ok, {path});
    return true;
}

} // namespace vedra::utilities
