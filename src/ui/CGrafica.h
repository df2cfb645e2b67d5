// The image preview ("Pre-view"): a result that is a picture drawn to fit, zoomed,
// scrolled, stepped through numbered names, cut out and saved as a bitmap; a sound
// or video file is handed to the media pane; and the canvas of the function graph,
// whose x range it holds in 1056 and 1057 (OK 1613 draws). The main window creates
// it on first use and forgets it when it closes. Controls carry their id as object
// name; the drawing surface is "canvas".
#pragma once

#include "core/utilities/FunctionGraph.h"
#include "core/utilities/ImagePreviewRules.h"
#include "core/utilities/MediaKinds.h"
#include "core/utilities/PopupMenu.h"
#include "core/utilities/PrintGeometry.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QGridLayout;
class QLineEdit;
class QPainter;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace vedra::ui {

class MediaPane;
class SearchScreen;

class CGrafica : public QWidget {
    Q_OBJECT

public:
    enum class Mode { Nothing, Picture, Media, Graph };

    static constexpr int kDefaultWidth = 640;
    static constexpr int kDefaultHeight = 480;
    static constexpr QRgb kBackgroundColour = qRgb(236, 236, 236);
    static constexpr QRgb kClippingFrameColour = qRgb(220, 0, 0);

    // `screen` is lent for the window's lifetime.
    explicit CGrafica(SearchScreen& screen, QWidget* parent = nullptr);
    ~CGrafica() override;

    // A web address goes to its registered program and a file that cannot be read
    // is ignored; any other file becomes the shown one (status line and title its
    // path, zoom 1, offsets 0, the clipping gone): played when it is sound or video,
    // else drawn when it is a picture Qt reads. True when the window shows it.
    bool ShowPreviewFile(const std::string& path);

    // OK 1613: the graph of the expression source's text over 1056 ... 1057.
    void DrawFunctionGraph();
    // The graph's expression (cp1252): the main window gives the notes text.
    void setExpressionSource(std::function<std::string()> source) { m_expressionSource = std::move(source); }
    // The name "Save as Bmp" writes to; an empty name is a cancelled dialog. The
    // default asks with a save dialog for a ".bmp" file.
    void setSaveNameChooser(std::function<QString()> chooser) { m_chooseSaveName = std::move(chooser); }

    // Where a media file starts and where the pane's position is kept when it
    // closes: the main window's memory, which outlives this window. Without one the
    // window keeps its own.
    void setMediaPositions(utilities::MediaPositionMemory* positions) { m_positions = positions; }
    // A playing media file remembers its position and stops (closing, a new file,
    // the program's shutdown). Nothing happens without one.
    void closeMedia();
    // The media pane once a media file was shown; null before.
    MediaPane* mediaPane() const { return m_media; }

    // An entry of the image menu. False for the entries this window does not
    // carry out itself ("Print image", "Clean background", anything else).
    bool runImageEntry(utilities::PopupAction action);

    // The zoom set as it stands (the steps keep it within their limits); not in
    // media or graph mode. The picture is laid out again and the clipping dropped.
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    // What the title bar's minimise and maximise buttons do (and the two small
    // buttons where the platform does not tell the window about those).
    void zoomOutByButton();
    void zoomInByButton();
    // "Previous" (-1) / "Following" (+1): the nearest numbered neighbour shown.
    bool stepPicture(int direction);
    // "Save as Bmp" / "Save clipping": the picture as shown, or the clipping,
    // written as a 24-bit bitmap to the chosen name. True when written.
    bool saveShownPicture();

    Mode mode() const { return m_mode; }
    double zoom() const { return m_zoom; }
    const std::string& fileName() const { return m_fileName; }
    bool hasPicture() const { return !m_picture.isNull(); }
    QSize pictureSize() const { return m_picture.size(); }
    // The picture's drawn rectangle in canvas pixels, cut to the canvas.
    QRect pictureRect() const;
    bool clippingExists() const { return m_clipping.exists(); }
    QRect clipping() const;
    int horizontalOffset() const { return m_offsetX; }
    int verticalOffset() const { return m_offsetY; }
    double xMinimum() const { return m_xMinimum; }
    double xMaximum() const { return m_xMaximum; }
    const utilities::GraphPicture& graph() const { return m_graph; }
    QWidget* canvas() const { return m_canvas; }
    // True when the small zoom buttons stand in for the title bar's.
    bool hasZoomButtons() const;

    // The scroll offsets in the picture's own pixels (they count drawn pixels).
    QPoint pictureSourceOffset() const;
    // The proportion of a picture on the printed page, drawn over the canvas in
    // black while a print asks about it; nullopt takes it away.
    void setProportionSketch(const std::optional<utilities::ProportionSketch>& sketch);
    const std::optional<utilities::ProportionSketch>& proportionSketch() const { return m_sketch; }

    // What the canvas shows without the rubber band and the clipping's frame.
    QImage renderContent() const;

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    // The media pane over the client area, playing from the remembered position; a
    // file it cannot play is tried as a picture.
    void showMedia(const std::string& path);
    void showPicture(const std::string& path);
    // The whole file read into memory and decoded by Qt's image readers; a file
    // that is not a picture gives none.
    bool LoadPicture(const std::string& path);
    void releasePicture();
    utilities::PictureLayout layoutNow() const;
    void updateScrollBars();
    void scrollAction(QScrollBar* bar, bool horizontal, int action);
    void paintContent(QPainter& painter) const;
    void paintGraph(QPainter& painter) const;
    void paintOverlay(QPainter& painter) const;
    void layOutGraph();
    bool readRange();
    void canvasMouse(QEvent* event);

    SearchScreen& m_screen;
    std::function<std::string()> m_expressionSource;
    std::function<QString()> m_chooseSaveName;

    QWidget* m_canvas = nullptr;
    QGridLayout* m_grid = nullptr;  // the client area: the canvas and its scroll bars
    MediaPane* m_media = nullptr;
    utilities::MediaPositionMemory m_ownPositions;
    utilities::MediaPositionMemory* m_positions = &m_ownPositions;
    QScrollBar* m_horizontal = nullptr;
    QScrollBar* m_vertical = nullptr;
    QLineEdit* m_minimumEdit = nullptr;
    QLineEdit* m_maximumEdit = nullptr;
    QPushButton* m_ok = nullptr;
    QToolButton* m_zoomOutButton = nullptr;
    QToolButton* m_zoomInButton = nullptr;

    Mode m_mode = Mode::Nothing;
    std::string m_fileName;
    std::string m_pictureFile;  // the file m_picture was read from
    QImage m_picture;
    double m_zoom = 1;
    int m_offsetX = 0;
    int m_offsetY = 0;
    utilities::ClippingTracker m_clipping;
    double m_xMinimum = -10;
    double m_xMaximum = 10;
    std::string m_expression;
    utilities::GraphPicture m_graph;
    std::optional<utilities::ProportionSketch> m_sketch;
    bool m_undoingState = false;
    bool m_undoPending = false;
};

} // namespace vedra::ui
