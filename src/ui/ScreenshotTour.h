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
// window.
void StartScreenshotTour(CScovaroDlg& dialog, const QString& folder, const QString& words);

} // namespace vedra::ui
