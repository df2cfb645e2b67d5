// One search screen's engine: the result list, the search run and the preview, and
// StartSearch, the single entry of every search (the words box, Enter, the
// clipboard, the preview's selected text, "Verify contiguity").
#pragma once

#include "core/app/SearchTarget.h"
#include "core/search/PreviewSession.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "core/web/HttpFetch.h"

#include <functional>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class SearchSession {
public:
    explicit SearchSession(app::Workspace& workspace);
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    app::Workspace& workspace() { return m_workspace; }
    ResultList& results() { return m_results; }
    SearchRun& run() { return m_run; }
    PreviewSession& preview() { return m_preview; }

    // The notes page searches the notes file or the agenda: (target, query text) ->
    // the entries found, shown in the preview. The notes live above the search, so
    // their search is handed in (utilities::ConnectNotesSearch); without one a notes
    // target finds nothing.
    using NotesSearch = std::function<int(app::SearchTarget target, const std::string& queryText)>;
    void setNotesSearch(NotesSearch search) { m_notesSearch = std::move(search); }

    // "Disable search": while on, StartSearch searches nothing (neither the
    // archive, the disk nor the notes), the list and preview stay as they are, and
    // the status line says why.
    void setSearchDisabled(bool disabled) { m_searchDisabled = disabled; }
    bool searchDisabled() const { return m_searchDisabled; }

    // Routes `queryText` (cp1252) by the workspace's SearchTarget: the notes or the
    // memorandum to the notes search, anything else to the archive search, whose
    // first results then show their extracts in the preview. Returns the words
    // found (archive) or the entries found (notes); 0 while searching is disabled.
    int StartSearch(const std::string& queryText);

private:
    app::Workspace& m_workspace;
    ResultList m_results;
    SearchRun m_run;
    PreviewSession m_preview;
    NotesSearch m_notesSearch;
    bool m_searchDisabled = false;
};

// The status text of a search refused while "Disable search" is on
// (0 Italian, 1 English, other Spanish).
std::string SearchDisabledText(int languageIndex);

// Puts the rows of failed fetches at the end of the list, as web rows.
void AppendFetchErrors(ResultList& results, const web::FetchErrors& errors);

} // namespace vedra::search
