// The whole click on a column title of the result list, as the window does it
// with 100,000 rows: the engine's sort, the model's new order, and the table
// drawn again with the first rows of the new order. Each column is clicked
// both ways seven times; the figure is the median, in milliseconds.
//   vedra_window_sort            (QT_QPA_PLATFORM=offscreen without a display)
#include "HundredThousandRows.h"

#include "ui/ResultListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const vedra::search::ResultList& rows = vedra::bench::HundredThousandRows();
    vedra::ui::ResultListModel model(rows);
    QTableView view;
    // As the window sets up its list: no row numbers, fixed row heights.
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.setModel(&model);
    view.resize(700, 250);
    view.show();
    model.reload();
    QApplication::processEvents();

    constexpr int kRepetitions = 7;
    std::printf("%zu rows; median of %d clicks, ms\ncolumn  up      down\n", rows.size(), kRepetitions);
    double worst = 0;
    for (int column = 0; column < static_cast<int>(vedra::search::ResultRow::kColumnCount); ++column) {
        std::printf("%d", column);
        for (bool descending : {false, true}) {
            std::vector<double> times;
            for (int i = 0; i < kRepetitions; ++i) {
                // Back to the search's order first, so every click sorts from it.
                model.sortByColumn(-1, false);
                QApplication::processEvents();
                QElapsedTimer timer;
                timer.start();
                model.sortByColumn(column, descending);
                view.viewport()->repaint();
                QApplication::processEvents();
                times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            }
            std::nth_element(times.begin(), times.begin() + kRepetitions / 2, times.end());
            const double median = times[kRepetitions / 2];
            worst = std::max(worst, median);
            std::printf("  %7.1f", median);
        }
        std::printf("\n");
    }
    std::printf("slowest column: %.1f ms\n", worst);
    return 0;
}
