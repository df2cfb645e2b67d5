// The result list control's view of the engine's ResultList: six columns, titles
// by language, texts decoded for display. The engine owns the rows; the model is
// told when they change.
#pragma once

#include "core/search/ResultList.h"

#include <QAbstractTableModel>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vedra::ui {

class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Widths of the six columns, in pixels.
    static constexpr int kColumnWidths[search::ResultRow::kColumnCount] = {450, 90, 50, 100, 80, 50};

    explicit ResultListModel(const search::ResultList& results, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The rows changed (a search, "Clean from list"): the view reads them again.
    void reload();
    // Column titles of the language (0 Italian, 1 English, other Spanish); the rows stay.
    void setLanguage(int languageIndex);

    // Shows the rows sorted by `column` (0 to 5), or in the search's own order for
    // -1. The order holds until a new search or an emptied list: rows added or
    // deleted meanwhile are sorted into it at the next reload().
    void sortByColumn(int column, bool descending);
    int sortColumn() const { return m_sortColumn; }
    // Shows the rows in the order `order` gives (every engine row once, as the
    // engine's relevance order does), asked again at every reload, until a column
    // sort, a new search or an emptied list. No column carries the arrow.
    using RowOrderSource = std::function<std::vector<std::size_t>()>;
    void sortByOrder(RowOrderSource order);
    bool sortedByOrder() const { return static_cast<bool>(m_orderSource); }
    bool sortedDescending() const { return m_descending; }
    // The engine's row shown at view row `viewRow`, and the view row of an engine
    // row (-1 when out of range).
    std::size_t engineRow(int viewRow) const;
    int viewRow(std::size_t engineRow) const;
    // The engine's rows in the order shown; empty in the search's own order.
    const std::vector<std::size_t>& shownOrder() const { return m_order; }

    // The text colour of a row whose file changed on the disk since it was indexed.
    static constexpr unsigned kStaleGrey = 0x808080;

private:
    const std::string& cellText(std::size_t row, int column) const;
    bool isStale(std::size_t row) const;
    std::string staleReason(std::size_t row) const;

    void applyOrder();

    const search::ResultList& m_results;
    int m_language = 1;
    int m_sortColumn = -1;
    RowOrderSource m_orderSource;
    bool m_descending = false;
    // View row to engine row, and back; both empty when unsorted.
    std::vector<std::size_t> m_order;
    std::vector<int> m_viewOfEngine;
};

} // namespace vedra::ui
