// The archive's index list ("vedraindice.txt" in its folder): entries of the form
// "INDEX ** FILE", one per CRLF line, shown in the list beside the results and
// matched against the query words by the search.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class ResultList;

struct PathEntry {
    std::string index;  // the text before "**"
    std::string file;   // the text after it, leading blanks skipped
};

inline constexpr const char* kPathListFileName = "vedraindice.txt";

// Reads the current archive's index list; a missing file gives an empty list.
// Escape confirmed (or Break) while loading stops with the entries read so far.
std::vector<PathEntry> LoadPathList(app::Workspace& workspace);

// A FILE text beginning with this names a file below the archive's files folder.
inline constexpr char kArchiveFileMark = ':';
// A FILE text holding this says the INDEX text itself is the path. An index list
// written on Windows says ":\local"; both are read.
inline constexpr const char* kLocalPathMark = ":/local";
inline constexpr const char* kLocalPathMarkWindows = ":\\local";

// What a double click on an entry opens: with the local mark the INDEX text;
// otherwise a FILE text after ':' below the redirect folder (when the archive
// folder cannot be written) or the archive's files folder; otherwise the FILE text
// itself, a web address unless it is an absolute path. Leading blanks removed.
std::string IndexEntryPath(const app::Workspace& workspace, const PathEntry& entry);

// The path the search lists for an entry: the files folder and the FILE text.
std::string IndexEntryListedPath(const app::Workspace& workspace, const PathEntry& entry);

// The result row that stands for an entry: the row the search listed for it, or
// one labelled with its double-click path; when there is none, a row with that
// path and `wordsText` (so that an extract looks for those words) is appended. A
// found row without words takes `wordsText`. Returns its index.
std::size_t IndexEntryRow(const app::Workspace& workspace, ResultList& results, const PathEntry& entry,
                          const std::string& wordsText);

// A double click: the row labelled with the entry's double-click path, appended
// without size and words when the list has none. Returns its index.
std::size_t IndexEntryOpenRow(const app::Workspace& workspace, ResultList& results, const PathEntry& entry);

} // namespace vedra::search
