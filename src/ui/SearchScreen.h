// What the property sheet's pages, the pop-up window and the archive dialog need
// from the main window. CScovaroDlg implements it; the pages' tests use a small
// stand-in, so each window is tested on its own.
#pragma once

#include "core/utilities/PopupMenu.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QPoint;
class QTextDocument;
class QWidget;

namespace vedra::app {
class Workspace;
}
namespace vedra::search {
class SearchSession;
}

namespace vedra::ui {

class SearchScreen {
public:
    virtual ~SearchScreen() = default;

    virtual app::Workspace& workspace() = 0;
    // The result list, the search run (options, words, filters) and the preview.
    virtual search::SearchSession& session() = 0;
    // Flags of the main window that pop-up entries set beside the search options.
    virtual utilities::PopupFlags& popupFlags() = 0;

    // The single entry of every search: `queryText` is the words (cp1252) as the
    // search page or the notes box hold them. The screen shows the rows and the
    // preview when the search returns.
    virtual void StartSearch(const std::string& queryText) = 0;

    // The text selected in the preview (cp1252); empty when none. The run-with
    // button opens it when no result row is selected.
    virtual std::string selectedPreviewText() { return {}; }
    // The result list's row indices in the order shown; empty in the search's order.
    virtual std::vector<std::size_t> shownRows() const { return {}; }

    // The result list and the preview drawn again from the engine's models.
    virtual void refreshResults() = 0;
    virtual void refreshPreview() = 0;

    // The pop-up window for `context`, filled and placed for a right click at
    // `globalPosition` (for the words box's edit menu: the search page's top-left
    // corner); `requester` is the widget clicked.
    virtual void showPopupMenu(utilities::PopupContext context, const QPoint& globalPosition,
                               QWidget* requester) = 0;
    // Closes the pop-up window if it is open.
    virtual void closePopupMenu() = 0;
    // True while a search or another long operation runs inside a handler of the
    // window: work that opens the archive (an indexing run, a new archive) waits.
    virtual bool longWorkRunning() const { return false; }
    // Words entered while a search walks: the walk is stopped and `start` runs as
    // soon as it has ended. False (nothing done) when no search is walking.
    virtual bool followRunningSearch(std::function<void()> start)
    {
        static_cast<void>(start);
        return false;
    }

    // The information window paging through the notes file; `notesText` (cp1252) is
    // the notes field, searched when the words box is empty.
    virtual void showNotesPages(const std::string& notesText) { static_cast<void>(notesText); }
    // The graph of the notes text in the image preview window, over its x range.
    virtual void drawFunctionGraph() {}
    // `text` printed on the printer the user chooses, the job named `name`.
    virtual void printText(const std::string& name, const QTextDocument& text)
    {
        static_cast<void>(name);
        static_cast<void>(text);
    }

    // What a click on a pop-up entry asks of the window, after the engine applied it.
    virtual void performPopupAction(const utilities::PopupOutcome& outcome, utilities::PopupContext context) = 0;
};

} // namespace vedra::ui
