// The canvas is a plain child widget watched by the window, so that painting, the
// mouse and resizing stay in one place. Everything is drawn by paintContent, which
// also renders into an image for saving: what is saved is what the window shows.
#include "ui/CGrafica.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/SearchSession.h"
#include "core/utilities/BitmapFile.h"
#include "core/utilities/Launching.h"
#include "ui/MediaPane.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDoubleValidator>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>

namespace vedra::ui {
namespace {

using utilities::GraphPrimitiveKind;
using utilities::ScrollAction;

QColor colourOf(const utilities::GraphColour& colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

utilities::PreviewRect previewRect(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QString rangeText(double value)
{
    return QString::number(value, 'g', 12);
}

std::optional<ScrollAction> scrollActionOf(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return ScrollAction::LineOn;
    case QAbstractSlider::SliderSingleStepSub: return ScrollAction::LineBack;
    case QAbstractSlider::SliderPageStepAdd: return ScrollAction::PageOn;
    case QAbstractSlider::SliderPageStepSub: return ScrollAction::PageBack;
    case QAbstractSlider::SliderToMinimum: return ScrollAction::Start;
    case QAbstractSlider::SliderToMaximum: return ScrollAction::End;
    default: return std::nullopt;  // dragging the thumb goes where it is dragged
    }
}

QString askForBitmapName(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setNameFilter(QStringLiteral("Bitmap (*.bmp)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

utilities::BitmapImage bitmapOf(const QImage& shown)
{
    const QImage rgb = shown.convertToFormat(QImage::Format_RGB888);
    utilities::BitmapImage image;
    image.width = rgb.width();
    image.height = rgb.height();
    image.bitsPerPixel = 24;
    const std::uint64_t rowBytes = utilities::BitmapRowBytes(image.width, image.bitsPerPixel);
    image.bits.assign(rowBytes * static_cast<std::uint64_t>(image.height), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* source = rgb.constScanLine(y);
        std::uint8_t* target = image.bits.data() + rowBytes * static_cast<std::uint64_t>(y);
        for (int x = 0; x < rgb.width(); ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

} // namespace

CGrafica::CGrafica(SearchScreen& screen, QWidget* parent) : QWidget(parent, Qt::Window), m_screen(screen)
{
    setWindowTitle(QStringLiteral("Pre-view"));
    buildControls();
    resize(kDefaultWidth, kDefaultHeight);
}

CGrafica::~CGrafica() = default;

void CGrafica::buildControls()
{
    auto* top = new QHBoxLayout;
    top->setContentsMargins(4, 2, 4, 2);
    m_minimumEdit = new QLineEdit(rangeText(m_xMinimum), this);
    m_minimumEdit->setObjectName(QStringLiteral("1056"));
    auto* between = new QLabel(QStringLiteral("< x <"), this);
    between->setContentsMargins(4, 0, 4, 0);
    m_maximumEdit = new QLineEdit(rangeText(m_xMaximum), this);
    m_maximumEdit->setObjectName(QStringLiteral("1057"));
    for (QLineEdit* edit : {m_minimumEdit, m_maximumEdit}) {
        edit->setValidator(new QDoubleValidator(edit));
        edit->setMaximumWidth(90);
    }
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("1613"));
    connect(m_ok, &QPushButton::clicked, this, &CGrafica::DrawFunctionGraph);
    top->addWidget(m_minimumEdit);
    top->addWidget(between);
    top->addWidget(m_maximumEdit);
    top->addWidget(m_ok);
    top->addStretch(1);

    // Where no title bar tells the window of its minimise and maximise buttons,
    // these two do what those do.
    m_zoomOutButton = new QToolButton(this);
    m_zoomOutButton->setObjectName(QStringLiteral("zoomOutButton"));
    m_zoomOutButton->setText(QStringLiteral("\u2212"));
    m_zoomOutButton->setToolTip(QStringLiteral("Zoom -"));
    m_zoomInButton = new QToolButton(this);
    m_zoomInButton->setObjectName(QStringLiteral("zoomInButton"));
    m_zoomInButton->setText(QStringLiteral("+"));
    m_zoomInButton->setToolTip(QStringLiteral("Zoom +"));
    connect(m_zoomOutButton, &QToolButton::clicked, this, &CGrafica::zoomOutByButton);
    connect(m_zoomInButton, &QToolButton::clicked, this, &CGrafica::zoomInByButton);
    top->addWidget(m_zoomOutButton);
    top->addWidget(m_zoomInButton);
    // A close control of its own, for a desktop that draws no title bar.
    auto* closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setText(QStringLiteral("\u00d7"));
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);
    top->addWidget(closeButton);
    const bool buttons = hasZoomButtons();
    m_zoomOutButton->setVisible(buttons);
    m_zoomInButton->setVisible(buttons);

    m_canvas = new QWidget(this);
    m_canvas->setObjectName(QStringLiteral("canvas"));
    m_canvas->setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas->setMouseTracking(true);
    m_canvas->setMinimumSize(60, 60);
    m_canvas->installEventFilter(this);
    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    m_horizontal->setObjectName(QStringLiteral("horizontalScroll"));
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_vertical->setObjectName(QStringLiteral("verticalScroll"));
    for (QScrollBar* bar : {m_horizontal, m_vertical}) {
        const bool horizontal = bar == m_horizontal;
        bar->setRange(0, 0);
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar, horizontal](int action) { scrollAction(bar, horizontal, action); });
        connect(bar, &QScrollBar::valueChanged, this, [this, horizontal](int value) {
            int& offset = horizontal ? m_offsetX : m_offsetY;
            if (offset == value)
                return;
            offset = value;
            m_clipping.reset();
            m_canvas->update();
        });
    }

    auto* area = new QGridLayout;
    m_grid = area;
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(0);
    area->addWidget(m_canvas, 0, 0);
    area->addWidget(m_vertical, 0, 1);
    area->addWidget(m_horizontal, 1, 0);
    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->setSpacing(0);
    whole->addLayout(top);
    whole->addLayout(area, 1);
}

bool CGrafica::hasZoomButtons() const
{
    // Those platforms' window managers report minimising and maximising to the window.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("xcb") && platform != QLatin1String("windows") &&
           platform != QLatin1String("cocoa");
}

bool CGrafica::ShowPreviewFile(const std::string& path)
{
    app::Workspace& workspace = m_screen.workspace();
    const utilities::PreviewOpening opening = utilities::DecidePreviewFile(path, m_screen.session().run().lists());
    if (opening == utilities::PreviewOpening::Ignore)
        return false;
    if (opening == utilities::PreviewOpening::OpenWithProgram) {
        utilities::OpenWithRegisteredProgram(workspace, path);
        return false;
    }
    closeMedia();
    workspace.host().setStatus(path);
    m_zoom = 1;
    m_offsetX = 0;
    m_offsetY = 0;
    m_clipping.reset();
    m_fileName = path;
    if (m_pictureFile != path)
        releasePicture();
    setWindowTitle(displayed(path));
    m_undoingState = true;
    showNormal();
    m_undoingState = false;
    raise();
    if (opening == utilities::PreviewOpening::Media)
        showMedia(path);
    else
        showPicture(path);
    return true;
}

void CGrafica::showMedia(const std::string& path)
{
    if (m_media == nullptr) {
        m_media = new MediaPane(this);
        m_grid->addWidget(m_media, 0, 0, 2, 2);
        // Reported later too, once the backend has looked at the file: the window
        // may show another file by then.
        connect(m_media, &MediaPane::cannotPlay, this, [this](const QString& failed) {
            if (m_mode == Mode::Media && m_fileName == failed.toStdString())
                showPicture(m_fileName);
        });
    }
    m_mode = Mode::Media;
    m_canvas->hide();
    m_horizontal->hide();
    m_vertical->hide();
    m_media->show();
    // The file name's bytes as the file system has them.
    m_media->open(QFile::decodeName(QByteArray::fromStdString(path)), m_positions->remembered());
}

void CGrafica::closeMedia()
{
    if (m_media == nullptr)
        return;
    if (m_media->isOpen())
        m_positions->Remember(m_media->closeAndRemember());
    m_media->hide();
    m_canvas->show();
    m_horizontal->show();
    m_vertical->show();
}

void CGrafica::showPicture(const std::string& path)
{
    if (m_media != nullptr && m_media->isVisible()) {
        m_media->hide();
        m_canvas->show();
        m_horizontal->show();
        m_vertical->show();
    }
    m_mode = Mode::Picture;
    if (m_picture.isNull() && !LoadPicture(path))
        m_mode = Mode::Nothing;
    updateScrollBars();
    m_canvas->update();
}

bool CGrafica::LoadPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    QImage picture;
    if (!picture.loadFromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        return false;
    // Detached from the bytes read, which go away here.
    m_picture = picture.copy();
    m_pictureFile = path;
    return !m_picture.isNull();
}

void CGrafica::releasePicture()
{
    m_picture = QImage();
    m_pictureFile.clear();
}

utilities::PictureLayout CGrafica::layoutNow() const
{
    return utilities::FitPicture(m_picture.width(), m_picture.height(), m_canvas->width(), m_canvas->height(),
                                 m_zoom);
}

QRect CGrafica::pictureRect() const
{
    if (m_mode != Mode::Picture || m_picture.isNull())
        return {};
    const utilities::PictureLayout layout = layoutNow();
    return QRect(layout.left - m_offsetX, layout.top - m_offsetY, layout.width, layout.height)
        .intersected(m_canvas->rect());
}

QRect CGrafica::clipping() const
{
    const utilities::PreviewRect cut = m_clipping.clipping();
    return cut.empty() ? QRect() : QRect(cut.left, cut.top, cut.width, cut.height);
}

void CGrafica::updateScrollBars()
{
    int extentX = 0;
    int extentY = 0;
    if (m_mode == Mode::Picture && !m_picture.isNull()) {
        const utilities::PictureLayout layout = layoutNow();
        extentX = utilities::ScrollExtent(layout.width, m_canvas->width());
        extentY = utilities::ScrollExtent(layout.height, m_canvas->height());
    }
    m_offsetX = std::min(m_offsetX, extentX);
    m_offsetY = std::min(m_offsetY, extentY);
    for (auto [bar, extent, offset] : {std::tuple{m_horizontal, extentX, m_offsetX},
                                       std::tuple{m_vertical, extentY, m_offsetY}}) {
        QSignalBlocker quiet(bar);
        bar->setRange(0, extent);
        bar->setPageStep(std::max(1, bar == m_horizontal ? m_canvas->width() : m_canvas->height()));
        bar->setValue(offset);
    }
}

void CGrafica::scrollAction(QScrollBar* bar, bool horizontal, int action)
{
    if (m_mode != Mode::Picture)
        return;
    if (std::optional<ScrollAction> step = scrollActionOf(action))
        bar->setSliderPosition(utilities::ScrollPreview(bar->value(), *step, horizontal, bar->maximum()));
}

void CGrafica::setZoom(double zoom)
{
    if (m_mode == Mode::Media || m_mode == Mode::Graph)
        return;
    m_zoom = zoom;
    m_clipping.reset();
    updateScrollBars();
    m_canvas->update();
}

void CGrafica::zoomIn()
{
    setZoom(utilities::ZoomIn(m_zoom));
}

void CGrafica::zoomOut()
{
    setZoom(utilities::ZoomOut(m_zoom));
}

void CGrafica::zoomOutByButton()
{
    setZoom(utilities::ZoomOutByButton(m_zoom));
}

void CGrafica::zoomInByButton()
{
    setZoom(utilities::ZoomInByButton(m_zoom));
}

bool CGrafica::stepPicture(int direction)
{
    if (m_mode == Mode::Media || m_mode == Mode::Graph || m_fileName.empty())
        return false;
    const std::optional<std::string> next = utilities::StepFileName(m_fileName, direction);
    return next && ShowPreviewFile(*next);
}

bool CGrafica::saveShownPicture()
{
    const QRect region = clippingExists() ? clipping() : pictureRect();
    if (region.isEmpty())
        return false;
    const utilities::BitmapImage image = bitmapOf(renderContent().copy(region));
    const QString name = m_chooseSaveName ? m_chooseSaveName() : askForBitmapName(this);
    if (name.isEmpty())
        return false;
    return utilities::SaveBitmapFile(m_screen.workspace(), QFile::encodeName(name).toStdString(), image);
}

bool CGrafica::runImageEntry(utilities::PopupAction action)
{
    using utilities::PopupAction;
    switch (action) {
    case PopupAction::ZoomIn: zoomIn(); return true;
    case PopupAction::ZoomOut: zoomOut(); return true;
    case PopupAction::PreviousImage: stepPicture(-1); return true;
    case PopupAction::NextImage: stepPicture(1); return true;
    case PopupAction::SaveAsBmp:
    case PopupAction::SaveClipping: saveShownPicture(); return true;
    default: return false;
    }
}

bool CGrafica::readRange()
{
    bool good = true;
    for (auto [edit, value] : {std::pair{m_minimumEdit, &m_xMinimum}, std::pair{m_maximumEdit, &m_xMaximum}}) {
        QString text = edit->text().trimmed();
        text.replace(u',', u'.');
        bool number = false;
        const double read = QLocale::c().toDouble(text, &number);
        if (number && std::isfinite(read))
            *value = read;
        else
            good = false;
        edit->setText(rangeText(*value));
    }
    return good;
}

void CGrafica::DrawFunctionGraph()
{
    readRange();
    closeMedia();
    m_expression = m_expressionSource ? m_expressionSource() : std::string();
    m_mode = Mode::Graph;
    m_fileName.clear();
    releasePicture();
    m_clipping.reset();
    m_offsetX = 0;
    m_offsetY = 0;
    updateScrollBars();
    setWindowTitle(QString::fromLatin1(utilities::kGraphTitle));
    m_undoingState = true;
    showNormal();
    m_undoingState = false;
    raise();
    layOutGraph();
    m_canvas->update();
}

void CGrafica::layOutGraph()
{
    m_graph = utilities::DrawFunctionGraph(m_expression, m_xMinimum, m_xMaximum, m_canvas->width(),
                                           m_canvas->height());
}

QImage CGrafica::renderContent() const
{
    QImage image(m_canvas->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintContent(painter);
    return image;
}

void CGrafica::paintContent(QPainter& painter) const
{
    painter.fillRect(m_canvas->rect(), QColor(kBackgroundColour));
    if (m_mode == Mode::Graph) {
        paintGraph(painter);
        return;
    }
    if (m_mode != Mode::Picture || m_picture.isNull())
        return;
    const utilities::PictureLayout layout = layoutNow();
    const QRect target(layout.left - m_offsetX, layout.top - m_offsetY, layout.width, layout.height);
    const QRect visible = target.intersected(m_canvas->rect());
    if (visible.isEmpty())
        return;
    // Only the visible part is scaled: at a high zoom the whole picture would not fit
    // in memory.
    const double scaleX = static_cast<double>(m_picture.width()) / target.width();
    const double scaleY = static_cast<double>(m_picture.height()) / target.height();
    const QRectF source((visible.x() - target.x()) * scaleX, (visible.y() - target.y()) * scaleY,
                        visible.width() * scaleX, visible.height() * scaleY);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scaleX > 1 || scaleY > 1);
    painter.drawImage(QRectF(visible), m_picture, source);
}

void CGrafica::paintGraph(QPainter& painter) const
{
    QFont font(QString::fromLatin1(utilities::kGraphFontFamily));
    font.setPointSize(utilities::kGraphFontPoints);
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const utilities::GraphPrimitive& primitive : m_graph.primitives) {
        const QColor colour = colourOf(primitive.colour);
        switch (primitive.kind) {
        case GraphPrimitiveKind::FillRect:
            painter.fillRect(QRect(QPoint(primitive.x1, primitive.y1), QPoint(primitive.x2, primitive.y2)), colour);
            break;
        case GraphPrimitiveKind::Line:
            painter.setPen(QPen(colour, 0));
            painter.drawLine(primitive.x1, primitive.y1, primitive.x2, primitive.y2);
            painter.drawPoint(primitive.x2, primitive.y2);
            break;
        case GraphPrimitiveKind::Point:
            painter.setPen(QPen(colour, 0));
            painter.drawPoint(primitive.x1, primitive.y1);
            break;
        case GraphPrimitiveKind::Text:
            painter.setPen(colour);
            painter.drawText(QRect(primitive.x1, primitive.y1, 400, 100), Qt::AlignLeft | Qt::AlignTop,
                             displayed(primitive.text));
            break;
        }
    }
}

QPoint CGrafica::pictureSourceOffset() const
{
    if (m_picture.isNull())
        return {};
    const utilities::PictureLayout layout = layoutNow();
    if (layout.width <= 0 || layout.height <= 0)
        return {};
    return QPoint(static_cast<int>(static_cast<qint64>(m_offsetX) * m_picture.width() / layout.width),
                  static_cast<int>(static_cast<qint64>(m_offsetY) * m_picture.height() / layout.height));
}

void CGrafica::setProportionSketch(const std::optional<utilities::ProportionSketch>& sketch)
{
    m_sketch = sketch;
    m_canvas->update();
}

void CGrafica::paintOverlay(QPainter& painter) const
{
    if (m_sketch) {
        // The page as a rectangle, the picture as a four-cornered outline inside it.
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        const utilities::PrintRect& page = m_sketch->page;
        // Qt's outline of an n-wide rectangle lies n pixels apart: the corners land on
        // the sketch's own.
        painter.drawRect(page.left, page.top, page.width(), page.height());
        const utilities::PrintRect& picture = m_sketch->picture;
        const QPoint corners[] = {{picture.left, picture.top}, {picture.right, picture.top},
                                  {picture.right, picture.bottom}, {picture.left, picture.bottom}};
        painter.drawPolygon(corners, 4);
    }
    if (m_mode != Mode::Picture)
        return;
    if (m_clipping.stage() == utilities::ClippingTracker::Stage::Dragging) {
        const utilities::PreviewRect band = m_clipping.band();
        if (!band.empty()) {
            // Inverted, so that it shows on any picture.
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(band.left, band.top, band.width - 1, band.height - 1);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    if (const QRect cut = clipping(); !cut.isEmpty()) {
        // The frame lies outside the clipping, which keeps the picture's pixels.
        const QRect outer = cut.adjusted(-2, -2, 2, 2);
        const QColor frame(kClippingFrameColour);
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), 2), frame);
        painter.fillRect(QRect(outer.left(), outer.bottom() - 1, outer.width(), 2), frame);
        painter.fillRect(QRect(outer.left(), outer.top(), 2, outer.height()), frame);
        painter.fillRect(QRect(outer.right() - 1, outer.top(), 2, outer.height()), frame);
    }
}

void CGrafica::canvasMouse(QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton && m_mode == Mode::Picture) {
            m_clipping.press(at.x(), at.y(), previewRect(pictureRect()));
            m_canvas->update();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::LeftButton)
            m_clipping.release();
        break;
    case QEvent::MouseMove:
        if (m_clipping.move(at.x(), at.y()))
            m_canvas->update();
        break;
    default:
        break;
    }
}

