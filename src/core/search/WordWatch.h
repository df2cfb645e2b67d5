// The word watch of an indexing run: while the window indexes a folder, every
// document read that holds a word of the current query is listed in the result
// list at once, so the user sees the matches without searching again.
#pragma once

#include "core/search/QueryWords.h"

#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class ResultList;

// The words the run watches for: the texts of the query table's words, as the
// search parsed them (lower case, folded), at most ten.
std::vector<std::string> WordWatchWords(const QueryWordTable& words);

// A watched document's row: its path, with the watched words as its words text,
// appended unless the list already holds that path. True when a row was added.
bool AddWatchedDocument(const app::Workspace& workspace, ResultList& results, const std::string& path,
                        const std::vector<std::string>& watched);

} // namespace vedra::search
