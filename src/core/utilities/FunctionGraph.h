// The function graph of the utility page, without a window: the expression in x is
// sampled once per pixel column with the calculator, scaled to the plot, and turned
// into a list of drawing primitives in client coordinates. The image preview window
// paints the list in order, one primitive per painter call, and nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::utilities {

struct GraphColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const GraphColour&, const GraphColour&) = default;
};

constexpr GraphColour kGraphBackground{255, 255, 255};
constexpr GraphColour kGraphAxisColour{94, 203, 113};  // axes, zero marks, guides
constexpr GraphColour kGraphCurveColour{0, 0, 0};      // the painter's default pen
constexpr GraphColour kGraphTextColour{0, 0, 0};
constexpr const char* kGraphFontFamily = "Arial";
constexpr int kGraphFontPoints = 6;
constexpr const char* kGraphTitle = "Graph";

enum class GraphPrimitiveKind {
    FillRect,  // x1,y1 top-left, x2,y2 bottom-right, both included
    Line,      // from x1,y1 to x2,y2, both ends drawn, one pixel wide
    Point,     // the pixel x1,y1
    Text,      // `text` with its top-left corner at x1,y1, in the graph font
};

struct GraphPrimitive {
    GraphPrimitiveKind kind = GraphPrimitiveKind::Point;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    GraphColour colour;
    std::string text;
};

// A marked extreme of the sampled curve.
struct GraphExtreme {
    bool minimum = false;
    double x = 0;
    double value = 0;
    int column = 0;
};

struct GraphPicture {
    int width = 0;   // the client area the primitives were laid out for
    int height = 0;
    int axisRow = 0;
    double scale = 0;       // pixels per unit of value
    int zeroColumn = -1;    // column of the x = 0 axis, -1 when not drawn
    int columnsSampled = 0;
    int columnsFailed = 0;  // columns whose expression could not be calculated
    std::vector<GraphExtreme> extremes;
    std::vector<GraphPrimitive> primitives;
};

// The expression with every "x" (but the one of "exp") replaced by x's number
// text, joined by "*" to a number or ")" before it and to a letter or "(" after it.
std::string SubstituteX(std::string_view expression, double x);

// The "Graph" action: plots `expression` (the notes text; "cosec", "sec" and "cotg"
// allowed) for x from xMinimum up to xMaximum in a client area of the given size.
// Columns whose expression cannot be calculated leave a gap in the curve. A reversed
// range is plotted the right way round; an empty client area gives no primitives.
GraphPicture DrawFunctionGraph(std::string_view expression, double xMinimum, double xMaximum, int clientWidth,
                               int clientHeight);

// The short text of a value on the graph's labels ("0", "-1.5", "0.0025").
std::string GraphLabel(double value);

} // namespace vedra::utilities
