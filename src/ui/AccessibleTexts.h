// What a screen reader says for the window's controls: a name and a description
// per control and language. Controls are found by their object names under the
// window or page that holds them, so the texts stay in one table of their own.
#pragma once

#include <string_view>

class QWidget;

namespace vedra::ui {

struct AccessibleText {
    // The object name of the window or page that holds the control (its own name
    // for the main window, whose controls are its direct children).
    std::string_view scope;
    // The control's object name.
    std::string_view control;
    // Italian, English, Spanish (UTF-8).
    std::string_view name[3];
    std::string_view description[3];
    // A close button of a window that has no title bar: the name is its tooltip too.
    bool nameIsTip = false;
};

// Every row of the table.
std::size_t AccessibleTextCount();
const AccessibleText& AccessibleTextAt(std::size_t index);

// The texts of `language` (0 Italian, 1 English, 2 Spanish) set on the controls
// `root` holds, `root` included among the scopes. Controls not there are skipped:
// windows made on first use are given theirs when they are made. Returns how
// many controls were named.
int ApplyAccessibleTexts(QWidget* root, int language);

} // namespace vedra::ui
