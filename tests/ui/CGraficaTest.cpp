// The image preview on its own (pictures made by the tests, shown, zoomed,
// scrolled, stepped, cut out and saved; a file that is no picture), the graph it
// draws against the engine's primitives, and its place in the main window: a
// clicked picture result opens it, the image menu drives it, closing forgets it.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/search/ResultRowFormat.h"
#include "core/utilities/FunctionGraph.h"
#include "core/utilities/ImagePreviewRules.h"
#include "support/GraphRaster.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CNote.h"
#include "ui/CTastoDestro.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <algorithm>

using vedra::ui::CGrafica;
using vedra::uitest::ScreenStandIn;
using vedra::utilities::PopupAction;

namespace {

// A picture whose every pixel differs from its neighbours, so a shifted or scaled
// copy is told from the original.
QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, (x + y) % 256));
    return image;
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

std::string savedPicture(ScreenStandIn& screen, const QString& name, const QImage& image, const char* format = nullptr)
{
    const QString path = screen.directory.filePath(name);
    return image.save(path, format) ? path.toStdString() : std::string();
}

QImage shown(const CGrafica& window)
{
    return window.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool close(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

struct Window {
    ScreenStandIn screen;
    CGrafica window{screen};
    Window()
    {
        window.resize(CGrafica::kDefaultWidth, CGrafica::kDefaultHeight);
        window.show();
    }
};

} // namespace

class CGraficaTest : public QObject {
    Q_OBJECT

private slots:
    void aPngAndAJpegAreShownWithTheirPathAsTitle();
    void zoomStopsAtItsLimitsFromTheMenuTheTitleBarAndTheButtons();
    void scrollBarsStepAndStopAtThePicturesEnd();
    void followingAndPreviousStepThroughNumberedNames();
    void aClippingSavedAsBmpHoldsTheWindowsPixels();
    void theWholePictureIsSavedWithoutAClippingAndACancelWritesNothing();
    void aFileThatIsNoPictureDrawsNothing();
    void theGraphIsDrawnWhereTheEnginesPrimitivesPutIt();
    void aClickedPictureResultOpensThePreviewAndTheImageMenuDrivesIt();
};

void CGraficaTest::aPngAndAJpegAreShownWithTheirPathAsTitle()
{
    Window w;
    const std::string png = savedPicture(w.screen, QStringLiteral("red.png"), solid(300, 200, qRgb(200, 30, 40)));
    const std::string jpeg = savedPicture(w.screen, QStringLiteral("blue.jpg"), solid(900, 300, qRgb(20, 40, 220)),
                                          "JPG");
    QVERIFY(!png.empty());
    QVERIFY2(!jpeg.empty(), "Qt cannot write JPEG here");

    QVERIFY(w.window.ShowPreviewFile(png));
    QCOMPARE(w.window.windowTitle(), QString::fromStdString(png));
    QCOMPARE(w.screen.host.status(), png);
    QCOMPARE(w.window.mode(), CGrafica::Mode::Picture);
    QCOMPARE(w.window.pictureSize(), QSize(300, 200));
    QWidget* canvas = w.window.canvas();
    // Small enough to fit: drawn as it is, centred.
    const QRect drawn = w.window.pictureRect();
    QCOMPARE(drawn.size(), QSize(300, 200));
    QCOMPARE(drawn.left(), (canvas->width() - 300) / 2);
    QImage screen = shown(w.window);
    QCOMPARE(screen.pixel(drawn.center()), qRgb(200, 30, 40));
    QCOMPARE(screen.pixel(drawn.left() - 1, drawn.center().y()), CGrafica::kBackgroundColour);

    w.window.setZoom(3);
    w.window.findChild<QScrollBar*>(QStringLiteral("horizontalScroll"))
        ->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QVERIFY(w.window.horizontalOffset() > 0);

    // Wider than the canvas: shrunk by its overflow to fit, the margin kept.
    QVERIFY(w.window.ShowPreviewFile(jpeg));
    QCOMPARE(w.window.windowTitle(), QString::fromStdString(jpeg));
    QCOMPARE(w.window.zoom(), 1.0);
    QCOMPARE(w.window.horizontalOffset(), 0);
    const vedra::utilities::PictureLayout fit =
        vedra::utilities::FitPicture(900, 300, canvas->width(), canvas->height(), 1);
    QCOMPARE(fit.width, canvas->width());
    QCOMPARE(fit.left, 10);
    // Fitted to the width and then moved in by the margin: its last pixels are
    // reached by scrolling the margin's width twice.
    QCOMPARE(w.window.pictureRect(), QRect(fit.left, fit.top, fit.width, fit.height).intersected(canvas->rect()));
    auto* horizontal = w.window.findChild<QScrollBar*>(QStringLiteral("horizontalScroll"));
    QCOMPARE(horizontal->maximum(), 20);
    horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(w.window.pictureRect().right(), canvas->width() - 11);
    horizontal->triggerAction(QAbstractSlider::SliderToMinimum);
    screen = shown(w.window);
    QVERIFY(close(screen.pixel(w.window.pictureRect().center()), qRgb(20, 40, 220), 12));
}

void CGraficaTest::zoomStopsAtItsLimitsFromTheMenuTheTitleBarAndTheButtons()
{
    Window w;
    QVERIFY(w.window.ShowPreviewFile(savedPicture(w.screen, QStringLiteral("p.png"), pattern(40, 30))));
    for (int i = 0; i < 12; ++i)
        QVERIFY(w.window.runImageEntry(PopupAction::ZoomOut));
    QCOMPARE(w.window.zoom(), 0.1);
    w.window.zoomOut();
    QCOMPARE(w.window.zoom(), 0.1);
    QCOMPARE(w.window.pictureRect().size(), QSize(4, 3));

    w.window.setZoom(99.95);
    w.window.runImageEntry(PopupAction::ZoomIn);
    QVERIFY(w.window.zoom() > 100);
    const double past = w.window.zoom();
    w.window.runImageEntry(PopupAction::ZoomIn);
    QCOMPARE(w.window.zoom(), past);
    // Only what the canvas shows is drawn at that size.
    QCOMPARE(w.window.pictureRect(), w.window.canvas()->rect().adjusted(10, 10, 0, 0));

    // The title bar's buttons reach the window as the platform's state change; the
    // state is undone after zooming, once for each click.
    QWindow* platform = w.window.windowHandle();
    QVERIFY(platform != nullptr);
    auto titleBar = [&](Qt::WindowState state) {
        platform->setWindowState(state);
        QTRY_VERIFY(w.window.windowState() == Qt::WindowNoState && platform->windowState() == Qt::WindowNoState);
        QTest::qWait(20);
    };
    w.window.setZoom(3);
    titleBar(Qt::WindowMinimized);
    QCOMPARE(w.window.zoom(), 2.0);
    titleBar(Qt::WindowMaximized);
    QCOMPARE(w.window.zoom(), 3.0);
    w.window.setZoom(1);
    titleBar(Qt::WindowMinimized);
    QCOMPARE(w.window.zoom(), 0.9);

    // Offscreen there is no title bar: the two small buttons do the same.
    QVERIFY(w.window.hasZoomButtons());
    auto* in = w.window.findChild<QToolButton*>(QStringLiteral("zoomInButton"));
    auto* out = w.window.findChild<QToolButton*>(QStringLiteral("zoomOutButton"));
    QVERIFY(in->isVisible() && out->isVisible());
    in->click();
    QCOMPARE(w.window.zoom(), 1.9);
    out->click();
    out->click();
    QCOMPARE(w.window.zoom(), 0.8);
}

void CGraficaTest::scrollBarsStepAndStopAtThePicturesEnd()
{
    Window w;
    QVERIFY(w.window.ShowPreviewFile(savedPicture(w.screen, QStringLiteral("big.png"), pattern(400, 300))));
    auto* horizontal = w.window.findChild<QScrollBar*>(QStringLiteral("horizontalScroll"));
    auto* vertical = w.window.findChild<QScrollBar*>(QStringLiteral("verticalScroll"));
    QCOMPARE(horizontal->maximum(), 0);  // it fits
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.window.horizontalOffset(), 0);

    w.window.setZoom(4);
    QCOMPARE(w.window.pictureRect().topLeft(), QPoint(10, 10));
    const QImage before = shown(w.window);
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.window.horizontalOffset(), 100);
    QCOMPARE(w.window.verticalOffset(), 50);
    // The picture moved under the canvas by the offsets, its pixels with it.
    const QImage after = shown(w.window);
    for (const QPoint at : {QPoint(20, 20), QPoint(300, 200), QPoint(417, 333)})
        QCOMPARE(after.pixel(at), before.pixel(at + QPoint(100, 50)));
    vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(w.window.verticalOffset(), 250);
    vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
    vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(w.window.verticalOffset(), 0);

    const int extent = vedra::utilities::ScrollExtent(1600, w.window.canvas()->width());
    QCOMPARE(horizontal->maximum(), extent);
    horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(w.window.horizontalOffset(), extent);
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.window.horizontalOffset(), extent);
    // At the end the picture's right edge lies the margin inside the canvas.
    QCOMPARE(w.window.pictureRect().right(), w.window.canvas()->width() - 1 - 10);
    // Zooming back lays it out again with the offsets inside the new range.
    w.window.setZoom(1);
    QCOMPARE(w.window.horizontalOffset(), 0);
}

