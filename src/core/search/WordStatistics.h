// The word-statistics report of the information window: how often each query word
// occurs in the previewed document, then every different word of that document
// with its count, listed in the order of the dictionary's buckets. The report is
// built as data (title, body text, the heading's marked span); the window and the
// `vedra stats` command show it.
#pragma once

#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

struct WordStatisticsRequest {
    int languageIndex = 1;           // 0 Italian, 1 English, other Spanish
    std::string queryText;           // the words box, UTF-8 or cp1252
    QueryWordTable queryWords;       // as ParseQueryWords left it
    QueryLimits limits;              // the archive's word cut and trim threshold
    bool wordsOr = false;            // a query word may sit inside a longer word
    bool inTheFile = false;
    bool inTheIndex = false;
    bool nameSearch = false;         // the last run searched file names (Files box alone)
    bool folderSearch = false;       // the last run searched folder names
    std::size_t listedDocuments = 0; // rows of the result list
    std::size_t folderCount = 0;     // folders the folder search found
    std::string elapsedTimeText;     // of the last search
    std::string statusText;          // the status line; its path is shown as "File selected"
    std::string archiveName;         // the title when no word search ran
    std::optional<std::filesystem::path> documentPath;  // the document in the preview
    bool includeWordList = true;     // the preview menu always asks for it
    // The text buffer: blocks are read 10 bytes short of it, and the report may not
    // outgrow it. 0 takes the workspace's text buffer size.
    std::size_t textBufferBytes = 0;
    bool operationInProgress = false;  // a search walk or an indexing run is running
};

enum class WordStatisticsOutcome {
    NotRun,              // an operation was in progress: nothing was built
    NoDocument,          // no document in the preview: heading and time only
    DocumentUnreadable,  // ends after the heading (or after "Bytes:" when a read failed)
    EmptyDocument,       // ends after "Bytes: 0"
    Stopped,             // BreakCode set while reading: ends after "Bytes:"
    Complete,            // counts and, when asked, the word list
    OutOfMemory,         // the word list stopped where it outgrew the text buffer
};

struct WordCount {
    std::string word;
    std::uint64_t count = 0;
};

struct WordStatisticsReport {
    WordStatisticsOutcome outcome = WordStatisticsOutcome::NotRun;
    std::string title;               // cp1252
    PreviewDocument body;            // cp1252; the list heading bold, underlined, red
    std::vector<WordCount> queryCounts;  // per query word, in table order
    std::vector<WordCount> wordList;     // the listed words, in bucket order
    std::uint64_t differentWords = 0;
    std::uint64_t totalWords = 0;
};

// Builds the report for `request`. Sets BreakCode to None first and pumps messages
// between blocks; Escape confirmed stops the reading. Shows MsgOutOfMemory (in the
// request's language) when the word list outgrows the text buffer; a failed block
// read shows MsgCannotLoadData. Opening the document never shows a message.
WordStatisticsReport BuildWordStatistics(app::Workspace& workspace, const WordStatisticsRequest& request);

// The bucket under which the word list keeps `word`: the dictionary's word bucket,
// or, for a word the dictionary would refuse, the slot just past the table, so that
// such a word is listed after the bucket of "zzz" rather than lost.
std::uint32_t WordListBucket(std::string_view word);

} // namespace vedra::search
