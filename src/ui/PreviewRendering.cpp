// Engine positions count cp1252 bytes; the control counts UTF-16 units and makes
// each CR LF one break. Every byte decodes to one unit, so only the dropped CRs
// shift positions, and spans and the scroll point are moved back past them. The
// undo stack is cleared, so Undo never brings back a replaced document.
#include "ui/PreviewRendering.h"

#include "core/app/TextEncoding.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <vector>

namespace vedra::ui {

QColor SpanColour(search::Colour colour)
{
    switch (colour) {
    case search::Colour::Blue: return QColor(0, 0, 200);
    case search::Colour::Red: return QColor(200, 0, 0);
    case search::Colour::Green: return QColor(0, 170, 0);
    case search::Colour::None: break;
    }
    return QColor(0, 0, 0);
}

QString PreviewText(const std::string& cp1252)
{
    // Every cp1252 byte is one character of the Basic Multilingual Plane, so the
    // decoded text has as many UTF-16 units as the engine's text has bytes.
    return QString::fromStdString(app::cp1252ToUtf8(cp1252));
}

namespace {

// The positions of the CRs that the control drops from each "\r\n" pair.
std::vector<std::size_t> droppedReturnsOf(const QString& shown)
{
    std::vector<std::size_t> droppedReturns;
    for (qsizetype i = 0; i + 1 < shown.size(); ++i) {
        if (shown[i] == u'\r' && shown[i + 1] == u'\n')
            droppedReturns.push_back(static_cast<std::size_t>(i));
    }
    return droppedReturns;
}

int shownPosition(const std::vector<std::size_t>& droppedReturns, std::size_t position)
{
    auto before = std::lower_bound(droppedReturns.begin(), droppedReturns.end(), position);
    return static_cast<int>(position - static_cast<std::size_t>(before - droppedReturns.begin()));
}

} // namespace

void FillPreviewDocument(QTextDocument& text, const search::PreviewDocument& document, const QFont& font)
{
    QTextCharFormat plain;
    plain.setFont(font);
    plain.setForeground(QColor(0, 0, 0));
    plain.setFontWeight(QFont::Normal);

    text.clear();
    text.setDefaultFont(font);
    QTextCursor cursor(&text);
    cursor.setCharFormat(plain);
    // A "\r\n" pair is one paragraph break in the control: engine positions after
    // each pair move back by one.
    QString shown = PreviewText(document.text());
    const std::vector<std::size_t> droppedReturns = droppedReturnsOf(shown);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(shown, plain);

    const int length = static_cast<int>(shown.size());
    for (const search::MarkedSpan& span : document.spans()) {
        int start = shownPosition(droppedReturns, span.start);
        if (start >= length)
            continue;
        int end = std::min(length, shownPosition(droppedReturns, span.start + span.length));
        QTextCharFormat marked;
        if (span.bold)
            marked.setFontWeight(QFont::Bold);
        if (span.colour != search::Colour::None)
            marked.setForeground(SpanColour(span.colour));
        if (span.underline)
            marked.setFontUnderline(true);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(marked);
    }
    text.setModified(false);
    text.clearUndoRedoStacks();
}

void RenderPreview(QTextEdit& edit, const search::PreviewDocument& document, int pointSize,
                   std::size_t scrollPosition)
{
    QFont font = edit.font();
    font.setPointSize(pointSize);
    QTextDocument* text = edit.document();
    FillPreviewDocument(*text, document, font);

    const QString shown = PreviewText(document.text());
    const int length = text->characterCount() - 1;
    QTextCursor place(text);
    place.setPosition(scrollPosition == std::string::npos
                          ? 0
                          : std::min(length, shownPosition(droppedReturnsOf(shown), scrollPosition)));
    edit.setTextCursor(place);
    edit.ensureCursorVisible();
}

} // namespace vedra::ui