bool CGrafica::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_canvas)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(m_canvas);
        paintContent(painter);
        paintOverlay(painter);
        return true;
    }
    case QEvent::Resize:
        m_clipping.reset();
        if (m_mode == Mode::Graph)
            layOutGraph();
        updateScrollBars();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        canvasMouse(event);
        return true;
    case QEvent::Wheel:
        if (m_mode == Mode::Picture) {
            const int turn = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (turn != 0)
                m_vertical->triggerAction(turn < 0 ? QAbstractSlider::SliderSingleStepAdd
                                                   : QAbstractSlider::SliderSingleStepSub);
        }
        return true;
    case QEvent::ContextMenu:
        m_screen.showPopupMenu(utilities::PopupContext::ImagePreview,
                               static_cast<QContextMenuEvent*>(event)->globalPos(), this);
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CGrafica::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The title bar's minimise and maximise buttons zoom the picture; the window
    // is put back as it was once the zoom is done. A media file leaves them alone.
    if (event->type() != QEvent::WindowStateChange || m_undoingState || m_undoPending || m_mode == Mode::Media)
        return;
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        zoomOutByButton();
    else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        zoomInByButton();
    else
        return;
    // One zoom for one click, however often the platform repeats the state before
    // the window is put back.
    m_undoPending = true;
    QTimer::singleShot(0, this, [this] {
        m_undoingState = true;
        showNormal();
        m_undoingState = false;
        m_undoPending = false;
    });
}

void CGrafica::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CGrafica::closeEvent(QCloseEvent* event)
{
    closeMedia();
    m_fileName.clear();
    releasePicture();
    m_clipping.reset();
    m_mode = Mode::Nothing;
    event->accept();
    emit closed();
}

} // namespace vedra::ui
