// The engine's side of a click on a pop-up entry, once RunSelectedEntry has flipped
// its option: the preview, the result list, the search options, the statistics and
// the calculations are changed here, and what is left for the window (its clipboard,
// undo, dialogs, printing, the controls to draw again) comes back as PopupWindowWork.
#pragma once

#include "core/search/PreviewDocument.h"
#include "core/utilities/PopupMenu.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}
namespace vedra::search {
class SearchSession;
}

namespace vedra::utilities {

// The preview's own text after "New", until a document replaces it.
inline constexpr std::string_view kNewTextName = "nuovotesto.vedra";
// Selected preview text that names a file or becomes search words is cut to this.
inline constexpr std::size_t kSelectedTextLimit = 500;
// The preview's height in points before "Enlarge"; each step of 50 adds two.
inline constexpr int kPreviewBasePointSize = 10;

// What the window's controls hold when the entry is clicked, as cp1252.
struct PopupWindowState {
    std::string selectedText;  // the preview's selection, whole; empty when none
    std::string queryText;     // the words box
    std::string statusText;    // the status line
    std::string previewName;   // kNewTextName after "New"; empty once a document is shown
    // The result list's row indices in the order shown, when sorted by a column;
    // empty for the search's own order.
    std::vector<std::size_t> shownRows;
    std::string documentsFolder;  // the user's documents folder, as the desktop names it
    std::string homeFolder;
};

// The widget work that the engine cannot do.
enum class PopupWindowTask {
    None,
    SearchWords,         // `text` into the words box, then StartSearch(text)
    SearchNotes,         // `text` into the notes search box, then StartSearch(text)
    RemoveSelectedText,  // the preview's selection cut out of the control
    ClearPreview,        // the control, the status line, Pos and size emptied (the document is already)
    StartNewText,        // the control emptied; `text` names the new text (status line, Save)
    ChooseSaveName,      // a file dialog opened at `text`; the name chosen goes to SaveChosenPreviewText
    SaveText,            // the control's text to SavePreviewText(`text`): the user agreed to overwrite
    Print,               // the print dialog for the preview
    Undo,
    PastePreview,
    Unselect,
    CopyPreview,
    CutPreview,
    PasteWords,
    CopyWords,           // the words box's text to the clipboard
    CutWords,            // the same, then the words box emptied
    RefreshDiskControls, // the search page's drive box shown or hidden after a scope option
    RefreshBrowserList,  // the utility page's browser list read again
    ShowDriveTree,       // the files-and-folders tree shown over the preview, to pick a program
    EditBrowserList,     // the engine's document (the browser list's entries) shown for editing;
                         // `text` (the list's path) names it for the status line and Save
    RepaintBackground,
    ShowCalculation,     // the information window titled `title`, `text` appended
    ShowStatistics,      // the information window titled `title`, showing `report` alone, ">" hidden
    ShowInFolder,        // the row path `text` shown in its folder (PlanShowInFolder; the bus is the window's)
};

struct PopupWindowWork {
    PopupWindowTask task = PopupWindowTask::None;
    std::string text;   // cp1252; see the task
    std::string title;  // cp1252; ShowCalculation and ShowStatistics
    search::PreviewDocument report;  // ShowStatistics: cp1252 with its marked heading
    // Done before the task, in this order.
    int contiguityBox = -1;     // 1 check, 0 uncheck box 1771; -1 leave it
    int previewPointSize = 0;   // above 0: the preview's new height in points
    bool refreshResults = false;
    bool refreshPreview = false;  // the engine's document with its scroll, Pos, size and Continue
    bool redrawDocument = false;  // the engine's document alone, from the top; nothing else changes
};

// Carries out the engine's side of `outcome` (already applied to the options and
// flags by RunSelectedEntry) for a window whose controls hold `state`, and returns
// what the window must still do. Messages go through the workspace's host: the
// unreadable file of "Extract text", the overwrite question of "Save".
PopupWindowWork PerformPopupAction(app::Workspace& workspace, search::SearchSession& session, PopupFlags& flags,
                                   const PopupOutcome& outcome, const PopupWindowState& state);

// Writes the preview's text (cp1252) to `path`, replacing what is there, then shows
// MsgFileSavedAs; a failed write shows MsgWriteError instead. True when written.
// The browser list keeps its chosen browser's record: the text becomes its entries.
bool SavePreviewText(app::Workspace& workspace, const std::string& path, std::string_view cp1252);
// The same for a name the user chose: a file that exists in the working folder
// (its archives, lists, extracts) is written over only after MsgOverwriteWorkingFile
// is answered Yes. False when not written.
bool SaveChosenPreviewText(app::Workspace& workspace, const std::string& path, std::string_view cp1252);

} // namespace vedra::utilities
