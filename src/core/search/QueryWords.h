// The words of a query as the search run and the hit search use them: the search page
// parses its words box into a QueryWordTable with the indexer's word rules, so that a
// query word is spelt as the archive's dictionary spells it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class MessageTable;
}
namespace vedra::indexing {
class StopWordTree;
}

namespace vedra::search {

struct QueryWord {
    std::string text;               // lower case, accent-folded, at most 63 bytes
    int fullLength = 0;             // the run's length before the trim of step 9
    int runLength = 0;              // the typed run's length, before the cut to maxWordLength
    std::uint32_t hitPosition = 0;  // absolute position of the current hit, 0 = none
    std::uint32_t hitOffset = 0;    // that hit inside the current text block
    std::uint32_t postingsHead = 0; // first posting in "LNK.", 0 = not found
    std::uint32_t dictionaryNode = 0;  // WordNode offset in "PAR.", as word lists hold it
    // The words the indexer registered for the typed run, as the dictionary spells
    // them, each once: the word before the trim for a run of letters or of digits;
    // the parts the indexer cut from a run that mixes them ("amd64": amd, 64; "x86":
    // 6, the x too short). Empty when the archive registers no part of the run.
    // An archive search wants all of them in a document for this one word.
    std::vector<std::string> indexWords;
};

// Why a typed word, or a part of one, is not searched.
enum class DropReason { TooShort, StopWord, AfterShortWord, BeyondTenWords };

struct DroppedWord {
    std::string text;  // lower case, folded, cut to the archive's word length
    DropReason reason = DropReason::TooShort;
    // The record whose run the part was cut from; -1 for a typed word. A part only
    // matters to an archive search: the hit search takes the run whole.
    int partOf = -1;
};

class QueryWordTable {
public:
    static constexpr int kMaxWords = 10;
    static constexpr std::size_t kMaxWordBytes = 63;

    // Ten records and a spare that stays empty, as the hit search expects.
    std::array<QueryWord, kMaxWords + 1> words{};
    int count = 0;
    // What the parse left out, in typed order, so that a search can say so.
    std::vector<DroppedWord> dropped;

    void clear()
    {
        words.fill(QueryWord{});
        count = 0;
        dropped.clear();
    }
};

struct QueryLimits {
    int minWordLength = 2;   // "Registra parole >": a letter word must be longer
    int maxWordLength = 16;  // "Tronca parole >": runs are cut to this length
    int trimThreshold = 16;  // longer words lose their final letter
};

// Mode of ParseQueryWords that takes the whole text as one record.
constexpr int kSinglePhraseMode = 2;

// Rebuilds `out` from `cp1252Text` with the query rules: runs of ASCII letters and
// digits, an elided article before an apostrophe dropped, cut to maxWordLength and
// lower-cased, short letter words dropped unless `acceptEveryWord` or they are one of
// the capitalised short words (compared without regard to case), stop words of more
// than two letters dropped, letter words above trimThreshold shortened by one. At
// most ten words; a control character ends the text. `stopWords` may be null.
// Each record also gets its index words, cut from its run as the indexer cuts text;
// a part the indexer drops is listed in `out.dropped`, as are the typed words left
// out (too short, stop words, past the tenth; not elided articles, which are meant
// to go). In kSinglePhraseMode the folded, lower-cased first 63 bytes form the only
// record (none for an empty text). Never fails; a text with no acceptable word
// gives count 0.
void ParseQueryWords(std::string_view cp1252Text, bool acceptEveryWord, int mode, const QueryLimits& limits,
                     const indexing::StopWordTree* stopWords, QueryWordTable& out);

// What a search of the parsed query looks for, told when it is not what was typed,
// in the table's language: "Searched for: amd 64. Not searched: of (too short)."
// With `indexWords` (a search of the archive's dictionary) the words searched are
// the records' index words; otherwise (the text of files, paths, notes) the records'
// texts, and the parts cut from a run are not mentioned. Empty when every typed word
// is searched as typed.
std::string QueryNotice(const QueryWordTable& table, bool indexWords, const app::MessageTable& messages);

// The words box text as the parser takes it: converted from UTF-8 to cp1252 when it is
// valid UTF-8 (so "città" finds "citta"); any other text is taken as cp1252 already.
std::string QueryTextToCp1252(std::string_view utf8);

} // namespace vedra::search
