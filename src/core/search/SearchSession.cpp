#include "core/search/SearchSession.h"

#include "core/app/Workspace.h"
#include "core/search/SearchOptions.h"
#include "core/utilities/Notes.h"
#include "core/web/WebResult.h"

namespace vedra::search {

SearchSession::SearchSession(app::Workspace& workspace)
    : m_workspace(workspace), m_run(workspace, m_results), m_preview(workspace, m_results, m_run)
{
    m_run.setInDocumentSearch([this] { return m_preview.SearchInDocument(); });
    m_preview.setWebResolver([this](const std::string& address) -> std::optional<std::string> {
        web::WebResult copy = web::ResolveWebResult(m_workspace, m_results, address);
        if (copy.code != 1)
            return std::nullopt;
        return copy.localPath;
    });
    m_notesSearch = [this](int target, const std::string& queryText) {
        return utilities::SearchNotesText(m_workspace, target, queryText, m_run.options(), m_preview.document());
    };
}

int SearchSession::StartSearch(const std::string& queryText)
{
    const auto target = static_cast<SearchTarget>(m_workspace.SearchTarget);
    if (target == SearchTarget::Notes || target == SearchTarget::Memorandum)
        return m_notesSearch ? m_notesSearch(m_workspace.SearchTarget, queryText) : 0;
    int found = m_run.RunSearch(queryText);
    if (m_run.extractsWanted() && m_workspace.BreakCode == 0)
        m_preview.ShowExtracts();
    return found;
}

} // namespace vedra::search
