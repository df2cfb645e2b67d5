// The archive's index list ("vedraindice.txt" in its folder): entries of the form
// "INDEX ** FILE", one per CRLF line, shown in the list beside the results and
// matched against the query words by the search.
#pragma once

#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

struct PathEntry {
    std::string index;  // the text before "**"
    std::string file;   // the text after it, leading blanks skipped
};

inline constexpr const char* kPathListFileName = "vedraindice.txt";

// Reads the current archive's index list; a missing file gives an empty list.
// Escape confirmed (or Break) while loading stops with the entries read so far.
std::vector<PathEntry> LoadPathList(app::Workspace& workspace);

} // namespace vedra::search
