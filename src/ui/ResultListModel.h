// The result list control's view of the engine's ResultList: six columns, titles
// by language, texts decoded for display. The engine owns the rows; the model is
// told when they change.
#pragma once

#include "core/search/ResultList.h"

#include <QAbstractTableModel>

#include <string>

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

    // The text colour of a row whose file changed on the disk since it was indexed.
    static constexpr unsigned kStaleGrey = 0x808080;

private:
    const std::string& cellText(std::size_t row, int column) const;
    bool isStale(std::size_t row) const;
    std::string staleReason(std::size_t row) const;

    const search::ResultList& m_results;
    int m_language = 1;
};

} // namespace vedra::ui
