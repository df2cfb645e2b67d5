// The one pop-up menu of the program: 30 entry texts filled for the right-click
// that opened it (result list, preview, search page, search words, image preview,
// utility page), and the handling of a click on an entry. An entry's first byte is
// its check slot, '*' (on) or a blank (off); the label follows.
//
// A click is recognised by lower-case keywords inside the label, so that the same
// code serves the three languages; the engine flips the options an entry stands
// for and returns what the window must do itself (clipboard, printing, images).
#pragma once

#include "core/search/SearchOptions.h"

#include <array>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

enum class PopupContext { ResultList, Preview, SearchPage, SearchWords, ImagePreview, UtilityPage };

// What the right-clicked window knows when the menu is built.
struct PopupConditions {
    bool listHasRows = false;          // the result list holds rows
    bool queryHasSeveralWords = false; // more than one query word, or a blank in the words box
    bool queryHasBlank = false;        // the words box holds a blank
    bool firstRowHasArrow = false;     // the result list's first row holds "->"
    bool previewHasText = false;
    bool fileLoaded = false;           // the preview shows a file
    bool textSelected = false;
    bool clipboardHasText = false;
    bool clippingExists = false;       // the image preview holds a clipping
    bool selectedRowIsFile = false;    // the result list's selected row is a file on disk
};

// Flags of the main window that menu entries set beside the search options.
struct PopupFlags {
    int searchDisabled = 0;      // "Disable search"
    int inExtractWords = 0;      // "In the words of estratti.vedra", a search scope
    int readable = 0;            // "Readable" display of the preview
    // The two mode flags that "English reading" clears and "Search in the notes"
    // clears too; the search start reads them.
    int readingModeFirst = 0;
    int readingModeSecond = 0;
    // Preview enlargement: 50, 100, ... 400, then 50 again; 0 before the first use.
    int previewSizeStep = 0;
};

inline constexpr std::size_t kPopupEntryCount = 30;
inline constexpr std::size_t kSeparatorLength = 60;

struct PopupMenu {
    PopupContext context = PopupContext::ResultList;
    std::array<std::string, kPopupEntryCount> entries;  // unused entries are empty
    std::string title;           // empty: the window keeps its title (image preview)
    bool showsProgramBox = false;
    std::string runWithCaption;  // "Esegui con:", "Run with:", "Execute con:"

    int usedEntries() const;
};

// Fills the menu for `context` in the language (0 Italian, 1 English, other
// Spanish). Option entries show '*' when their option is on.
PopupMenu BuildPopupMenu(PopupContext context, int languageIndex, const PopupConditions& conditions,
                         const search::SearchOptions& options, const PopupFlags& flags);

// What a click asks of the window. Option entries have been applied already.
enum class PopupAction {
    None,  // nothing for the window: an empty or separator entry, "Extract", an unknown label
    DisableSearch,
    ExtractFiles,
    ExtractText,
    Origin,
    VerifyContiguity,  // contiguity is on now: check box 1771 and show the extracts
    WordsInFile,
    ScopeOption,       // a scope option changed: in the file, words OR, index, path, extract words
    AllArchives,       // refresh the disk menu
    AndOption,
    Contiguity,        // check or uncheck box 1771 from options.contiguity
    CleanFromList,
    CleanPreview,
    NewText,           // empty the preview as the new text "nuovotesto.vedra"
    SearchInArchive,   // the selected text (at most 500 characters) as words, then StartSearch
    SearchInNotes,     // turned on: the selected text as notes words, then StartSearch
    Save,
    SaveAs,
    Print,
    Undo,
    Readable,
    Statistics,
    Enlarge,           // rebuild the preview at flags.previewSizeStep
    PastePreview,
    Unselect,
    CopyPreview,
    CutPreview,
    PasteWords,
    CopyWords,
    CutWords,
    EnglishReading,
    Calculate,
    PrintImage,
    SaveAsBmp,
    SaveClipping,
    PreviousImage,
    NextImage,
    CleanBackground,
    ZoomIn,
    ZoomOut,
    AddToBrowserList,
    UpdateBrowserList,
    ShowInFolder,      // the selected row's file shown in its folder
};

struct PopupOutcome {
    PopupAction action = PopupAction::None;
    bool turnedOn = false;  // for option entries: the option's state after the click
    bool handled = false;   // false when the entry was empty, a separator or out of range
};

// The entry's action from its label alone, in the language given (no state changes).
PopupAction RecogniseEntry(const std::string& entry, int languageIndex);

// A click on entry `index`: recognises it, flips the option it stands for (the
// state shown before the click decides: off turns on, on turns off), sets
// workspace.SearchTarget for "Search in the notes" and "Search in the archive",
// and flips the entry's check slot: '*' becomes a blank; anything else becomes
// '*' and every other '*' entry becomes a blank, except the all-archives,
// archive-check and AND entries.
PopupOutcome RunSelectedEntry(app::Workspace& workspace, PopupMenu& menu, int index, search::SearchOptions& options,
                              PopupFlags& flags);

} // namespace vedra::utilities
