// The image preview's rules that need no window: zoom steps, fitting a picture into
// the client area, scrolling, and "Previous" / "Following" through numbered files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::indexing {
class ArchiveLists;
}

namespace vedra::utilities {

constexpr double kMinimumZoom = 0.1;
constexpr double kMaximumZoom = 100;

// "Zoom +": 0.1 more while below 100 (so 99.95 goes to 100.05 once, then stays).
double ZoomIn(double zoom);
// "Zoom -": 0.1 less while above 0.1.
double ZoomOut(double zoom);
// The title bar's minimise button: 1 less while above 1, else 0.1 less while above 0.1.
double ZoomOutByButton(double zoom);
// The maximise and restore buttons: 1 more while below 100.
double ZoomInByButton(double zoom);

struct PictureLayout {
    int left = 0;
    int top = 0;
    int width = 0;   // drawn size
    int height = 0;
};

// Where a picture of the given size is drawn: scaled down by the larger of its two
// overflow percentages when it is larger than the client area, times the zoom,
// centred with a margin of at least 10 pixels on the left and top.
PictureLayout FitPicture(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight, double zoom);

enum class ScrollAction { LineBack, LineOn, PageBack, PageOn, Start, End };

// A scroll offset after `action`: lines of 100 pixels horizontally and 50
// vertically, pages of 200; never below 0 nor past `extent` (the picture's size at
// the current zoom).
int ScrollPreview(int offset, ScrollAction action, bool horizontal, int extent);

// "Previous" (-1) and "Following" (+1): the first run of digits in the file's name
// (not its folders) stepped by one at a time, at most 1000 away and never below 0,
// written with as many digits as before ("009" to "010", "010" to "009") and, when
// that file is missing, without leading zeros ("10" to "9"). The first candidate
// that `exists` accepts; empty optional when there is none or the name holds no
// digits.
std::optional<std::string> StepFileName(const std::string& path, int direction,
                                        const std::function<bool(const std::string&)>& exists);

// The same over the file system: a candidate must be an existing regular file.
std::optional<std::string> StepFileName(const std::string& path, int direction);

// True for the sound and video extensions among the multimedia ones: such a file
// is played, not drawn. A name whose extension is not in the multimedia list
// (`inMultimediaList` false) is never played, so removing ".wav" from the list
// makes the preview stop playing it.
bool IsSoundOrVideo(std::string_view fileName, bool inMultimediaList);

// What the preview does with a file it is asked to show.
enum class PreviewOpening {
    Ignore,           // it cannot be opened for reading
    OpenWithProgram,  // a web address: its registered program (the browser) opens it
    Picture,
    Media,            // sound or video
};

PreviewOpening DecidePreviewFile(const std::string& path, const indexing::ArchiveLists& lists,
                                 const std::function<bool(const std::string&)>& readable);
// The same over the file system: the file must open for reading.
PreviewOpening DecidePreviewFile(const std::string& path, const indexing::ArchiveLists& lists);

// A click on a result row shows it in the image preview too when the row is a disk
// path whose extension is a whole entry of the multimedia list.
bool RowShowsInImagePreview(std::string_view label, const indexing::ArchiveLists& lists);

// How far a drawn size can scroll in a client side: until its far edge comes
// inside by the 10-pixel margin; 0 when it fits.
int ScrollExtent(int drawnSize, int clientSize);

// A rectangle in client pixels; width and height 0 for none.
struct PreviewRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
    friend bool operator==(const PreviewRect&, const PreviewRect&) = default;
};

// The rectangle spanned by two corners, both pixels included, cut to `bounds`.
PreviewRect SpannedRect(int x1, int y1, int x2, int y2, const PreviewRect& bounds);

// Cutting a rectangle out of the shown picture with the left button: a press
// inside the picture starts it at that point (a press outside, or one while a
// clipping exists, cancels instead); after the release the mouse drags a rubber
// band from the start to the cursor, and the next press fixes the band, cut to the
// picture, as the clipping.
class ClippingTracker {
public:
    enum class Stage { None, Started, Dragging, Done };

    void press(int x, int y, const PreviewRect& picture);
    void release();
    // The cursor moved; true when a rubber band is to be drawn again.
    bool move(int x, int y);
    // A new picture, zoom or scroll: what was cut no longer lies under it.
    void reset() { *this = ClippingTracker(); }

    Stage stage() const { return m_stage; }
    bool exists() const { return m_stage == Stage::Done; }
    // While dragging: the band from the start to the cursor, cut to the picture.
    PreviewRect band() const;
    // Once done: the clipping; empty otherwise.
    PreviewRect clipping() const { return exists() ? m_clipping : PreviewRect{}; }

private:
    Stage m_stage = Stage::None;
    PreviewRect m_picture;
    int m_startX = 0;
    int m_startY = 0;
    int m_cursorX = 0;
    int m_cursorY = 0;
    PreviewRect m_clipping;
};

} // namespace vedra::utilities
