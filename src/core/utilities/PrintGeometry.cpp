// The picture's printed size is its true size (pixels over its own resolution, in
// the printer's pixels), where the first design took the picture's extent as if it
// were in twips; either is then fitted to the page the same way. Scales are
// counted in whole steps from the start, so that ten steps of 0.1 do not drift.
#include "core/utilities/PrintGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vedra::utilities {
namespace {

// Guards the products of a scale counted in tenths against landing a hair below a
// whole pixel (0.7 * 1000 must be 700).
constexpr double kPixelSlack = 1e-7;

std::int64_t printedLength(double scale, int pixels, double pictureDpi, int printerDpi)
{
    const double scaled = std::floor(scale * pixels + kPixelSlack);
    return static_cast<std::int64_t>(std::floor(scaled * printerDpi / pictureDpi + kPixelSlack));
}

} // namespace

bool PrintableDocumentName(std::string_view name)
{
    if (name.empty())
        return false;
    const auto first = static_cast<unsigned char>(name[0]);
    if (first == '/')
        return name.size() > 1;
    return first >= 'A';
}

std::string PrintJobName(std::string_view name)
{
    return name.empty() ? std::string(kUntitledJob) : std::string(name);
}

TextRange PrintedRange(int selectionStart, int selectionEnd, int textLength)
{
    textLength = std::max(0, textLength);
    int start = std::clamp(std::min(selectionStart, selectionEnd), 0, textLength);
    int end = std::clamp(std::max(selectionStart, selectionEnd), 0, textLength);
    if (start == end)
        return {0, textLength};
    return {start, end};
}

TextPageArea PrintedTextArea(int pageWidth, int pageHeight, int dpiX, int dpiY)
{
    TextPageArea area;
    if (dpiX <= 0 || dpiY <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return area;
    const int inchesWide = pageWidth / dpiX;
    const int inchesHigh = pageHeight / dpiY;
    area.pageTwips = {0, 0, inchesWide * kTwipsPerInch, inchesHigh * kTwipsPerInch};
    if (inchesWide < 3 || inchesHigh < 3)
        return area;
    area.twips = {kTwipsPerInch, kTwipsPerInch, area.pageTwips.right - kTwipsPerInch,
                  area.pageTwips.bottom - kTwipsPerInch};
    area.pixels = {dpiX, dpiY, (inchesWide - 1) * dpiX, (inchesHigh - 1) * dpiY};
    return area;
}

double PrintScaleForZoom(double zoom)
{
    return zoom > 1 ? 1 + zoom / 10 : zoom;
}

PictureOnPage FitPictureToPage(double zoom, int pictureWidth, int pictureHeight, double pictureDpiX,
                               double pictureDpiY, int pageWidth, int pageHeight, int printerDpiX, int printerDpiY)
{
    PictureOnPage placed;
    const std::int64_t roomX = pageWidth - kPicturePageAllowance;
    const std::int64_t roomY = pageHeight - kPicturePageAllowance;
    if (pictureWidth <= 0 || pictureHeight <= 0 || roomX <= 0 || roomY <= 0 || printerDpiX <= 0 || printerDpiY <= 0)
        return placed;
    if (!(pictureDpiX > 0))
        pictureDpiX = kDefaultPictureDpi;
    if (!(pictureDpiY > 0))
        pictureDpiY = kDefaultPictureDpi;

    const double start = PrintScaleForZoom(zoom);
    double scale = start;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool fits = false;
    for (int step = 0; scale > kPixelSlack; scale = start - ++step * kPictureScaleStep) {
        width = printedLength(scale, pictureWidth, pictureDpiX, printerDpiX);
        height = printedLength(scale, pictureHeight, pictureDpiY, printerDpiY);
        if (width <= roomX && height <= roomY) {
            fits = true;
            break;
        }
    }
    if (!fits) {
        // Over ten times the page (or a zoom below one step): the scale that just fits.
        const double naturalX = static_cast<double>(pictureWidth) * printerDpiX / pictureDpiX;
        const double naturalY = static_cast<double>(pictureHeight) * printerDpiY / pictureDpiY;
        scale = std::min(roomX / naturalX, roomY / naturalY);
        width = std::min<std::int64_t>(roomX, static_cast<std::int64_t>(naturalX * scale + kPixelSlack));
        height = std::min<std::int64_t>(roomY, static_cast<std::int64_t>(naturalY * scale + kPixelSlack));
    }
    if (width <= 0 || height <= 0)
        return placed;
    placed.fits = true;
    placed.scale = scale;
    placed.width = static_cast<int>(width);
    placed.height = static_cast<int>(height);
    placed.left = static_cast<int>((pageWidth - width) / 2);
    placed.top = static_cast<int>((pageHeight - height) / 2);
    return placed;
}

ProportionSketch SketchProportion(const PictureOnPage& picture, int pageWidth, int pageHeight)
{
    ProportionSketch sketch;
    if (pageWidth <= 0 || pageHeight <= 0)
        return sketch;
    const double heightRatio = static_cast<double>(pageHeight) / pageWidth;
    const double sketchBottom = 200 * heightRatio;
    sketch.page = {25, 25, 200, static_cast<int>(sketchBottom)};
    const double u = static_cast<double>(picture.width) / pageWidth * 200;
    const double v = static_cast<double>(picture.height) / pageHeight * sketchBottom;
    const double x = 117 - u / 2;
    const double y = 16 - v / 2 + 100 * heightRatio;
    sketch.picture = {static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + u), static_cast<int>(y + v)};
    return sketch;
}

} // namespace vedra::utilities
