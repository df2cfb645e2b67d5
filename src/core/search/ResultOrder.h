// The orders the result list can be shown in besides the search's own: by one of
// its columns, up or down. The list keeps its rows where the search put them; an
// order is a permutation of their indices, which the window shows through.
#pragma once

#include "core/search/ResultList.h"
#include "core/search/ResultRow.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

enum class SortDirection { Ascending, Descending };

// `text` for comparing as a reader does: capitals as small letters, accented
// letters (UTF-8 or cp1252) as their plain letter. Other bytes stay.
std::string FoldForSorting(std::string_view text);

// A folded text as bytes that compare as the text does with its runs of digits
// taken as numbers ("file9" before "file10", "a007" as "a7").
std::string NaturalSortKey(std::string_view folded);

// Compares two folded texts by their natural keys: below 0, 0 or above 0.
int CompareNaturally(std::string_view left, std::string_view right);

// The row indices of `results` in the order of `column`: texts (path, words,
// archive) folded and natural, then byte for byte; the date by its moment, the
// size and N.pos. as numbers. Rows with the column empty come last either way,
// and rows that compare equal keep the search's order.
std::vector<std::size_t> SortedRows(const ResultList& results, ResultColumn column, SortDirection direction);

// "Clean from list" on the list as shown (`shown`: every row index once, in the
// order shown; empty for the search's own order): the rows shown from the first
// selected one to the last, unselected ones between them too; with none
// selected, every row. Returns the number of rows deleted.
std::size_t CleanFromShownList(ResultList& results, const std::vector<std::size_t>& shown);

// The selected rows in the order shown (`shown` as above).
std::vector<std::size_t> SelectedRowsShown(const ResultList& results, const std::vector<std::size_t>& shown);

} // namespace vedra::search
