// The search a desktop's own search box asks for (a GNOME Shell search provider, a
// KRunner runner): the first rows of the current archive for a few words, each
// named as the desktop shows it, and the opening of one of them. The bus glue
// (src/searchprovider) only carries these across D-Bus.
#pragma once

#include "core/app/SystemProbe.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Host;
class Workspace;
} // namespace vedra::app

namespace vedra::search {
class SearchSession;
}

namespace vedra::utilities {

// One result as the desktop lists it. All three are valid UTF-8 (D-Bus strings).
struct DesktopResult {
    std::string id;           // DesktopResultId of the row's stored label
    std::string name;         // the file's own name (a member's own name inside a packed file)
    std::string description;  // the folder holding it; for a member, "packed file » member folder"
};

// The row's stored label as a D-Bus string: a label is file-name bytes, which need
// not be UTF-8. '%' and the bytes of a label that is not valid UTF-8 from 0x80 up
// become "%XX"; anything else is kept, so a UTF-8 path reads as itself.
std::string DesktopResultId(std::string_view label);

// The label back from an id; nullopt for text no DesktopResultId makes (a '%' not
// followed by two hexadecimal digits).
std::optional<std::string> LabelOfDesktopResultId(std::string_view id);

// How the desktop names the row `label`; `temporaryFolder` is the working folder's
// "vedratemp/" (see search::SplitResultLabel). A PDF's text is named as the PDF; a
// label that is not a disk path (a web address) is its own name, with no folder.
DesktopResult DescribeDesktopResult(std::string_view label, std::string_view temporaryFolder);

// The desktop's terms as one words-box text (blank-separated, UTF-8 as typed).
std::string JoinDesktopTerms(const std::vector<std::string>& terms);

// What ActivateResult did.
enum class DesktopOpening {
    Started,     // the file, its packed file, its folder or the web address went to its program
    Missing,     // the file is gone from the disk: nothing started
    NotStarted,  // no program could be started for it
    BadId,       // the id names no row
};

// The window started with a search: `program --search WORDS`.
std::vector<std::string> WindowSearchCommand(const std::string& program, const std::string& words);

// The id of the last row of a runner's list, which opens the window with `words`:
// it starts with "%w", which no DesktopResultId holds, so it is never a row's id.
std::string WindowSearchId(const std::string& words);
// The words of a WindowSearchId; nullopt for any other id.
std::optional<std::string> WordsOfWindowSearchId(std::string_view id);

// The text of that row in the workspace's language (0 Italian, 1 English, other
// Spanish); UTF-8.
std::string WindowSearchText(int languageIndex, const std::string& words);

// The current archive of one working folder, kept open between searches; re-read
// when its catalogue or any file of its archive folder changes (an indexing run,
// another archive made current). Not thread-safe: one bus thread calls it.
class DesktopSearch {
public:
    // `probe.currentDirectory` names the working folder, as for `vedra`. `host`
    // takes the engine's messages; it must outlive this object.
    DesktopSearch(app::Host& host, app::SystemProbe probe, std::string dataFolder = {});
    ~DesktopSearch();
    DesktopSearch(const DesktopSearch&) = delete;
    DesktopSearch& operator=(const DesktopSearch&) = delete;

    // The first `count` results for `wordsText` (UTF-8), best first. Empty without a
    // current archive, for empty words, or when nothing is found.
    std::vector<DesktopResult> FirstResults(const std::string& wordsText, std::size_t count);

    // Opens the row named by `id` the way a double click on it in the window does:
    // the file with its registered program, a member's packed file, a folder row's
    // folder, a web address in the browser.
    DesktopOpening Open(std::string_view id);

    // The desktop's naming of the row `id`; nullopt for an id no row has.
    std::optional<DesktopResult> Describe(std::string_view id);

    // Opens the folder holding the row `id` (for a member, the folder of its packed
    // file) with its registered program.
    DesktopOpening OpenFolder(std::string_view id);

    // True when a workspace with a current archive is open (after the last check).
    bool hasArchive();

    // The language of the messages (0 Italian, 1 English, 2 Spanish).
    int languageIndex();

    // How often the archive has been (re)opened; for tests of the change check.
    int openCount() const { return m_openCount; }

private:
    // The labels of the first `count` rows for `queryText` (cp1252).
    std::vector<std::string> FirstRowLabels(const std::string& queryText, std::size_t count);
    void reopenWhenChanged();
    std::string changeStamp() const;

    app::Host& m_host;
    app::SystemProbe m_probe;
    std::string m_dataFolder;
    std::unique_ptr<app::Workspace> m_workspace;
    std::unique_ptr<search::SearchSession> m_session;
    std::string m_stamp;
    int m_openCount = 0;
};

} // namespace vedra::utilities
