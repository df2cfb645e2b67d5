// What a search hands the relevance order (Relevance.h) of the archives it looked
// in. Apart from the scoring so that the search run, which fills it, stays below
// the session that the scoring reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vedra::search {

// One index word of the query as a search found it in an archive.
struct RankedTerm {
    int word = 0;                 // the query word it belongs to
    std::uint32_t node = 0;       // its WordNode offset, as word lists hold it
    std::uint32_t documents = 0;  // documents in its postings
};

// What a search learnt of one archive for ranking the rows it listed there.
struct RelevanceQuery {
    std::int32_t archiveNumber = 0;
    std::vector<std::string> words;  // the query words, lower case, as searched
    std::vector<RankedTerm> terms;
    std::uint32_t documents = 0;     // the archive's documents
    double averageLength = 1;        // registered words per document with text
    // Whether every listed document holds every term (an AND search, or one word
    // found); otherwise each holds every term of one query word at least.
    bool everyTermHeld = false;
};

} // namespace vedra::search
