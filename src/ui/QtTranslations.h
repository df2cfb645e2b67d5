// Qt's own texts (the file and print dialogs, the standard buttons, the edit
// menus of text fields) in the window's language, from Qt's translations.
#pragma once

namespace vedra::ui {

// Italian (0) or Spanish (any index but 0 and 1) from Qt's translations when they
// are installed; English (1), or no translation found, leaves Qt's own English.
void UseQtTranslations(int languageIndex);

} // namespace vedra::ui