void CGraficaTest::followingAndPreviousStepThroughNumberedNames()
{
    Window w;
    const std::string nine = savedPicture(w.screen, QStringLiteral("img009.png"), solid(20, 20, qRgb(9, 9, 9)));
    const std::string ten = savedPicture(w.screen, QStringLiteral("img010.png"), solid(20, 20, qRgb(10, 10, 10)));
    const std::string seven = savedPicture(w.screen, QStringLiteral("img007.png"), solid(20, 20, qRgb(7, 7, 7)));
    const std::string plain = savedPicture(w.screen, QStringLiteral("plain.png"), solid(20, 20, qRgb(1, 1, 1)));
    QVERIFY(w.window.ShowPreviewFile(nine));
    w.window.setZoom(2);
    QVERIFY(w.window.runImageEntry(PopupAction::NextImage));
    QCOMPARE(w.window.fileName(), ten);
    QCOMPARE(w.window.windowTitle(), QString::fromStdString(ten));
    QCOMPARE(w.window.zoom(), 1.0);
    QCOMPARE(shown(w.window).pixel(w.window.pictureRect().center()), qRgb(10, 10, 10));
    QVERIFY(!w.window.stepPicture(1));  // no img011 nor any up to 1000 away
    QCOMPARE(w.window.fileName(), ten);
    w.window.runImageEntry(PopupAction::PreviousImage);
    w.window.runImageEntry(PopupAction::PreviousImage);
    QCOMPARE(w.window.fileName(), seven);  // img008 is missing: skipped
    QCOMPARE(shown(w.window).pixel(w.window.pictureRect().center()), qRgb(7, 7, 7));
    QVERIFY(w.window.ShowPreviewFile(plain));
    QVERIFY(!w.window.stepPicture(1));
    QVERIFY(!w.window.stepPicture(-1));
    QCOMPARE(w.window.fileName(), plain);
}

