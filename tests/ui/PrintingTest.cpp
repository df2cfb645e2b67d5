// Printing, read back from the PDF files QPrinter writes with poppler's tools: the
// preview's selection over several pages, the job's title, the inch margins on
// whole inches, the colours and bold; a picture fitted in tenths, centred, its
// proportion sketched and asked about; the archive dialog's Print; the moments the
// window empties the clipboard.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/search/PreviewDocument.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CNomeArchivio.h"
#include "ui/PreviewRendering.h"
#include "ui/Printing.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

#include <optional>

namespace app = vedra::app;
namespace ui = vedra::ui;
using vedra::app::MessageAnswer;
using vedra::uitest::Session;
using vedra::utilities::PopupAction;
using vedra::utilities::PopupContext;

namespace {

bool havePoppler()
{
    for (const char* tool : {"pdftotext", "pdfinfo", "pdffonts", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The printed lines, page breaks and blank lines left out.
QStringList printedLines(const QString& pdf)
{
    QStringList lines;
    for (QString line : run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).split(u'\n')) {
        line.remove(u'\f');
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

QString pdfField(const QString& pdf, const QString& field)
{
    const QRegularExpression row(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    return row.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).trimmed();
}

// Every word's box in points from the page's top-left corner.
QList<QRectF> wordBoxes(const QString& pdf)
{
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"));
    QList<QRectF> boxes;
    auto matches = word.globalMatch(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    while (matches.hasNext()) {
        const auto m = matches.next();
        boxes << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                        QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return boxes;
}

// The first page at 72 dpi, one pixel a point.
QImage renderedPage(const QString& pdf)
{
    const QString base = pdf + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"),
                                     QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                     QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".ppm")).convertToFormat(QImage::Format_RGB32);
}

ui::PrinterChooser pdfChooser(const QString& pdf, int* asked = nullptr)
{
    return [pdf, asked](QPrinter& printer) {
        if (asked != nullptr)
            ++*asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        return true;
    };
}

vedra::utilities::PopupOutcome entry(PopupAction action)
{
    vedra::utilities::PopupOutcome outcome;
    outcome.action = action;
    outcome.handled = true;
    return outcome;
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

bool isWhite(QRgb pixel)
{
    return qRed(pixel) > 240 && qGreen(pixel) > 240 && qBlue(pixel) > 240;
}

} // namespace

class PrintingTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!havePoppler())
            QSKIP("poppler-utils is missing (pdftotext, pdfinfo, pdffonts, pdftoppm)");
    }
    void aSelectionPrintsOnlyItsTextToItsLastCharacterOverSeveralPages();
    void anEmptyNameIsUntitledAndTheTextStaysInsideAnInchOfWholeInches();
    void colourAndBoldOfThePreviewArePrinted();
    void namesTheDialogAndABadPrinterDecideWhetherAnythingPrints();
    void aWidePictureShrinksInTenthsAndPrintsCentredOnceAccepted();
    void declinedOrUnreadablePicturesPrintNothing();
    void theArchiveDialogPrintsItsIdentificationAndDescription();
    void theWindowEmptiesTheClipboardAtItsMoments();
};

void PrintingTest::aSelectionPrintsOnlyItsTextToItsLastCharacterOverSeveralPages()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    dialog.performPopupAction(entry(PopupAction::NewText), PopupContext::Preview);
    auto* preview = session.control<QTextEdit>("1002");
    QString text;
    for (int i = 1; i <= 400; ++i)
        text += QStringLiteral("riga %1 del testo\n").arg(i, 3, 10, QChar(u'0'));
    preview->setPlainText(text);
    // From the start of line 101 to the middle of the last word of line 300.
    QTextCursor cursor(preview->document());
    cursor.setPosition(static_cast<int>(text.indexOf(QStringLiteral("riga 101"))));
    cursor.setPosition(static_cast<int>(text.indexOf(QStringLiteral("riga 300 del testo")) + 16), QTextCursor::KeepAnchor);
    preview->setTextCursor(cursor);

    const QString pdf = session.file(QStringLiteral("selection.pdf"));
    dialog.printer().setPrinterChooser(pdfChooser(pdf));
    dialog.performPopupAction(entry(PopupAction::Print), PopupContext::Preview);

    const QStringList lines = printedLines(pdf);
    QVERIFY2(lines.size() == 200, qPrintable(lines.join(u'|')));
    for (int i = 0; i < 199; ++i)
        QCOMPARE(lines[i], QStringLiteral("riga %1 del testo").arg(101 + i, 3, 10, QChar(u'0')));
    QCOMPARE(lines.last(), QStringLiteral("riga 300 del tes"));
    QVERIFY2(pdfField(pdf, QStringLiteral("Pages")).toInt() >= 3, qPrintable(pdfField(pdf, QStringLiteral("Pages"))));
    QCOMPARE(pdfField(pdf, QStringLiteral("Title")), QStringLiteral("nuovotesto.vedra"));
    QVERIFY(!dialog.printer().printing());

    // Nothing selected: the whole text.
    cursor.clearSelection();
    cursor.setPosition(40);
    preview->setTextCursor(cursor);
    dialog.performPopupAction(entry(PopupAction::Print), PopupContext::Preview);
    const QStringList all = printedLines(pdf);
    QCOMPARE(all.size(), 400);
    QCOMPARE(all.first(), QStringLiteral("riga 001 del testo"));
    QCOMPARE(all.last(), QStringLiteral("riga 400 del testo"));
}

void PrintingTest::anEmptyNameIsUntitledAndTheTextStaysInsideAnInchOfWholeInches()
{
    QTemporaryDir folder;
    QTextDocument document;
    QString words;
    for (int i = 0; i < 300; ++i)
        words += QStringLiteral("parola%1 ").arg(i);
    document.setPlainText(words);

    // 150 x 100 mm is 5.9 x 3.9 inches: whole, 5 x 3, so the text lies within
    // 72 ... 288 points across and 72 ... 144 down, on as many pages as it needs.
    const QString pdf = folder.filePath(QStringLiteral("untitled.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QSizeF(150, 100), QPageSize::Millimeter));
    QCOMPARE(ui::PrintRichText(printer, document, 0, 0, ""), ui::PrintResult::Printed);

    QCOMPARE(pdfField(pdf, QStringLiteral("Title")), QStringLiteral("(Untitled)"));
    const QList<QRectF> boxes = wordBoxes(pdf);
    QVERIFY2(boxes.size() == 300, qPrintable(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})));
    QVERIFY(pdfField(pdf, QStringLiteral("Pages")).toInt() > 1);
    double left = 1e9, right = 0, top = 1e9, bottom = 0;
    for (const QRectF& box : boxes) {
        left = std::min(left, box.left());
        right = std::max(right, box.right());
        top = std::min(top, box.top());
        bottom = std::max(bottom, box.bottom());
    }
    QVERIFY2(left >= 71.5 && left < 74, qPrintable(QString::number(left)));
    QVERIFY2(top >= 71.5 && top < 76, qPrintable(QString::number(top)));
    QVERIFY2(right <= 288.5 && right > 250, qPrintable(QString::number(right)));
    QVERIFY2(bottom <= 144.5 && bottom > 120, qPrintable(QString::number(bottom)));

    // A page of less than three whole inches has no room for text.
    QPrinter tiny(QPrinter::HighResolution);
    tiny.setOutputFormat(QPrinter::PdfFormat);
    tiny.setOutputFileName(folder.filePath(QStringLiteral("tiny.pdf")));
    tiny.setPageSize(QPageSize(QSizeF(70, 200), QPageSize::Millimeter));
    QCOMPARE(ui::PrintRichText(tiny, document, 0, 0, "x"), ui::PrintResult::PrinterError);
}

void PrintingTest::colourAndBoldOfThePreviewArePrinted()
{
    QTemporaryDir folder;
    vedra::search::PreviewDocument preview;
    preview.appendText("Testo semplice prima, poi la ");
    preview.appendMarked("PAROLACERCATA", {true, vedra::search::Colour::Blue, false});
    preview.appendText(" e dopo ancora testo semplice.\r\n");
    preview.appendMarked("INTESTAZIONE ROSSA", {true, vedra::search::Colour::Red, false});
    QTextDocument document;
    QFont font;
    font.setPointSize(24);
    ui::FillPreviewDocument(document, preview, font);

    const QString pdf = folder.filePath(QStringLiteral("colours.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    pdfChooser(pdf)(printer);
    QCOMPARE(ui::PrintRichText(printer, document, 0, 0, "colori"), ui::PrintResult::Printed);

    const QString fonts = run(QStringLiteral("pdffonts"), {pdf});
    QVERIFY2(fonts.contains(QStringLiteral("Bold"), Qt::CaseInsensitive), qPrintable(fonts));
    const QImage page = renderedPage(pdf);
    QVERIFY(!page.isNull());
    int blue = 0, red = 0, black = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            blue += qBlue(pixel) > 150 && qRed(pixel) < 60 && qGreen(pixel) < 60;
            red += qRed(pixel) > 150 && qBlue(pixel) < 60 && qGreen(pixel) < 60;
            black += qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40;
        }
    QVERIFY2(blue > 50, qPrintable(QString::number(blue)));
    QVERIFY2(red > 50, qPrintable(QString::number(red)));
    QVERIFY2(black > 50, qPrintable(QString::number(black)));
}

void PrintingTest::namesTheDialogAndABadPrinterDecideWhetherAnythingPrints()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    session.workspace.SetLanguage(0);
    QTextDocument document(QStringLiteral("testo"));
    const QString pdf = session.file(QStringLiteral("out.pdf"));
    int asked = 0;
    dialog.printer().setPrinterChooser(pdfChooser(pdf, &asked));

    // No name, or one below 'A': the dialog is not even shown.
    for (const char* name : {"", "1999.txt", "@nota", "/"})
        QCOMPARE(dialog.printer().PrintDocument(name, document, 0, 0), ui::PrintResult::NotStarted);
    QCOMPARE(asked, 0);
    QVERIFY(!QFile::exists(pdf));

    // The dialog cancelled: nothing printed, nothing said.
    const std::size_t messagesBefore = session.asked.size();
    dialog.printer().setPrinterChooser([](QPrinter&) { return false; });
    QCOMPARE(dialog.printer().PrintDocument("/tmp/lettera.txt", document, 0, 0), ui::PrintResult::Cancelled);
    QCOMPARE(session.asked.size(), messagesBefore);

    // A printer that cannot print: "Errore stampante", in the language of the moment.
    const QString nowhere = session.file(QStringLiteral("no/such/folder/out.pdf"));
    bool printingInside = false;
    dialog.printer().setPrinterChooser([&](QPrinter& printer) {
        printingInside = dialog.printer().printing();
        return pdfChooser(nowhere)(printer);
    });
    QCOMPARE(dialog.printer().PrintDocument("lettera", document, 0, 0), ui::PrintResult::PrinterError);
    QCOMPARE(session.asked.back().text, std::string("Errore stampante"));
    QVERIFY2(!printingInside, "the flag is set only once the dialog is confirmed");
    QVERIFY(!dialog.printer().printing());
    session.workspace.SetLanguage(1);
    QCOMPARE(dialog.printer().PrintDocument("lettera", document, 0, 0), ui::PrintResult::PrinterError);
    QCOMPARE(session.asked.back().text, std::string("Print error"));
}

void PrintingTest::aWidePictureShrinksInTenthsAndPrintsCentredOnceAccepted()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    session.workspace.SetLanguage(0);
    // 960 x 480 pixels at 96 dpi are 10 x 5 inches, wider than A4 less 100 pixels:
    // 0.9 is still too wide (9 inches), 0.8 fits (8 x 4 inches = 576 x 288 points).
    const QString png = session.file(QStringLiteral("wide.png"));
    QImage picture(960, 480, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    QVERIFY(picture.save(png));
    dialog.ShowPreviewFile(png.toStdString());
    ui::CGrafica* image = dialog.imagePreview();
    QVERIFY(image != nullptr && image->hasPicture());

    const QString pdf = session.file(QStringLiteral("picture.pdf"));
    dialog.printer().setPrinterChooser(pdfChooser(pdf));
    std::optional<vedra::utilities::ProportionSketch> sketched;
    QImage canvasDuringQuestion;
    bool printingDuringQuestion = false;
    dialog.setMessageResponder([&](const std::string& text, app::MessageButtons buttons) {
        session.asked.push_back({text, buttons});
        sketched = image->proportionSketch();
        canvasDuringQuestion = image->canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        printingDuringQuestion = dialog.printer().printing();
        return MessageAnswer::Yes;
    });
    dialog.performPopupAction(entry(PopupAction::PrintImage), PopupContext::ImagePreview);

    QCOMPARE(session.asked.back().text, std::string("Accetti questa proporzione?"));
    QCOMPARE(session.asked.back().buttons, app::MessageButtons::YesNo);
    QVERIFY(printingDuringQuestion);
    QVERIFY(!dialog.printer().printing());
    // The sketch was on the window while the question stood, and is gone after it.
    QVERIFY(sketched.has_value());
    const auto& page = sketched->page;
    QCOMPARE(page.left, 25);
    QCOMPARE(page.right, 200);
    QCOMPARE(canvasDuringQuestion.pixel(page.left, (page.top + page.bottom) / 2), qRgb(0, 0, 0));
    QCOMPARE(canvasDuringQuestion.pixel(page.right, (page.top + page.bottom) / 2), qRgb(0, 0, 0));
    const auto& outline = sketched->picture;
    QCOMPARE(canvasDuringQuestion.pixel((outline.left + outline.right) / 2, outline.top), qRgb(0, 0, 0));
    QVERIFY(!image->proportionSketch().has_value());

    QCOMPARE(pdfField(pdf, QStringLiteral("Title")), png);
    const QImage printed = renderedPage(pdf);
    QCOMPARE(printed.size(), QSize(595, 842));
    // 576 points wide from 9.6, 288 high from 277: centred on the page.
    const int middleY = 421;
    QVERIFY(isWhite(printed.pixel(5, middleY)));
    QVERIFY(isRed(printed.pixel(12, middleY)));
    QVERIFY(isRed(printed.pixel(583, middleY)));
    QVERIFY(isWhite(printed.pixel(590, middleY)));
    QVERIFY(isWhite(printed.pixel(297, 272)));
    QVERIFY(isRed(printed.pixel(297, 282)));
    QVERIFY(isRed(printed.pixel(297, 560)));
    QVERIFY(isWhite(printed.pixel(297, 570)));
}

void PrintingTest::declinedOrUnreadablePicturesPrintNothing()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    const QString png = session.file(QStringLiteral("small.png"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(0, 128, 0));
    QVERIFY(picture.save(png));
    dialog.ShowPreviewFile(png.toStdString());
    const QString pdf = session.file(QStringLiteral("declined.pdf"));
    dialog.printer().setPrinterChooser(pdfChooser(pdf));

    session.answers.push_back(MessageAnswer::No);
    ui::PictureRequest request;
    request.path = png.toStdString();
    QCOMPARE(dialog.printer().PrintDocument(request), ui::PrintResult::Aborted);
    QCOMPARE(session.asked.back().text, std::string("Do you agree to this proportion?"));
    QVERIFY2(!QFile::exists(pdf), "a declined proportion writes no file");
    // A file that is no picture: nothing asked, nothing written.
    const QString bad = session.file(QStringLiteral("bad.png"));
    QVERIFY(vedra::uitest::writeAll(bad, "not a picture at all"));
    dialog.ShowPreviewFile(bad.toStdString());
    const std::size_t askedBefore = session.asked.size();
    dialog.performPopupAction(entry(PopupAction::PrintImage), PopupContext::ImagePreview);
    QCOMPARE(session.asked.size(), askedBefore);
    QVERIFY(!QFile::exists(pdf));
}

void PrintingTest::theArchiveDialogPrintsItsIdentificationAndDescription()
{
    Session session;
    QVERIFY(session.prepare());
    vedra::indexing::NewArchive request;
    request.name = "lettere";
    QCOMPARE(vedra::indexing::CreateArchive(session.workspace, request).number, 1);
    auto& dialog = session.open();
    const QString pdf = session.file(QStringLiteral("archive.pdf"));
    dialog.printer().setPrinterChooser(pdfChooser(pdf));

    ui::CNomeArchivio archive(dialog, ui::CNomeArchivio::Mode::CurrentArchive, &dialog);
    archive.findChild<QPlainTextEdit*>(QStringLiteral("1491"))->setPlainText(QStringLiteral("Le lettere di casa\nanni 1990-2000"));
    QTest::mouseClick(archive.findChild<QPushButton*>(QStringLiteral("1516")), Qt::LeftButton);

    const QString identification = QString::fromStdString(session.workspace.currentArchiveName());
    QVERIFY(identification.endsWith(QStringLiteral("LETTERE_1")));
    QCOMPARE(pdfField(pdf, QStringLiteral("Title")), identification);
    QCOMPARE(printedLines(pdf), (QStringList{identification, QStringLiteral("Le lettere di casa"),
                                             QStringLiteral("anni 1990-2000")}));
}

void PrintingTest::theWindowEmptiesTheClipboardAtItsMoments()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.create();
    QApplication::clipboard()->setText(QStringLiteral("before start"));
    dialog.initialise();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // Minimise empties both search fields and the clipboard.
    dialog.searchPage()->setWordsText(QStringLiteral("parole"));
    QApplication::clipboard()->setText(QStringLiteral("while shown"));
    dialog.showMinimized();
    QTRY_VERIFY(QApplication::clipboard()->text().isEmpty());
    QCOMPARE(dialog.searchPage()->wordsText(), QString());
    dialog.showNormal();
    QApplication::processEvents();

    // Closing the window empties it as well.
    QApplication::clipboard()->setText(QStringLiteral("at the end"));
    dialog.close();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
}

VEDRA_UI_TEST_MAIN(PrintingTest)
#include "PrintingTest.moc"
