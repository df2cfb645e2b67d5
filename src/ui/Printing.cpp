// The printer is used with its full page, so that the engine's inches count from
// the paper's corner and not from the printable area's. The text is laid out again
// on the printer (its fonts measured there) with the page's height as the layout's
// page size, so that no line is cut by a page break; each page then draws the lines
// of one page-high band of that layout.
#include "ui/Printing.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <fstream>
#include <iterator>
#include <memory>

namespace vedra::ui {
namespace {

using utilities::PrintRect;

constexpr double kInchesPerMetre = 39.37007874;

QString jobName(const std::string& name)
{
    return QString::fromStdString(app::displayUtf8(utilities::PrintJobName(name)));
}

QImage loadPictureFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return {};
    QImage picture;
    if (!picture.loadFromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        return {};
    return picture.copy();
}

// The lines that begin inside `band`, drawn where the layout put them. The layout's
// own drawing also draws the line just above its clip (for glyphs that reach
// up), which would put the last line of a page at the top of the next as well:
// cut off on paper, but still in the page's text.
void drawBand(QPainter& painter, const QTextDocument& document, const QRectF& band)
{
    constexpr qreal kEdge = 0.5;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (layout == nullptr)
            continue;
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal top = origin.y() + line.y();
            if (top >= band.top() - kEdge && top < band.bottom() - kEdge)
                line.draw(&painter, origin);
        }
    }
}

bool askedOnDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

PrintResult PrintRichText(QPrinter& printer, const QTextDocument& document, int selectionStart, int selectionEnd,
                          const std::string& name)
{
    printer.setFullPage(true);
    printer.setDocName(jobName(name));
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const utilities::TextPageArea area =
        utilities::PrintedTextArea(paper.width(), paper.height(), printer.logicalDpiX(), printer.logicalDpiY());
    const PrintRect& room = area.pixels;
    if (room.empty())
        return PrintResult::PrinterError;

    // The document's last character is its closing paragraph mark, never printed.
    std::unique_ptr<QTextDocument> whole(document.clone());
    const utilities::TextRange range =
        utilities::PrintedRange(selectionStart, selectionEnd, whole->characterCount() - 1);
    QTextCursor selected(whole.get());
    selected.setPosition(range.start);
    selected.setPosition(range.end, QTextCursor::KeepAnchor);
    QTextDocument printed;
    printed.setDefaultFont(document.defaultFont());
    printed.setDocumentMargin(0);
    QTextCursor(&printed).insertFragment(selected.selection());
    printed.documentLayout()->setPaintDevice(&printer);
    printed.setPageSize(QSizeF(room.width(), room.height()));

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::PrinterError;
    const int pages = std::max(1, printed.pageCount());
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !printer.newPage()) {
            painter.end();
            return PrintResult::PrinterError;
        }
        painter.save();
        const QRectF band(0, static_cast<qreal>(page) * room.height(), room.width(), room.height());
        painter.translate(room.left, room.top - band.top());
        painter.setClipRect(band);
        drawBand(painter, printed, band);
        painter.restore();
    }
    return painter.end() ? PrintResult::Printed : PrintResult::PrinterError;
}

PrintResult PrintPicture(app::Workspace& workspace, QPrinter& printer, const PictureRequest& request)
{
    printer.setFullPage(true);
    printer.setDocName(jobName(request.path));
    const QImage picture = loadPictureFile(request.path);
    if (picture.isNull())
        return PrintResult::Aborted;
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const utilities::PictureOnPage placed = utilities::FitPictureToPage(
        request.zoom, picture.width(), picture.height(), picture.dotsPerMeterX() / kInchesPerMetre,
        picture.dotsPerMeterY() / kInchesPerMetre, paper.width(), paper.height(), printer.logicalDpiX(),
        printer.logicalDpiY());
    if (!placed.fits)
        return PrintResult::Aborted;

    if (request.showSketch)
        request.showSketch(utilities::SketchProportion(placed, paper.width(), paper.height()));
    const app::MessageAnswer answer =
        workspace.showMessage(app::MessageKey::MsgAcceptProportion, app::MessageButtons::YesNo);
    if (request.showSketch)
        request.showSketch(std::nullopt);
    if (answer != app::MessageAnswer::Yes)
        return PrintResult::Aborted;

    // The window's offsets move where the picture starts; past its edge the page
    // stays blank, so the part kept is drawn where it falls in the printed size.
    const QRect whole = picture.rect();
    const QRect source(request.sourceOffset, whole.size());
    const QRect kept = source.intersected(whole);
    if (kept.isEmpty())
        return PrintResult::Aborted;
    const double scaleX = static_cast<double>(placed.width) / whole.width();
    const double scaleY = static_cast<double>(placed.height) / whole.height();
    const QRectF target(placed.left + (kept.x() - source.x()) * scaleX, placed.top + (kept.y() - source.y()) * scaleY,
                        kept.width() * scaleX, kept.height() * scaleY);
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::PrinterError;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture, kept);
    return painter.end() ? PrintResult::Printed : PrintResult::PrinterError;
}

DocumentPrinter::DocumentPrinter(app::Workspace& workspace, QWidget* dialogParent)
    : m_workspace(workspace), m_dialogParent(dialogParent)
{
}

PrintResult DocumentPrinter::PrintDocument(const std::string& name, const QTextDocument& document,
                                           int selectionStart, int selectionEnd)
{
    return run(name, [&](QPrinter& printer) {
        return PrintRichText(printer, document, selectionStart, selectionEnd, name);
    });
}

PrintResult DocumentPrinter::PrintDocument(const PictureRequest& picture)
{
    return run(picture.path, [&](QPrinter& printer) { return PrintPicture(m_workspace, printer, picture); });
}

PrintResult DocumentPrinter::run(const std::string& name, const std::function<PrintResult(QPrinter&)>& job)
{
    if (!utilities::PrintableDocumentName(name) || m_printing)
        return PrintResult::NotStarted;
    QPrinter printer(QPrinter::HighResolution);
    const bool confirmed = m_chooser ? m_chooser(printer) : askedOnDialog(printer, m_dialogParent);
    if (!confirmed)
        return PrintResult::Cancelled;
    m_printing = true;
    PrintResult result = PrintResult::PrinterError;
    if (printer.isValid())
        result = job(printer);
    if (result == PrintResult::PrinterError)
        m_workspace.showMessage(app::MessageKey::MsgPrintError);
    m_printing = false;
    return result;
}

} // namespace vedra::ui
