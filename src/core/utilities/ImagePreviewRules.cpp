// Zoom, fit, scroll and file stepping of the image preview.
#include "core/utilities/ImagePreviewRules.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace vedra::utilities {
namespace {

constexpr int kStepRange = 1000;
constexpr std::size_t kMaxDigits = 18;  // any run that fits an unsigned 64-bit number

// Tenths added and taken away again must come back to the same zoom, or 0.1 - 0.1
// could leave a tiny positive zoom that passes "above 0.1" once more.
double settle(double zoom)
{
    return std::round(zoom * 1e6) / 1e6;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

double ZoomIn(double zoom)
{
    return zoom < kMaximumZoom ? settle(zoom + 0.1) : zoom;
}

double ZoomOut(double zoom)
{
    return zoom > kMinimumZoom ? settle(zoom - 0.1) : zoom;
}

double ZoomOutByButton(double zoom)
{
    if (zoom > 1)
        return settle(zoom - 1);
    return ZoomOut(zoom);
}

double ZoomInByButton(double zoom)
{
    return zoom < kMaximumZoom ? settle(zoom + 1) : zoom;
}

PictureLayout FitPicture(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight, double zoom)
{
    PictureLayout layout;
    if (pictureWidth <= 0 || pictureHeight <= 0 || !(zoom > 0))
        return layout;
    double width = pictureWidth;
    double height = pictureHeight;
    if (pictureWidth > clientWidth || pictureHeight > clientHeight) {
        double overflowWidth = std::max(0.0, (width - clientWidth) / width * 100);
        double overflowHeight = std::max(0.0, (height - clientHeight) / height * 100);
        double shrink = (100 - std::max(overflowWidth, overflowHeight)) / 100;
        width *= shrink;
        height *= shrink;
    }
    // The drawn size is kept within what a painter's int coordinates can carry.
    constexpr double kLargest = 1 << 24;
    layout.width = static_cast<int>(std::min(kLargest, width * zoom));
    layout.height = static_cast<int>(std::min(kLargest, height * zoom));
    layout.left = std::max(10, (clientWidth - layout.width) / 2);
    layout.top = std::max(10, (clientHeight - layout.height) / 2);
    return layout;
}

int ScrollPreview(int offset, ScrollAction action, bool horizontal, int extent)
{
    const long long line = horizontal ? 100 : 50;
    const long long page = 200;
    long long result = offset;
    switch (action) {
    case ScrollAction::LineBack: result -= line; break;
    case ScrollAction::LineOn: result += line; break;
    case ScrollAction::PageBack: result -= page; break;
    case ScrollAction::PageOn: result += page; break;
    case ScrollAction::Start: result = 0; break;
    case ScrollAction::End: result = extent; break;
    }
    return static_cast<int>(std::clamp<long long>(result, 0, std::max(0, extent)));
}

std::optional<std::string> StepFileName(const std::string& path, int direction,
                                        const std::function<bool(const std::string&)>& exists)
{
    if (direction == 0)
        return std::nullopt;
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t runStart = nameStart;
    while (runStart < path.size() && !isDigit(path[runStart]))
        ++runStart;
    if (runStart >= path.size())
        return std::nullopt;
    std::size_t runEnd = runStart;
    while (runEnd < path.size() && isDigit(path[runEnd]))
        ++runEnd;
    const std::size_t width = runEnd - runStart;
    if (width > kMaxDigits)
        return std::nullopt;
    const unsigned long long start = std::stoull(path.substr(runStart, width));
    const std::string before = path.substr(0, runStart);
    const std::string after = path.substr(runEnd);
    for (int distance = 1; distance <= kStepRange; ++distance) {
        if (direction < 0 && start < static_cast<unsigned long long>(distance))
            break;
        const unsigned long long number = direction < 0 ? start - distance : start + distance;
        const std::string digits = std::to_string(number);
        const std::string padded = std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
        if (std::string candidate = before + padded + after; exists(candidate))
            return candidate;
        if (padded != digits) {
            if (std::string candidate = before + digits + after; exists(candidate))
                return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::string> StepFileName(const std::string& path, int direction)
{
    return StepFileName(path, direction, [](const std::string& candidate) {
        std::error_code error;
        return std::filesystem::is_regular_file(candidate, error);
    });
}

} // namespace vedra::utilities