void CGraficaTest::aClippingSavedAsBmpHoldsTheWindowsPixels()
{
    Window w;
    QVERIFY(w.window.ShowPreviewFile(savedPicture(w.screen, QStringLiteral("cut.png"), pattern(300, 200))));
    w.window.setZoom(1.5);
    QWidget* canvas = w.window.canvas();
    const QRect picture = w.window.pictureRect();
    const QPoint start = picture.topLeft() + QPoint(30, 20);
    const QPoint end = picture.topLeft() + QPoint(151, 96);
    QTest::mousePress(canvas, Qt::LeftButton, {}, start);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, start);
    QTest::mouseMove(canvas, end);
    QVERIFY(!w.window.clippingExists());
    QTest::mousePress(canvas, Qt::LeftButton, {}, end);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, end);
    QVERIFY(w.window.clippingExists());
    const QRect clipping = w.window.clipping();
    QCOMPARE(clipping, QRect(start, end));

    const QImage screen = shown(w.window);
    // Framed two pixels wide outside, the inside untouched.
    QCOMPARE(screen.pixel(clipping.left() - 1, clipping.center().y()), CGrafica::kClippingFrameColour);
    QCOMPARE(screen.pixel(clipping.left() - 2, clipping.center().y()), CGrafica::kClippingFrameColour);
    QVERIFY(screen.pixel(clipping.left() - 3, clipping.center().y()) != CGrafica::kClippingFrameColour);
    QCOMPARE(screen.pixel(clipping.center().x(), clipping.bottom() + 2), CGrafica::kClippingFrameColour);

    const QString path = w.screen.directory.filePath(QStringLiteral("clipping.bmp"));
    w.window.setSaveNameChooser([path] { return path; });
    QVERIFY(w.window.runImageEntry(PopupAction::SaveClipping));
    QImage saved(path);
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.size(), clipping.size());
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), screen.copy(clipping));
    const QByteArray bytes = vedra::uitest::readAll(path);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(static_cast<unsigned char>(bytes[28]), 24u);  // bits per pixel

    // A second click takes the clipping away; so does a zoom.
    QTest::mousePress(canvas, Qt::LeftButton, {}, start);
    QVERIFY(!w.window.clippingExists());
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, start);
    QTest::mousePress(canvas, Qt::LeftButton, {}, start);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, start);
    QTest::mouseMove(canvas, end);
    QTest::mousePress(canvas, Qt::LeftButton, {}, end);
    QVERIFY(w.window.clippingExists());
    w.window.zoomIn();
    QVERIFY(!w.window.clippingExists());
    // A press outside the picture starts nothing.
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(canvas, picture.center());
    QTest::mousePress(canvas, Qt::LeftButton, {}, picture.center());
    QVERIFY(!w.window.clippingExists());
}

