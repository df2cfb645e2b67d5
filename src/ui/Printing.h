// Printing: a rich text (the preview's, or any other) and a picture file, each a
// job of its own on the printer the user chose. The page rules come from the
// engine (core/utilities/PrintGeometry.h); this file only drives QPrinter.
#pragma once

#include "core/utilities/PrintGeometry.h"

#include <QPoint>

#include <functional>
#include <optional>
#include <string>

class QPrinter;
class QTextDocument;
class QWidget;

namespace vedra::app {
class Workspace;
}

namespace vedra::ui {

enum class PrintResult {
    NotStarted,    // a name that is not printed; nothing was asked
    Cancelled,     // the print dialog was not confirmed
    PrinterError,  // no usable printer, or the job could not be written
    Printed,
    Aborted,       // no picture could be read, or its proportion was declined
};

// Sets `printer` up for a job, as the print dialog does: true when confirmed.
using PrinterChooser = std::function<bool(QPrinter& printer)>;

// Prints [selectionStart, selectionEnd) of `document` (all of it when nothing is
// selected) with its colours, weights and sizes, over as many pages as it takes,
// on whole inches of the page less an inch on every side. The job is named after
// `name` (bytes of a path or cp1252 text), "(Untitled)" when it is empty.
// Printed, or PrinterError when the page has no room or the job cannot start.
PrintResult PrintRichText(QPrinter& printer, const QTextDocument& document, int selectionStart, int selectionEnd,
                          const std::string& name);

struct PictureRequest {
    std::string path;    // the picture file, read again whole
    double zoom = 1;     // the image window's zoom
    QPoint sourceOffset; // the image window's scroll offsets, in the picture's pixels
    // Draws the proportion sketch where the user sees it, and takes it away (nullopt)
    // once the question is answered. May be empty.
    std::function<void(const std::optional<utilities::ProportionSketch>&)> showSketch;
};

// Prints the picture fitted to the page, centred, once the user accepts the
// proportion (MsgAcceptProportion, Yes and No). A file that is not a picture, and
// No, leave the printer untouched (Aborted).
PrintResult PrintPicture(app::Workspace& workspace, QPrinter& printer, const PictureRequest& request);

// The one print operation of the main window: the printer chosen through the print
// dialog (or the chooser a test or script gives), the printing flag while the job
// runs, "Errore stampante" in the current language when no usable printer came out
// of the dialog or the job could not be written.
class DocumentPrinter {
public:
    // `workspace` and `dialogParent` are lent for the printer's lifetime.
    DocumentPrinter(app::Workspace& workspace, QWidget* dialogParent);

    void setPrinterChooser(PrinterChooser chooser) { m_chooser = std::move(chooser); }
    // True from the confirmed dialog to the end of the job.
    bool printing() const { return m_printing; }

    // The text mode: `document` (its range) printed under `name`.
    PrintResult PrintDocument(const std::string& name, const QTextDocument& document, int selectionStart,
                              int selectionEnd);
    // The picture mode: the file `picture.path`, named after it.
    PrintResult PrintDocument(const PictureRequest& picture);

private:
    PrintResult run(const std::string& name, const std::function<PrintResult(QPrinter&)>& job);

    app::Workspace& m_workspace;
    QWidget* m_dialogParent;
    PrinterChooser m_chooser;
    bool m_printing = false;
};

} // namespace vedra::ui
