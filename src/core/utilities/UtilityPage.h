// The engine side of the utility page: the browser chooser, the web search in the
// chosen browser and the list of archives found on disk.
#pragma once

#include "core/app/BrowserList.h"

#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

// The browser list for list 1796 (rebuilt with the defaults when missing or shorter
// than 10 bytes) and the chosen browser to select in it.
app::BrowserChoice FillBrowserList(app::Workspace& workspace);

// Makes `browser` the chosen one: its name and CR LF form the first 512-byte
// record of "Browser.Vedra", the entries after it are kept. False when the name is
// empty, does not fit the record or the list cannot be written.
bool ChooseBrowser(app::Workspace& workspace, const std::string& browser);

// "Update the browser list": the entries (at most 2048 bytes from offset 512) as
// text for the preview, where the user edits them; the list's path goes to the
// status line.
std::string BrowserListLines(app::Workspace& workspace);

// Saves the edited entries back after the chosen browser's record, which is kept
// (the whole file is replaced through a temporary file). False when nothing was
// written.
bool SaveBrowserListLines(app::Workspace& workspace, const std::string& lines);

// "Add to the browser list": appends the program picked in the folder tree (its
// file name, lower-cased) unless the list holds it already. False when the name is
// empty or the list cannot be written.
bool AddToBrowserList(app::Workspace& workspace, const std::string& programPath);

enum class ProgramPick { Added, AlreadyListed, NotAProgram, NotWritten };

// A file picked in the folder tree for the browser list: added as AddToBrowserList
// adds it when it is a program this user may run; the status line says what became
// of it (a failed write shows MsgWriteError).
ProgramPick AddProgramPickedInTree(app::Workspace& workspace, const std::string& path);

struct ArchivesOnDisk {
    std::vector<std::string> names;  // sorted by name
    int selected = -1;               // the current archive, else the last; -1 when none
};

// The folders of the root folder that can be archives: not starting with '.', with
// '_' among the last five characters of the name. The walk pumps messages and
// stops when BreakCode is set (Escape confirmed), with what was found so far.
ArchivesOnDisk FillArchivesOnDisk(app::Workspace& workspace);

// Makes the archive folder `name` the current archive: the catalogue's current
// number, every archive path, the archive's settings, the title. Returns the path
// of the archive's "Introduzione.rtf" when it has one (the window shows it), empty
// otherwise; `opened` tells whether the archive was opened at all.
std::string OpenArchiveOnDisk(app::Workspace& workspace, const std::string& name, bool& opened);

// The web search address for `words`: `searchPage` (the setting that names the
// search site, ending in '/'), "ventiquor.asp?keyw=", the words,
// "&cat=Religioni&pag=1&lang=" and "IT_", "EN_" or "ES_".
std::string WebSearchAddress(const std::string& searchPage, const std::string& words, int languageIndex);

// Opens the web search for `words` (at most 250 characters) in the chosen browser.
// No browser chosen: "Select browser". Empty words or an empty search page: nothing.
// The browser is found with ToolLocator; a failed start shows MsgRunError. On
// success `commandLine` holds the command line as the user reads it.
bool LaunchWebSearch(app::Workspace& workspace, const std::string& searchPage, const std::string& words,
                     std::string* commandLine = nullptr);

} // namespace vedra::utilities
