// The parts are wired once, here: the run reaches the preview's in-document search,
// and the preview fetches web copies through the session, so a failed fetch shows
// as an error row in the same result list. Extracts follow a search only when it
// was not stopped.
#include "core/search/SearchSession.h"

#include "core/app/Workspace.h"
#include "core/search/SearchOptions.h"
#include "core/web/WebResult.h"

namespace vedra::search {

SearchSession::SearchSession(app::Workspace& workspace)
    : m_workspace(workspace), m_run(workspace, m_results), m_preview(workspace, m_results, m_run)
{
    m_results.setTemporaryFolder(workspace.WorkingFolder + "vedratemp/");
    m_run.setInDocumentSearch([this] { return m_preview.SearchInDocument(); });
    m_preview.setWebResolver([this](const std::string& address) -> std::optional<std::string> {
        web::FetchErrors errors;
        web::WebResult copy = web::ResolveWebResult(m_workspace, errors, address);
        AppendFetchErrors(m_results, errors);
        if (copy.code != 1)
            return std::nullopt;
        return copy.localPath;
    });
}

std::string SearchDisabledText(int languageIndex)
{
    switch (languageIndex) {
    case 0: return "Ricerca disabilitata";
    case 1: return "Search disabled";
    default: return "Búsqueda desactivada";
    }
}

void AppendFetchErrors(ResultList& results, const web::FetchErrors& errors)
{
    for (const web::FetchErrorRow& error : errors) {
        ResultRow row;
        row[ResultColumn::Path] = error.address;
        row[ResultColumn::Words] = error.text;
        row.pathKind = 'w';
        row.archiveNumber = error.archiveNumber;
        results.append(std::move(row));
    }
}

int SearchSession::StartSearch(const std::string& queryText)
{
    m_run.clearQueryNotice();
    if (m_searchDisabled) {
        m_workspace.statusText = SearchDisabledText(m_workspace.LanguageIndex);
        m_workspace.host().setStatus(m_workspace.statusText);
        return 0;
    }
    const app::SearchTarget target = m_workspace.SearchTarget;
    if (target == app::SearchTarget::Notes || target == app::SearchTarget::Memorandum)
        return m_notesSearch ? m_notesSearch(target, queryText) : 0;
    int found = m_run.RunSearch(queryText);
    if (m_run.extractsWanted() && m_workspace.BreakCode == app::StopCode::None)
        m_preview.ShowExtracts();
    return found;
}

} // namespace vedra::search
