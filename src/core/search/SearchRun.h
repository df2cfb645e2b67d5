// The archive search: the query words looked up in the dictionary, the documents
// that hold all of them (AND, checked in each candidate's own word list) or any of
// them (OR, one row per document), listed in the result list.
#pragma once

#include "core/indexing/ArchiveLists.h"
#include "core/indexing/PatternFilter.h"
#include "core/search/PathList.h"
#include "core/search/QueryWords.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchOptions.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vedra::app {
class Workspace;
}
namespace vedra::archive {
class ArchiveStore;
struct DocRecord;
}

namespace vedra::search {

class SearchRun {
public:
    SearchRun(app::Workspace& workspace, ResultList& results);

    SearchOptions& options() { return m_options; }
    QueryWordTable& words() { return m_words; }
    indexing::PatternFilter& fileFilter() { return m_fileFilter; }
    indexing::PatternFilter& folderFilter() { return m_folderFilter; }
    const ResultCounters& counters() const { return m_counters; }
    // True when the last walk was stopped by Break or a confirmed Escape: the rows
    // found so far stay, and the window enables Continue.
    bool continueEnabled() const { return m_continueEnabled; }

    // The Files and Directories boxes (cp1252): parsed into the filters; without
    // query words a Files box lists the index list by name ("Dir/File" rows).
    void setFilesText(const std::string& text);
    void setDirectoriesText(const std::string& text);

    // Parses `queryText` (cp1252) and searches the current archive, or every
    // archive of the catalogue with "all archives" on. Returns the number of query
    // words found in the last archive searched.
    int RunSearch(const std::string& queryText);

    // Matches the query words (or, with matchWords off, nothing: every entry) with
    // the FILE text of the archive's index list; returns the rows in the list after.
    std::size_t MatchListPaths(const std::vector<PathEntry>& paths, bool matchWords);

    // The steps, public for the tests and the statistics report.
    int LookUpQueryWords(archive::ArchiveStore& store);
    int SearchAllWords(archive::ArchiveStore& store, int wordCount);
    int SearchAnyWord(archive::ArchiveStore& store, int wordCount);

private:
    bool searchArchive();
    std::optional<std::string> documentPath(archive::ArchiveStore& store, const archive::DocRecord& record);
    bool passesFilters(const std::string& path, bool folderFilterOnlyWhenSet) const;
    std::string wordWithMarker(const QueryWord& word) const;
    void addRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                std::size_t index, const std::string& archiveName);
    bool stopped();

    app::Workspace& m_workspace;
    ResultList& m_results;
    SearchOptions m_options;
    QueryWordTable m_words;
    indexing::PatternFilter m_fileFilter;
    indexing::PatternFilter m_folderFilter;
    std::string m_filesText;
    std::string m_directoriesText;
    indexing::ArchiveLists m_lists;
    ResultCounters m_counters;
    bool m_continueEnabled = false;
};

} // namespace vedra::search