void CGraficaTest::theWholePictureIsSavedWithoutAClippingAndACancelWritesNothing()
{
    Window w;
    QVERIFY(w.window.ShowPreviewFile(savedPicture(w.screen, QStringLiteral("whole.png"), pattern(123, 77))));
    const QString path = w.screen.directory.filePath(QStringLiteral("whole.bmp"));
    w.window.setSaveNameChooser([] { return QString(); });
    QVERIFY(!w.window.saveShownPicture());
    QVERIFY(!QFile::exists(path));
    w.window.setSaveNameChooser([path] { return path; });
    QVERIFY(w.window.runImageEntry(PopupAction::SaveAsBmp));
    QImage saved(path);
    // Odd widths need padded rows: the file must still read back pixel for pixel.
    QCOMPARE(saved.size(), QSize(123, 77));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), pattern(123, 77));
}

void CGraficaTest::aFileThatIsNoPictureDrawsNothing()
{
    Window w;
    const QString fake = w.screen.directory.filePath(QStringLiteral("fake.png"));
    QVERIFY(vedra::uitest::writeAll(fake, QByteArray("\x89PNG not really a picture\0\1\2", 28)));
    const QString empty = w.screen.directory.filePath(QStringLiteral("empty.jpg"));
    QVERIFY(vedra::uitest::writeAll(empty, QByteArray()));
    for (const QString& path : {fake, empty}) {
        QVERIFY(w.window.ShowPreviewFile(path.toStdString()));
        QCOMPARE(w.window.windowTitle(), path);
        QCOMPARE(w.window.mode(), CGrafica::Mode::Nothing);
        const QImage screen = shown(w.window);
        QCOMPARE(screen, solid(screen.width(), screen.height(), CGrafica::kBackgroundColour));
        w.window.zoomIn();
        w.window.zoomInByButton();
        QVERIFY(w.window.pictureRect().isEmpty());
        QTest::mousePress(w.window.canvas(), Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(!w.window.clippingExists());
        QVERIFY(!w.window.saveShownPicture());
    }
    // A file that cannot be read is not shown at all.
    QVERIFY(!w.window.ShowPreviewFile(w.screen.directory.filePath(QStringLiteral("none.png")).toStdString()));
    QCOMPARE(w.window.windowTitle(), empty);
}

void CGraficaTest::theGraphIsDrawnWhereTheEnginesPrimitivesPutIt()
{
    Window w;
    w.window.setExpressionSource([] { return std::string("x^2 - 2"); });
    auto* minimum = w.window.findChild<QLineEdit*>(QStringLiteral("1056"));
    auto* maximum = w.window.findChild<QLineEdit*>(QStringLiteral("1057"));
    minimum->setText(QStringLiteral("-3"));
    maximum->setText(QStringLiteral("3"));
    w.window.findChild<QPushButton*>(QStringLiteral("1613"))->click();
    QCOMPARE(w.window.windowTitle(), QStringLiteral("Graph"));
    QCOMPARE(w.window.mode(), CGrafica::Mode::Graph);
    QCOMPARE(w.window.xMinimum(), -3.0);
    QCOMPARE(w.window.xMaximum(), 3.0);

    QWidget* canvas = w.window.canvas();
    const vedra::utilities::GraphPicture expected =
        vedra::utilities::DrawFunctionGraph("x^2 - 2", -3, 3, canvas->width(), canvas->height());
    QCOMPARE(w.window.graph().primitives.size(), expected.primitives.size());
    QVERIFY(expected.zeroColumn > 0);
    QCOMPARE(expected.extremes.size(), std::size_t{1});

    // The tests' own painter draws the same primitives; the window's pixels must
    // agree with it wherever a primitive decides them alone: the axes, the ends of
    // every curve segment (in between, two line painters may split a steep step
    // differently), the white plot, and a label's ink inside the box it starts.
    const vedra::testing::GraphRaster reference(expected);
    const QImage screen = shown(w.window);
    QCOMPARE(screen.size(), QSize(reference.width(), reference.height()));
    std::vector<QRect> labels;
    for (const auto& primitive : expected.primitives)
        if (primitive.kind == vedra::utilities::GraphPrimitiveKind::Text)
            labels.emplace_back(primitive.x1, primitive.y1, 8 * static_cast<int>(primitive.text.size()) + 4, 14);
    auto inLabel = [&](int x, int y) {
        return std::any_of(labels.begin(), labels.end(), [&](const QRect& box) { return box.contains(x, y); });
    };
    auto rgb = [](const vedra::utilities::GraphColour& colour) { return qRgb(colour.red, colour.green, colour.blue); };
    const QRgb axis = rgb(vedra::utilities::kGraphAxisColour);
    const QRgb curve = rgb(vedra::utilities::kGraphCurveColour);
    const QRgb white = rgb(vedra::utilities::kGraphBackground);

    int axisPixels = 0;
    for (int x = 0; x < screen.width(); ++x) {
        if (!inLabel(x, expected.axisRow) && rgb(reference.at(x, expected.axisRow)) == axis) {
            QCOMPARE(screen.pixel(x, expected.axisRow), axis);
            ++axisPixels;
        }
    }
    QVERIFY(axisPixels > screen.width() / 2);
    for (int y : reference.rowsIn(expected.zeroColumn, vedra::utilities::kGraphAxisColour))
        if (!inLabel(expected.zeroColumn, y))
            QCOMPARE(screen.pixel(expected.zeroColumn, y), axis);

    int ends = 0;
    for (const auto& primitive : expected.primitives) {
        if (primitive.kind != vedra::utilities::GraphPrimitiveKind::Line || rgb(primitive.colour) != curve)
            continue;
        for (const QPoint end : {QPoint(primitive.x1, primitive.y1), QPoint(primitive.x2, primitive.y2)}) {
            if (!screen.rect().contains(end) || inLabel(end.x(), end.y()) || rgb(reference.at(end.x(), end.y())) != curve)
                continue;
            QVERIFY2(screen.pixel(end) == curve, qPrintable(QStringLiteral("curve at %1,%2").arg(end.x()).arg(end.y())));
            ++ends;
        }
    }
    QVERIFY(ends > 200);

    int stray = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (!inLabel(x, y) && rgb(reference.at(x, y)) == white && screen.pixel(x, y) != white &&
                screen.pixel(x, y) != curve)
                ++stray;
    QCOMPARE(stray, 0);

    for (const auto& primitive : expected.primitives) {
        if (primitive.kind != vedra::utilities::GraphPrimitiveKind::Text)
            continue;
        const QRgb ink = rgb(primitive.colour);
        // The label's own rows: an axis-coloured label must not count the axis.
        const QRect box(primitive.x1, primitive.y1, 6 * static_cast<int>(primitive.text.size()) + 2, 9);
        int inked = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QRgb pixel = screen.pixel(x, y);
                const bool axisLine = y == expected.axisRow || x == expected.zeroColumn;
                if (screen.rect().contains(x, y) && pixel != white && !axisLine && (ink == axis || pixel != axis) &&
                    close(pixel, ink, 110))
                    ++inked;
            }
        QVERIFY2(inked > 3, primitive.text.c_str());
    }

    // A picture shown afterwards replaces the graph.
    QVERIFY(w.window.ShowPreviewFile(savedPicture(w.screen, QStringLiteral("after.png"), solid(10, 10, qRgb(1, 2, 3)))));
    QCOMPARE(w.window.mode(), CGrafica::Mode::Picture);
}

