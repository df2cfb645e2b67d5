// Zoom, fit, scroll and file stepping of the image preview.
#include "core/utilities/ImagePreviewRules.h"

#include "core/utilities/MediaKinds.h"

#include "core/indexing/ArchiveLists.h"
#include "core/utilities/Launching.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
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

constexpr int kMargin = 10;

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
    layout.left = std::max(kMargin, (clientWidth - layout.width) / 2);
    layout.top = std::max(kMargin, (clientHeight - layout.height) / 2);
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

bool IsSoundOrVideo(std::string_view fileName, bool inMultimediaList)
{
    return MediaKindOf(fileName, inMultimediaList) != MediaKind::Picture;
}

PreviewOpening DecidePreviewFile(const std::string& path, const indexing::ArchiveLists& lists,
                                 const std::function<bool(const std::string&)>& readable)
{
    if (IsWebAddress(path))
        return PreviewOpening::OpenWithProgram;
    if (!readable(path))
        return PreviewOpening::Ignore;
    return IsSoundOrVideo(path, lists.IsMultimedia(path)) ? PreviewOpening::Media : PreviewOpening::Picture;
}

PreviewOpening DecidePreviewFile(const std::string& path, const indexing::ArchiveLists& lists)
{
    return DecidePreviewFile(path, lists, [](const std::string& candidate) {
        std::error_code error;
        if (std::filesystem::is_directory(candidate, error))
            return false;
        std::ifstream in(candidate, std::ios::binary);
        return in.is_open();
    });
}

bool RowShowsInImagePreview(std::string_view label, const indexing::ArchiveLists& lists)
{
    return !label.empty() && !IsWebAddress(label) && lists.IsMultimedia(label);
}

int ScrollExtent(int drawnSize, int clientSize)
{
    return std::max(0, drawnSize + 2 * kMargin - clientSize);
}

PreviewRect SpannedRect(int x1, int y1, int x2, int y2, const PreviewRect& bounds)
{
    const int left = std::max({std::min(x1, x2), bounds.left});
    const int top = std::max({std::min(y1, y2), bounds.top});
    const int right = std::min(std::max(x1, x2), bounds.left + bounds.width - 1);
    const int bottom = std::min(std::max(y1, y2), bounds.top + bounds.height - 1);
    if (right < left || bottom < top)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

void ClippingTracker::press(int x, int y, const PreviewRect& picture)
{
    switch (m_stage) {
    case Stage::Dragging: {
        m_cursorX = x;
        m_cursorY = y;
        const PreviewRect chosen = band();
        m_clipping = chosen;
        m_stage = chosen.empty() ? Stage::None : Stage::Done;
        return;
    }
    case Stage::Started:
    case Stage::Done:
        reset();
        return;
    case Stage::None:
        if (!picture.contains(x, y))
            return;
        m_stage = Stage::Started;
        m_picture = picture;
        m_startX = m_cursorX = x;
        m_startY = m_cursorY = y;
        return;
    }
}

void ClippingTracker::release()
{
    if (m_stage == Stage::Started)
        m_stage = Stage::Dragging;
}

bool ClippingTracker::move(int x, int y)
{
    if (m_stage != Stage::Dragging)
        return false;
    m_cursorX = x;
    m_cursorY = y;
    return true;
}

PreviewRect ClippingTracker::band() const
{
    if (m_stage != Stage::Dragging)
        return {};
    return SpannedRect(m_startX, m_startY, m_cursorX, m_cursorY, m_picture);
}

} // namespace vedra::utilities
