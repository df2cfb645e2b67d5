// The archive search: the query words looked up in the dictionary, the documents
// that hold all of them (AND, checked in each candidate's own word list) or any of
// them (OR, one row per document), listed in the result list.
#pragma once

#include "core/indexing/ArchiveLists.h"
#include "core/indexing/PatternFilter.h"
#include "core/search/DiskWordScreen.h"
#include "core/search/FolderPaths.h"
#include "core/search/ListedPaths.h"
#include "core/search/PathList.h"
#include "core/search/QueryWords.h"
#include "core/search/RelevanceQuery.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchOptions.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

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
    // The rows a caller shows of the search's own order (`vedra search --limit`):
    // past that many at the top and at the end, the rows a walk finds are counted,
    // not listed, so the walk does not make rows no one reads. Holds for a search
    // of one archive that starts with an empty list; 0 lists every row.
    void keepRowsUpTo(std::size_t rows) { m_rowsKept = rows; }
    // The rows the last search found: those listed and those counted past the cap.
    std::size_t rowsFound() const { return m_results.size() + m_rowsPastCap; }
    // True when the last walk was stopped by Break or a confirmed Escape: the rows
    // found so far stay, and the window enables Continue.
    bool continueEnabled() const { return m_continueEnabled; }

    // "%H:%M:%S" of the last search, for the word-statistics report.
    const std::string& elapsedText() const { return m_elapsedText; }
    // True when the last search listed documents for a typed query: the preview then
    // shows the extracts of the first rows.
    bool extractsWanted() const { return m_extractsWanted; }
    // The query words of the last search whose roots the current archive lacks
    // (MsgRootNotInDictionary was shown for each), in query order, each once,
    // handed over once: the words a front end offers to add the roots of. Words
    // met in other archives of an all-archives search are not among them.
    std::vector<std::string> takeRootlessWords();
    // True while a walk of the dictionary, the postings or the index list runs.
    bool walkRunning() const { return m_walkRunning; }
    // What the last search looked for when it is not what was typed (words cut into
    // the parts the archive registered, words left out and why); empty otherwise.
    // Shown through the host when the search starts.
    const std::string& queryNotice() const { return m_queryNotice; }
    // For a search that does not reach RunSearch (the notes, a disabled search).
    void clearQueryNotice() { m_queryNotice.clear(); }

    // "In the file" and "in the index" search the document shown in the preview; the
    // preview owns that document, so it hands in the search. Returns true on a hit.
    void setInDocumentSearch(std::function<bool()> search) { m_inDocumentSearch = std::move(search); }
    // The root of "direct on disk" (the search page's drive box); empty takes "/".
    void setDiskRoot(std::string root) { m_diskRoot = std::move(root); }
    // Worker threads that look at files ahead of the search on disk; 0 reads every
    // file with the hit search on this thread alone (the rows are the same).
    void setDiskScreenThreads(int threads) { m_diskScreenThreads = threads; }

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

    // A double click on a folder row: the folder itself, then its files and
    // sub-folders (names beginning with '.' left out, in name order), appended as
    // "Dir/File" rows; sub-folders end in '/' so a double click opens them in turn.
    // Returns the rows added; an unreadable folder shows the unreadable-file message.
    std::size_t ListFolder(const std::string& folder);

    // Per archive the last search looked words up in, what ranking its rows needs:
    // the words' index words, their nodes and document counts, the archive's size.
    const std::vector<RelevanceQuery>& relevanceQueries() const { return m_relevance; }

    // The current archive's lists as the last search loaded them.
    const indexing::ArchiveLists& lists() const { return m_lists; }

    // The steps, public for the tests and the statistics report. A query word is
    // found when each of its index words is in the dictionary; a document holds it
    // when it holds all of them.
    int LookUpQueryWords(archive::ArchiveStore& store);
    int SearchAllWords(archive::ArchiveStore& store, int wordCount);
    int SearchAnyWord(archive::ArchiveStore& store, int wordCount);
    // "Words OR": every dictionary word that contains a query word (or, with
    // prefixOnly, begins with it) lists its documents, once per such word, with the
    // live size and time of the file. Returns the rows added.
    int ScanDictionary(archive::ArchiveStore& store, bool prefixOnly);

