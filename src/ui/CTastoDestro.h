// The program's one pop-up menu: a small borderless window with the entries of
// the right-click that opened it, and, for the result list and the preview, the
// program box and the run-with button. The main window owns one, fills it through
// showMenu and is told by closed() when it goes away.
#pragma once

#include "core/utilities/PopupMenu.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vedra::ui {

class SearchScreen;

// Where the pop-up's top-left goes for a right click at `click` (global): 20 right
// and below for the result list, 50 right and 20 below for the utility page, 30
// right for the search page, at the click for the preview and the image, 100 right
// of the page's top-left for the search words.
QPoint PopupPosition(utilities::PopupContext context, const QPoint& click, const QPoint& pageTopLeft);

// `window` moved the least needed to lie inside `screen`; a window larger than the
// screen keeps its top-left corner on it.
QPoint KeepOnScreen(const QRect& window, const QRect& screen);

class CTastoDestro : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 240;
    static constexpr int kSearchWordsWidth = 100;

    // `screen` is lent for the window's lifetime.
    explicit CTastoDestro(SearchScreen& screen, QWidget* parent = nullptr);

    // Fills the window with `menu` (all 30 rows, the unused ones empty), refills
    // the program box when the menu shows it, places the window for the menu's
    // context and shows it.
    void showMenu(const utilities::PopupMenu& menu, const QPoint& globalClick, const QPoint& pageTopLeft);

    // The menu as the clicks have left it (check slots flipped).
    const utilities::PopupMenu& menu() const { return m_menu; }

public slots:
    // A click on entry `index`: the engine applies it, the row shows the entry
    // flipped, and the screen performs what the entry asks of the window.
    void runEntry(int index);
    // The run-with button: the selected result (or the preview's selected text)
    // started with the program in the box, or its registered program.
    void runWith();

signals:
    // The window was closed (Escape, or close()); the owner drops its reference.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fillEntries();
    void fillProgramBox();
    void programChosen(int index);

    SearchScreen& m_screen;
    utilities::PopupMenu m_menu;
    QLabel* m_title = nullptr;
    QListWidget* m_entries = nullptr;
    QComboBox* m_programs = nullptr;
    QPushButton* m_runWith = nullptr;
};

} // namespace vedra::ui