void CGraficaTest::aClickedPictureResultOpensThePreviewAndTheImageMenuDrivesIt()
{
    vedra::uitest::Session session;
    QVERIFY(session.prepare());
    vedra::indexing::NewArchive request;
    request.name = "pictures";
    QVERIFY(vedra::indexing::CreateArchive(session.workspace, request).number == 1);
    auto& dialog = session.open();
    session.workspace.LanguageIndex = 1;
    // A search loads the archive's lists, the multimedia one among them.
    vedra::ui::CMyPropertyPage2* page = dialog.searchPage();
    if (auto* notes = page->findChild<QCheckBox*>(QStringLiteral("1839")); notes->isChecked())
        notes->click();
    page->setWordsText(QStringLiteral("picture"));
    page->search();

    const QString picturePath = session.file(QStringLiteral("shot01.png"));
    QVERIFY(pattern(64, 48).save(picturePath));
    const QString jpegPath = session.file(QStringLiteral("shot02.jpeg"));
    QVERIFY(solid(64, 48, qRgb(250, 250, 0)).save(jpegPath, "JPG"));
    const QString textPath = session.file(QStringLiteral("notes.txt"));
    QVERIFY(vedra::uitest::writeAll(textPath, "picture of nothing\n"));
    for (const QString& path : {textPath, picturePath, jpegPath}) {
        vedra::search::ResultRowInput input;
        input.path = path.toStdString();
        input.wordsText = "picture";
        input.documentKind = 'f';
        input.archiveName = "C_PICTURES_1";
        dialog.session().results().append(vedra::search::FormatResultRow(input));
    }
    dialog.refreshResults();
    auto* list = session.control<QTableView>("1001");
    auto clickRow = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    };
    clickRow(0);
    QVERIFY(dialog.imagePreview() == nullptr);  // a text result stays in the text preview
    clickRow(2);
    QPointer<CGrafica> window = dialog.imagePreview();
    QVERIFY(window != nullptr);
    QCOMPARE(window->windowTitle(), jpegPath);
    QVERIFY(close(shown(*window).pixel(window->pictureRect().center()), qRgb(250, 250, 0), 12));
    clickRow(1);
    QCOMPARE(dialog.imagePreview(), window.data());  // reused
    QCOMPARE(window->windowTitle(), picturePath);
    QCOMPARE(window->mode(), CGrafica::Mode::Picture);

    // The image menu: its entries reach the window; a clipping turns "Save as Bmp"
    // into "Save clipping".
    auto entries = [&] {
        dialog.showPopupMenu(vedra::utilities::PopupContext::ImagePreview, window->mapToGlobal(QPoint(5, 5)), window);
        QStringList labels;  // without their check slot
        for (const std::string& entry : dialog.popupWindow()->menu().entries)
            labels << QString::fromStdString(entry).mid(1);
        return labels;
    };
    QVERIFY(entries().contains(QStringLiteral("Save as Bmp")));
    dialog.performPopupAction({PopupAction::ZoomIn, false, true}, vedra::utilities::PopupContext::ImagePreview);
    QCOMPARE(window->zoom(), 1.1);
    QWidget* canvas = window->canvas();
    const QPoint inside = window->pictureRect().center();
    QTest::mousePress(canvas, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, inside);
    QTest::mouseMove(canvas, inside + QPoint(10, 10));
    QTest::mousePress(canvas, Qt::LeftButton, {}, inside + QPoint(10, 10));
    QVERIFY(window->clippingExists());
    QVERIFY(entries().contains(QStringLiteral("Save clipping")));
    dialog.closePopupMenu();

    // Closed, it is forgotten; the next picture opens a new one.
    window->close();
    QTRY_VERIFY(window.isNull());
    QVERIFY(dialog.imagePreview() == nullptr);
    clickRow(1);
    QVERIFY(dialog.imagePreview() != nullptr);
    QCOMPARE(dialog.imagePreview()->zoom(), 1.0);

    // The utility page's "Graph" draws the notes text, opening the window when none is.
    dialog.imagePreview()->close();
    QTRY_VERIFY(dialog.imagePreview() == nullptr);
    dialog.notePage()->findChild<QPlainTextEdit*>(QStringLiteral("1475"))->setPlainText(QStringLiteral("x^2 - 2"));
    dialog.notePage()->findChild<QPushButton*>(QStringLiteral("drawGraph"))->click();
    QPointer<CGrafica> graph = dialog.imagePreview();
    QVERIFY(graph != nullptr);
    QCOMPARE(graph->windowTitle(), QStringLiteral("Graph"));
    QCOMPARE(graph->mode(), CGrafica::Mode::Graph);
    QVERIFY(graph->fileName().empty());
    QVERIFY(!graph->graph().primitives.empty());
}

VEDRA_UI_TEST_MAIN(CGraficaTest)
#include "CGraficaTest.moc"