private:
    // One index word of a query word, as LookUpQueryWords found it.
    struct FoundPart {
        std::uint32_t postingsHead = 0;
        std::uint32_t node = 0;
        std::size_t length = 0;
    };

    // The documents in the postings of every part of query word `k`, in the order of
    // the walk of its longest part.
    std::vector<std::uint32_t> documentsHoldingWord(archive::ArchiveStore& store, int k);
    bool searchArchive();
    bool searchOnDisk();
    bool searchInDocument();
    void addLiveRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                    const std::string& archiveName);
    std::optional<std::string> documentPath(archive::ArchiveStore& store, const archive::DocRecord& record);
    // The same into `path`, whose buffer a walk keeps; false when the folder is unreadable.
    bool documentPathInto(archive::ArchiveStore& store, const archive::DocRecord& record, std::string& path);
    void appendDiskRow(const std::string& path, std::optional<std::uint64_t> size, const std::string& words,
                       const std::string& archiveName);
    bool passesFilters(const std::string& path, bool folderFilterOnlyWhenSet) const;
    std::string wordWithMarker(const QueryWord& word) const;
    // `indexed` is the record as the archive holds it when `record` shows the live file;
    // with onlyUnlisted, a path listed already is neither inserted nor counted.
    void addRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                std::size_t index, const std::string& archiveName, const archive::DocRecord* indexed = nullptr,
                bool onlyUnlisted = false);
    // addRow under keepRowsUpTo: false when the row was not listed (a path listed
    // already); a row past the cap is counted and true.
    bool listCapped(const ResultRowView& input, std::size_t index, std::uint32_t document, bool onlyUnlisted);
    // Completes a row with the archive and options, counts it and inserts it at `index`.
    void listRow(ResultRowInput input, std::size_t index);
    bool stopped();
    void noteRootless(const std::string& word);

    app::Workspace& m_workspace;
    ResultList& m_results;
    SearchOptions m_options;
    QueryWordTable m_words;
    // Per query record, its index words found in the current archive (empty: not found).
    std::array<std::vector<FoundPart>, QueryWordTable::kMaxWords> m_foundParts;
    std::string m_queryNotice;
    indexing::PatternFilter m_fileFilter;
    indexing::PatternFilter m_folderFilter;
    std::string m_filesText;
    std::string m_directoriesText;
    indexing::ArchiveLists m_lists;
    ResultCounters m_counters;
    bool m_continueEnabled = false;
    std::size_t m_rowsKept = 0;
    bool m_capped = false;          // this search keeps m_rowsKept rows at each end
    std::size_t m_topRows = 0;      // rows this search put at the top (a hit in the path)
    std::size_t m_rowsPastCap = 0;  // rows found but not listed
    ListedPaths m_listedPaths;      // under the cap, every path found, listed or not
    ListedPaths::PathOf m_pathOfDocument;
    bool m_extractsWanted = false;
    bool m_walkRunning = false;
    std::string m_elapsedText;
    std::string m_diskRoot;
    int m_diskScreenThreads = DefaultDiskScreenThreads();
    std::vector<std::pair<std::int32_t, std::string>> m_rootless;  // archive number, word
    // The postings a walk read, by word node: their document counts, for ranking.
    std::unordered_map<std::uint32_t, std::uint32_t> m_termDocuments;
    std::vector<RelevanceQuery> m_relevance;
    void noteRelevance(archive::ArchiveStore& store);
    std::function<bool()> m_inDocumentSearch;
    // The current archive's folders met so far; m_lastFolder is the entry of the
    // path documentPathInto made last.
    FolderPaths m_folderPaths;
    int m_lastFolder = -1;
    std::string m_folderText;  // documentPathInto's buffer
    mutable std::string m_lowerName;  // passesFilters' buffer
};

} // namespace vedra::search
