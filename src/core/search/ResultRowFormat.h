// The texts of one result row as AddResultRow writes them: the search run gathers
// what it knows of a document, this turns it into the six columns.
#pragma once

#include "core/search/ResultRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::search {

// The words text of a row listed by name (Files or Directories box, no words).
constexpr std::string_view kNameRowWords = "Dir/File";

struct ResultRowInput {
    std::string sizeText;   // "Dim. bytes"; empty leaves the column empty
    // A size written into "Dim. bytes" only when the row is shown (sizeText empty).
    std::optional<std::uint64_t> sizeBytes;
    std::string wordsText;  // the query words the document holds, or kNameRowWords
    std::string path;       // the label: a full path or a web address
    // The document record's 8 time bytes; none for a row that has no record behind it
    // (a path-list match), which then shows neither date nor N.pos.
    std::optional<std::uint64_t> lastWrite;
    char documentKind = 'f';         // the record's kind byte
    std::int64_t documentNumber = 0; // the last document record loaded ("N.pos.")
    std::string archiveName;
    int archiveNumber = 0;
    bool inTheIndex = false;  // the "in the index" option leaves the archive empty
    int languageIndex = 1;    // 0 Italian, 1 English, other Spanish
    // What the record holds of a file on the disk, for telling a stale row; none
    // for a row without a record or for a web page.
    std::optional<RecordedFile> recorded;
};

// The same with the texts borrowed: what a search hands the result list for each
// document it finds, copied there only in part (shared texts once).
struct ResultRowView {
    std::string_view sizeText;
    std::optional<std::uint64_t> sizeBytes;
    std::string_view wordsText;
    std::string_view path;
    std::optional<std::uint64_t> lastWrite;
    char documentKind = 'f';
    std::int64_t documentNumber = 0;
    std::string_view archiveName;
    int archiveNumber = 0;
    bool inTheIndex = false;
    int languageIndex = 1;
    std::optional<RecordedFile> recorded;
};

// The row for `input`. The date of a disk document ('f', and 'c' which an update
// rewrote with a fresh file time) is its FILETIME in local time, "%02d/%02d/%d
// %02d:%02d" with two blanks before the hour, month first in English and day first
// otherwise; a web page's time bytes are a calendar time shown "%d/%m/%Y %H:%M:%S",
// nothing when 0. A time the calendar cannot show leaves the date empty.
ResultRow FormatResultRow(const ResultRowInput& input);

// "Dim. bytes" of a document size.
std::string SizeText(std::uint64_t bytes);

// A disk document's FILETIME as "Last updating" shows it; empty when the calendar
// cannot show it.
std::string FileTimeText(std::uint64_t fileTime, int languageIndex);

// The moment a record's time bytes stand for, in seconds from 1970: a FILETIME for
// a disk document ('f', 'c'), a calendar time otherwise; none for a web page's 0.
std::optional<std::int64_t> RecordTimeSeconds(std::uint64_t timeBytes, char documentKind);

// The two counters of a search: rows of documents found by their words and rows
// listed by name. A row without words text counts as neither.
struct ResultCounters {
    int documents = 0;
    int nameRows = 0;

    void count(const ResultRow& row) { count(row[ResultColumn::Words]); }
    void count(std::string_view wordsText);
    void reset() { *this = ResultCounters{}; }
};

} // namespace vedra::search
