// A scripted look at the program for people who cannot sit in front of it: the
// window searches for some words and saves pictures of itself, its pop-up window,
// the word statistics of a result, its folder tree and its property sheet, then closes. scripts/screenshot drives it under Xvfb.
#pragma once

#include <QString>

namespace vedra::ui {

class CScovaroDlg;

// Starts once the window's loop runs. Saves "main.png", "popup.png", "info.png"
// (the word statistics), "tree.png" (the folder tree beside the list),
// "sheet.png", "archive.png", "image.png" (the image preview), "graph.png" (its
// function graph) and "watch-indicator.png" (the live index's indicator during a
// batch, its tooltip open) in `folder`, reporting each on stderr, then closes the
// window. Beside them: "popup-preview.png", "popup-search.png", "popup-util.png"
// (the pop-up window of the preview, the search page and the utility page) and
// "sheet-util.png" (the sheet's utility page).
// With a `language` ("it", "en" or "es") its flag is clicked first, and every
// picture's name ends in "-it", "-en" or "-es", with "popup", "sheet" and
// "archive" named "popup-list", "sheet-search" and "sheet-archive".
void StartScreenshotTour(CScovaroDlg& dialog, const QString& folder, const QString& words,
                         const QString& language = QString());

} // namespace vedra::ui
