// What the keyboard does in the window's lists, apart from what a view does on its
// own: a row reached with the arrow or page keys is shown once the keys rest, as
// a click on it would show it, and Enter opens the current row as a double click.
// Also the tab order of a page, given by its controls' names.
#pragma once

#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QTimer>

#include <functional>
#include <initializer_list>

class QAbstractItemView;
class QKeyEvent;
class QWidget;

namespace vedra::ui {

// True for the keys that move a list's current row: arrows, Page Up/Down, Home, End.
bool MovesCurrentRow(const QKeyEvent& event);
// True for Enter and Return without Ctrl, Alt or Shift.
bool OpensCurrentRow(const QKeyEvent& event);

class ListKeyboard : public QObject {
    Q_OBJECT

public:
    // Long enough that a held key, repeating every 30-50 ms, never lets it run out;
    // short enough to feel like the click it stands for.
    static constexpr int kPauseMilliseconds = 180;

    using RowAction = std::function<void(const QModelIndex&)>;

    // Watches `view` (parent of this object) for the keys; `show` is what a click
    // does to a row, `open` what a double click does.
    ListKeyboard(QAbstractItemView* view, RowAction show, RowAction open);

    // A move is waiting for the keys to rest.
    bool pending() const { return m_pause.isActive(); }
    // The move waiting, shown now (what the pause's end does).
    void showNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* m_view;
    RowAction m_show;
    RowAction m_open;
    QTimer m_pause;
    // The current row when the run of moves began: where the keys came back to
    // it, there is nothing new to show.
    QPersistentModelIndex m_startedAt;
};

// The tab order of `root`'s controls named `names`, in that order; names that
// `root` does not hold (a control a platform leaves out) are skipped.
void SetTabOrderByName(QWidget* root, std::initializer_list<const char*> names);

} // namespace vedra::ui
