// The image preview's rules that need no window: zoom steps, fitting a picture into
// the client area, scrolling, and "Previous" / "Following" through numbered files.
#pragma once

#include <functional>
#include <optional>
#include <string>

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

} // namespace vedra::utilities
