// The relevance order of a search's rows: best first, ties in the archive's order.
//
// A row's score is the sum of
//   - BM25 over the query's index words: for a word held tf times by a document
//     of dl registered words,
//       idf * tf * (k1 + 1) / (tf + k1 * (1 - b + b * dl / avgdl)),
//     idf = ln(1 + (N - n + 0.5) / (n + 0.5)), N the archive's documents, n the
//     documents in the word's postings, dl the entries of the document's word
//     list (every registered word occurrence, in text order), avgdl the entries
//     of every word list over the documents with text;
//   - for each query word in the file name (a run of letters and digits of the
//     name that begins with the word), kNameWeight * idf, and kNameIsWordWeight *
//     idf more when the name before its first '.' is the word itself; for each
//     query word in the folder path, kFolderWeight * idf;
//   - with two or more query words in the document, a proximity bonus: for the
//     shortest stretch of the word list that holds every query word the document
//     holds (m words over `span` entries), kProximityWeight * mean idf * (m - 1) *
//     m / span: the words side by side earn mean idf * (m - 1), far apart nearly
//     nothing.
// A word list longer than kScoredEntries is scored on its first entries (see
// there).
// A query word the archive registers in parts ("amd64": amd, 64) counts each part
// as a word of its own for BM25; its idf elsewhere is its rarest part's.
// Rows with no document of the current archive behind them (the index list's
// names, rows of other archives in an all-archives search, disk and web rows)
// score on their path only.
#pragma once

#include "core/search/RelevanceQuery.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vedra::search {

class SearchSession;

inline constexpr double kBm25K1 = 1.2;
inline constexpr double kBm25B = 0.75;
inline constexpr double kNameWeight = 2.0;
inline constexpr double kNameIsWordWeight = 1.0;
inline constexpr double kFolderWeight = 0.5;
inline constexpr double kProximityWeight = 1.0;
// A longer word list is read this far when its length can be had without reading
// it: the counts of its first entries, scaled, stand for the whole, and a term the
// postings promise counts once at least. The first entries hold a page's title
// and headings, so the scaled counts weigh the words of its head; a longer sample
// ranked worse on bench/relevance's judged set and cost more (bench/README.md).
inline constexpr std::uint32_t kScoredEntries = 128;

// One document as its word list tells it: its length and, per term of the query,
// the positions (entry indices) where the list holds it.
struct DocumentTerms {
    std::uint32_t length = 0;
    // The entries the hits come from: the whole list, or its first entries, whose
    // counts then stand for the whole in proportion.
    std::uint32_t read = 0;
    // {position, term index}, in list order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hits;
};

double InverseDocumentFrequency(std::uint32_t archiveDocuments, std::uint32_t holding);

// BM25 plus the proximity bonus of one document.
double ContentScore(const RelevanceQuery& query, const DocumentTerms& document);

// The file name and folder part of the score of a row's label (its path).
double PathScore(const RelevanceQuery& query, std::string_view label);

// The shortest stretch of `hits` holding every word they hold: {words, entries
// spanned}; {words, 0} when fewer than two words are held. `wordOfTerm` maps a
// term index to its query word.
std::pair<int, std::uint32_t> ShortestCover(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& hits,
                                            std::span<const int> wordOfTerm, int wordCount);

struct RankedRow {
    std::size_t row = 0;
    double score = 0;
};

// The `limit` best of `scores` (indexed by row), best first, equal scores in row
// order. A heap of `limit` entries: the rows past it are never sorted.
std::vector<RankedRow> BestRows(std::span<const double> scores, std::size_t limit);

// The first `limit` rows of the session's result list in relevance order, for the
// query of its last archive search, with their scores. Reads each listed
// document's record and word list from the current archive (opened for the time
// of the call when the search closed it). Every row is scored; only `limit` are
// ordered. An empty list, or a search that looked up no words, gives the rows in
// the archive's order with score 0 past their path's.
std::vector<RankedRow> RelevanceOrder(SearchSession& session, std::size_t limit);

} // namespace vedra::search
