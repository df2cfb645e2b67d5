// The index list's clicks. Its entries name documents, so a click finds (or adds)
// the entry's result row and shows that row as a click on the result list would;
// a double click opens the row as a double click on the result list does.
#include "ui/CScovaroDlg.h"

#include "core/app/TextEncoding.h"
#include "core/search/PathList.h"
#include "core/search/PreviewSession.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/ResultListModel.h"

#include <QTableView>
#include <QTreeWidget>

namespace vedra::ui {

void CScovaroDlg::connectIndexList()
{
    connect(m_pathList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { indexEntryClicked(item); });
    connect(m_pathList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { indexEntryDoubleClicked(item); });
}

std::size_t CScovaroDlg::indexEntryRow(QTreeWidgetItem* item, bool forOpening)
{
    const int index = item != nullptr ? m_pathList->indexOfTopLevelItem(item) : -1;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pathEntries.size())
        return std::string::npos;
    const search::PathEntry& entry = m_pathEntries[static_cast<std::size_t>(index)];
    search::ResultList& results = m_session->results();
    const std::size_t row =
        forOpening ? search::IndexEntryOpenRow(m_workspace, results, entry)
                   : search::IndexEntryRow(m_workspace, results, entry, app::utf8ToCp1252(queryWordsText().toStdString()));
    results.clearSelection();
    results.setSelected(row, true);
    refreshResults();
    m_resultList->scrollTo(m_resultModel->index(m_resultModel->viewRow(row), 0));
    return row;
}

void CScovaroDlg::indexEntryClicked(QTreeWidgetItem* item)
{
    if (busyWithLongWork())
        return;
    closePopupMenu();
    // What the search page's boxes hold now is what the extract is made with.
    if (m_searchPage != nullptr)
        m_searchPage->readControls();
    const std::size_t row = indexEntryRow(item, false);
    if (row == std::string::npos)
        return;
    showResultsAndPreview();
    // The extract of the selected row, or the document; a web entry is fetched.
    ++m_longWork;
    m_session->preview().ShowClickedRow(row, !queryWordsText().trimmed().isEmpty());
    --m_longWork;
    refreshResults();
    refreshPreview();
}

void CScovaroDlg::indexEntryDoubleClicked(QTreeWidgetItem* item)
{
    if (busyWithLongWork())
        return;
    const std::size_t row = indexEntryRow(item, true);
    if (row == std::string::npos)
        return;
    resultDoubleClicked(m_resultModel->index(m_resultModel->viewRow(row), 0));
}

} // namespace vedra::ui
