// The model keeps no copy of the rows: it reads the engine's list on every call,
// and reload() resets the view wholesale, since a search may insert rows anywhere
// (a hit in the path goes to the top). Texts are decoded for display only here.
// The view asks only for the rows it shows, so only those are made and looked up
// on the disk. A sorted list is a permutation of the engine's row indices, made
// again at every reload so that rows a search adds later take their place.
#include "ui/ResultListModel.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/search/ResultOrder.h"

#include <QBrush>
#include <QColor>

namespace vedra::ui {

ResultListModel::ResultListModel(const search::ResultList& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results)
{
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_results.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(search::ResultRow::kColumnCount);
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_results.size())
        return {};
    const std::size_t rowIndex = engineRow(index.row());
    // Rows deleted since the last reload may leave the order pointing past the list.
    if (rowIndex >= m_results.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(app::displayUtf8(cellText(rowIndex, index.column())));
    case Qt::ToolTipRole: {
        // A long path is cut by its column; the tip shows it whole, and why a grey
        // row is grey.
        std::string tip = index.column() == 0 ? app::displayUtf8(cellText(rowIndex, 0)) : std::string();
        const std::string reason = staleReason(rowIndex);
        if (!reason.empty())
            tip += (tip.empty() ? "" : "\n") + reason;
        return tip.empty() ? QVariant() : QVariant(QString::fromStdString(tip));
    }
    case Qt::ForegroundRole:
        return isStale(rowIndex) ? QVariant(QBrush(QColor(kStaleGrey))) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == 2 || index.column() == 5 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                          : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

const std::string& ResultListModel::cellText(std::size_t row, int column) const
{
    return m_results.row(row).columns.at(static_cast<std::size_t>(column));
}

bool ResultListModel::isStale(std::size_t row) const
{
    const std::optional<search::FileChange> change = m_results.fileChange(row);
    return change && change->stale();
}

std::string ResultListModel::staleReason(std::size_t row) const
{
    const std::optional<search::FileChange> change = m_results.fileChange(row);
    if (!change)
        return {};
    return search::FileChangeText(*change, app::MessageTable(m_language));
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(search::ResultRow::kColumnCount))
        return QAbstractTableModel::headerData(section, orientation, role);
    auto titles = search::ResultList::ColumnTitles(m_language);
    QString title = QString::fromStdString(app::displayUtf8(titles.at(static_cast<std::size_t>(section))));
    // The style's own indicator is a faint arrow over the title's end: this one is read.
    if (section == m_sortColumn)
        title += m_descending ? QStringLiteral(" \u25BC") : QStringLiteral(" \u25B2");
    return title;
}

void ResultListModel::reload()
{
    beginResetModel();
    // An emptied list starts again in the order its next search gives.
    const int sortedBefore = m_sortColumn;
    if (m_results.empty()) {
        m_sortColumn = -1;
        m_orderSource = nullptr;
    }
    applyOrder();
    endResetModel();
    if (sortedBefore != m_sortColumn)
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(search::ResultRow::kColumnCount) - 1);
}

void ResultListModel::sortByColumn(int column, bool descending)
{
    beginResetModel();
    m_sortColumn = column >= 0 && column < static_cast<int>(search::ResultRow::kColumnCount) ? column : -1;
    m_descending = m_sortColumn >= 0 && descending;
    m_orderSource = nullptr;
    applyOrder();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(search::ResultRow::kColumnCount) - 1);
}

void ResultListModel::sortByOrder(RowOrderSource order)
{
    beginResetModel();
    m_sortColumn = -1;
    m_descending = false;
    m_orderSource = std::move(order);
    applyOrder();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(search::ResultRow::kColumnCount) - 1);
}

void ResultListModel::applyOrder()
{
    m_order.clear();
    m_viewOfEngine.clear();
    if (m_orderSource) {
        m_order = m_orderSource();
        // An order that is not every row once is not shown: the search's own stays.
        std::vector<int> seen(m_results.size(), -1);
        for (std::size_t view = 0; view < m_order.size(); ++view) {
            if (m_order[view] >= seen.size() || seen[m_order[view]] >= 0) {
                m_order.clear();
                return;
            }
            seen[m_order[view]] = static_cast<int>(view);
        }
        if (m_order.size() != m_results.size()) {
            m_order.clear();
            return;
        }
        m_viewOfEngine = std::move(seen);
        return;
    }
    if (m_sortColumn < 0)
        return;
    m_order = search::SortedRows(m_results, static_cast<search::ResultColumn>(m_sortColumn),
                                 m_descending ? search::SortDirection::Descending : search::SortDirection::Ascending);
    m_viewOfEngine.assign(m_order.size(), -1);
    for (std::size_t view = 0; view < m_order.size(); ++view)
        m_viewOfEngine[m_order[view]] = static_cast<int>(view);
}

std::size_t ResultListModel::engineRow(int viewRow) const
{
    const auto row = static_cast<std::size_t>(viewRow);
    if (viewRow < 0)
        return std::string::npos;
    return row < m_order.size() ? m_order[row] : row;
}

int ResultListModel::viewRow(std::size_t engineRow) const
{
    if (engineRow >= m_results.size())
        return -1;
    return engineRow < m_viewOfEngine.size() ? m_viewOfEngine[engineRow] : static_cast<int>(engineRow);
}

void ResultListModel::setLanguage(int languageIndex)
{
    m_language = languageIndex;
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(search::ResultRow::kColumnCount) - 1);
}

} // namespace vedra::ui
