// The notes file ("vedranote.txt" of the archive) and the agenda ("Agenda.Vedra"):
// plain cp1252 text, entries separated by an empty line (each entry is written
// followed by CR LF twice). A memorandum entry reads
//   <Wed 09 Dec 2026 h:14 m:05>: memorandum=31/12/2026 renew the licence
// and its date is shown as a reminder when the entry is found.
#pragma once

#include "core/app/SearchTarget.h"
#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"
#include "core/search/SearchOptions.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vedra::search {
class SearchSession;
}

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

inline constexpr std::string_view kMemorandumMarker = "memorandum=";

// The file a notes target searches: the notes file for Notes, the agenda for
// Memorandum; empty for Archive.
std::string NotesFilePath(const app::Workspace& workspace, app::SearchTarget target);

// The notes search that StartSearch hands over when SearchTarget is Notes or
// Memorandum. Opens the file (created empty when missing) and puts into `preview`
// every entry holding the words (all of them with options.andWords, else one;
// whole words only; every entry when `words` is empty), each dated entry led by its
// reminder heading, the words marked bold (and blue, except in the agenda). The
// file's path goes to the status line. In the agenda, a found memorandum entry is
// also shown in a message box (OK and Cancel for the first of a search, then OK);
// Cancel blanks that entry's "memorandum=" in place so that it reminds no more.
// Returns the number of entries shown; -1 when the target is not a notes target or
// the file cannot be opened or created (the preview is then left empty).
int SearchNotes(app::Workspace& workspace, const search::QueryWordTable& words, app::SearchTarget target,
                const search::SearchOptions& options, search::PreviewDocument& preview,
                std::time_t now = std::time(nullptr));

// SearchNotes for a query text (cp1252, the words box or else the notes text),
// parsed with the archive's word limits; `target` as SearchTarget stores it. The
// shape StartSearch's notes hook takes.
int SearchNotesText(app::Workspace& workspace, app::SearchTarget target, const std::string& queryText,
                    const search::SearchOptions& options, search::PreviewDocument& preview,
                    std::time_t now = std::time(nullptr));

// Hands the notes search to a search session, so that its StartSearch with the
// notes or the agenda as target searches them with the session's options and shows
// what it finds in the session's preview.
void ConnectNotesSearch(search::SearchSession& session);

// The reminder heading of an entry (UTF-8, in the workspace's language), empty when
// the entry holds no date. The date is the entry's first token that starts with a
// digit and holds '/' (day first; month first in English); today's date gives
// "Scade oggi: " and the date, tomorrow's "Data odierna: " with today's date, an
// empty line, 17 blanks and "Scade domani: " with the date, any other date the same
// with "Scade il: ".
std::string ReminderHeading(const app::Workspace& workspace, std::string_view entry, std::time_t now);

// A memorandum entry: `timeStamp` ("<%a %d %b %Y h:%H m:%M>"), ": memorandum=",
// then the note with its first "/0" made "/" and a leading "0" dropped, so that a
// date typed 05/08/2008 reads 5/8/2008.
std::string BuildMemorandumEntry(const std::string& timeStamp, std::string_view note);

// What goes before a new entry so that it starts an entry of its own, given the
// last bytes (up to four) of the file: nothing after an empty line, else the line
// ends still missing (a file edited by hand, or an append cut by a crash).
std::string EntryClosing(std::string_view tail);

enum class AppendResult { Appended, TooLong, Declined, WriteFailed, NoScope };

// Appends `entry` (cp1252) and CR LF twice to `path` (created when missing). Too
// long for the text buffer: MsgTextTooLong. When the compared part (the text after
// "memorandum=", else after ">:" when that lies more than 15 characters in, else
// the whole entry, all lower-cased) is in the file already, MsgLemmaExists asks
// first and Cancel declines. A failed write shows MsgWriteError and leaves the
// file as it was.
AppendResult AppendNoteEntry(app::Workspace& workspace, const std::string& path, std::string_view entry);

// Where a note goes.
enum class NoteScope { None, Memorandum, Notes };

// Saving the notes field: builds the entry for the scope (memorandum entry or the
// text alone), appends it, then searches the file with the entry's words into
// `preview`. No scope: MsgChooseMemoOrNotes and NoScope. `noteText` is UTF-8 or
// cp1252.
// Returns the append result.
AppendResult SaveNote(app::Workspace& workspace, NoteScope scope, std::string_view noteText,
                      search::PreviewDocument& preview, std::time_t now = std::time(nullptr));

// One part of a notes file, as the information window pages through it.
struct NotesPage {
    bool opened = false;             // the file could be opened (or created)
    search::PreviewDocument text;    // the matching entries, reminder headings and hits as the preview has them
    std::uint64_t start = 0;         // where the part began (the top when the asked start lay past the end)
    std::uint64_t next = 0;          // where the following part begins; 0, the top again, after the last entry
    int entries = 0;                 // entries shown
    bool reachedEnd = false;
};

// At most this much of the file is read for one part: a part whose entries all
// fail to match ends there, and the next part goes on from it.
inline constexpr std::size_t kNotesPageScanBytes = 1u << 20;

// The part of `path` (created empty when missing) that begins at `start`, an
// entry's first byte: the entries holding the words (all of them with `andWords`,
// else one; every entry for no words) are taken until the shown text reaches
// `pageBytes`; entries that do not match are passed over. No message box is shown:
// paging never asks about memoranda.
NotesPage ReadNotesPage(app::Workspace& workspace, const std::string& path, const search::QueryWordTable& words,
                        bool andWords, std::uint64_t start, std::size_t pageBytes,
                        std::time_t now = std::time(nullptr));

} // namespace vedra::utilities
