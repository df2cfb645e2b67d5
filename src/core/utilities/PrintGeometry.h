// The window-free rules of printing: which names can be printed, the job's name,
// the range of the preview printed, the text's page area, and the size, place and
// on-screen proportion sketch of a printed picture. All sizes are device pixels
// unless a name says otherwise.
#pragma once

#include <string>
#include <string_view>

namespace vedra::utilities {

constexpr int kTwipsPerInch = 1440;
// What a printed picture leaves free of the page, each way.
constexpr int kPicturePageAllowance = 100;
// The steps a printed picture shrinks by until it fits.
constexpr double kPictureScaleStep = 0.1;
// A picture that says nothing of its resolution is taken at the screen's.
constexpr double kDefaultPictureDpi = 96;
constexpr const char* kUntitledJob = "(Untitled)";

// Printing starts only for a name that begins with a letter (or anything at or
// above 'A'), as a drive letter did, or with the '/' of an absolute path, which
// stands where the drive letter stood.
bool PrintableDocumentName(std::string_view name);

// The job is named after the document; "(Untitled)" when the name is empty.
std::string PrintJobName(std::string_view name);

struct TextRange {
    int start = 0;
    int end = 0;  // one past the last character
    bool empty() const { return end <= start; }
};

// The preview's selection, ordered and cut to the text; the whole text when
// nothing is selected.
TextRange PrintedRange(int selectionStart, int selectionEnd, int textLength);

struct PrintRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return width() <= 0 || height() <= 0; }
    friend bool operator==(const PrintRect&, const PrintRect&) = default;
};

// The text's area: the page cut down to whole inches, one inch in from each edge.
// `twips` gives it in twentieths of a point from the page's corner, `pixels` in the
// printer's pixels. Empty when the page is less than three inches either way or the
// resolution is unknown.
struct TextPageArea {
    PrintRect pageTwips;
    PrintRect twips;
    PrintRect pixels;
};
TextPageArea PrintedTextArea(int pageWidth, int pageHeight, int dpiX, int dpiY);

// The scale a picture is printed at before fitting: the zoom, or 1 + zoom / 10
// above 1 (a zoom of 5 prints at 1.5).
double PrintScaleForZoom(double zoom);

struct PictureOnPage {
    bool fits = false;   // false: the page cannot hold even the smallest step
    double scale = 0;    // the scale printed at
    int width = 0;       // printed size
    int height = 0;
    int left = 0;        // centred on the page
    int top = 0;
};

// A picture of `pictureWidth` x `pictureHeight` pixels at `pictureDpi` (0 or less:
// kDefaultPictureDpi) on a page of `pageWidth` x `pageHeight` printer pixels at
// `printerDpi`: printed at its true size times the scale for `zoom`, the scale
// lessened by 0.1 while the picture is wider than the page less 100 or taller
// than the page less 100. A picture still too large at the last step above 0 is
// scaled to fit exactly.
PictureOnPage FitPictureToPage(double zoom, int pictureWidth, int pictureHeight, double pictureDpiX,
                               double pictureDpiY, int pageWidth, int pageHeight, int printerDpiX, int printerDpiY);

// The proportion sketch drawn on the image window before the question: the page as
// the rectangle (25, 25) to (200, 200 * page height / page width), the picture as
// an outline of u x v at (117 - u / 2, 16 - v / 2 + 100 * page height / page width).
struct ProportionSketch {
    PrintRect page;
    PrintRect picture;
};
ProportionSketch SketchProportion(const PictureOnPage& picture, int pageWidth, int pageHeight);

} // namespace vedra::utilities
