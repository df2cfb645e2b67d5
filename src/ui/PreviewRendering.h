// Draws the engine's preview document into a rich-text control: the plain format
// for the whole text, then each marked span (hits bold blue, extract headers red
// and green) over it.
#pragma once

#include "core/search/PreviewDocument.h"

#include <QColor>
#include <QString>

class QFont;
class QTextDocument;
class QTextEdit;

namespace vedra::ui {

// The colours of the marked spans.
QColor SpanColour(search::Colour colour);

// The cp1252 text as the control shows it, one character per byte, so that span
// positions stay character positions.
QString PreviewText(const std::string& cp1252);

// Replaces the document's content with the preview in `font` (the plain format),
// the marked spans over it; the undo stack is cleared. The printed preview and the
// control share it.
void FillPreviewDocument(QTextDocument& text, const search::PreviewDocument& document, const QFont& font);

// Replaces the control's content. `pointSize` is the plain format's height; the
// control scrolls to `scrollPosition` (a character position) unless it is npos.
void RenderPreview(QTextEdit& edit, const search::PreviewDocument& document, int pointSize,
                   std::size_t scrollPosition);

} // namespace vedra::ui
