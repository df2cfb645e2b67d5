// The Files and Directories boxes of the search page turned into the filters that
// the document tests apply while a search runs: up to ten name fragments each.
#pragma once

#include "core/indexing/PatternFilter.h"

#include <string_view>

namespace vedra::search {

// The Files box: a text holding "*.*" anywhere lets every file through (the single
// pattern "*.*"); otherwise the comma-separated pieces, each stripped at both ends of
// every byte below '.' (blanks and "!" to "-", so "*.pdf" gives ".pdf"), kept when 2
// to 63 bytes long, ten at most. Only the first 1023 bytes are read. An empty or
// blank box gives no pattern.
indexing::PatternFilter ParseFileFilterList(std::string_view filesBox);

// The Directories box: a text holding ".*" gives the single pattern "*.*"; otherwise
// the comma-separated pieces as typed (not trimmed), kept when they begin above the
// blank and cut to 63 bytes. Only the first ten pieces are looked at, and only the
// first 1023 bytes are read.
indexing::PatternFilter ParseFolderFilterList(std::string_view directoriesBox);

} // namespace vedra::search
