// Sampling and layout of the function graph. The first pass finds the values'
// extent, which fixes the vertical scale; the second lays out the curve, the zero
// marks, the x = 0 axis and the extremes.
#include "core/utilities/FunctionGraph.h"

#include "core/utilities/Calculator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace vedra::utilities {
namespace {

constexpr int kPlotTop = 20;
constexpr int kBottomMargin = 12;
constexpr int kAxisOffset = 24;   // the axis row lies this far below the plot's half height
constexpr int kHeadroom = 26;     // the largest value is drawn this many pixels below row 0
constexpr int kMaxClientSide = 16384;
constexpr int kGuideDotSpacing = 5;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLowerLetter(char c)
{
    return c >= 'a' && c <= 'z';
}

struct Sample {
    double x = 0;
    std::optional<double> value;
};

class Layout {
public:
    explicit Layout(GraphPicture& picture) : m_picture(picture) {}

    void fill(int x1, int y1, int x2, int y2, GraphColour colour)
    {
        m_picture.primitives.push_back({GraphPrimitiveKind::FillRect, x1, y1, x2, y2, colour, {}});
    }
    void line(int x1, int y1, int x2, int y2, GraphColour colour)
    {
        m_picture.primitives.push_back({GraphPrimitiveKind::Line, x1, y1, x2, y2, colour, {}});
    }
    void point(int x, int y, GraphColour colour)
    {
        m_picture.primitives.push_back({GraphPrimitiveKind::Point, x, y, x, y, colour, {}});
    }
    void text(int x, int y, std::string text, GraphColour colour)
    {
        m_picture.primitives.push_back({GraphPrimitiveKind::Text, x, y, x, y, colour, std::move(text)});
    }

private:
    GraphPicture& m_picture;
};

// Rows stay near the client area whatever the value, so a painter never sees
// coordinates it cannot hold.
int clampRow(double row, int height)
{
    return static_cast<int>(std::clamp(std::lround(row), -1L - height, 2L * height + 1));
}

// The vertical scale from the values' extent: the largest value reaches 26 pixels
// from the top, or, when a negative value is larger in size, the smallest reaches
// as far below the axis.
double verticalScale(double largest, double smallest, int axisRow)
{
    if (largest > 0) {
        if (smallest < 0 && -smallest > largest)
            return (kHeadroom - axisRow) / smallest;
        return (axisRow - kHeadroom) / largest;
    }
    if (smallest < 0)
        return (kHeadroom - axisRow) / smallest;
    return 1;
}

} // namespace

std::string GraphLabel(double value)
{
    if (std::fabs(value) < 1e-12)
        return "0";
    std::array<char, 64> buffer{};
    auto [ptr, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 4);
    if (error != std::errc())
        return "?";
    return std::string(buffer.data(), ptr);
}

std::string SubstituteX(std::string_view expression, double x)
{
    const std::string number = NumberText(x);
    std::string result;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        char c = expression[i];
        bool inExp = i >= 1 && i + 1 < expression.size() && expression[i - 1] == 'e' && expression[i + 1] == 'p';
        if (c != 'x' || inExp) {
            result += c;
            continue;
        }
        if (!result.empty() && (isDigit(result.back()) || result.back() == '.' || result.back() == ')'))
            result += '*';
        result += number;
        if (i + 1 < expression.size()) {
            char next = expression[i + 1];
            if (isLowerLetter(next) || isDigit(next) || next == '.' || next == '(')
                result += '*';
        }
    }
    return result;
}

GraphPicture DrawFunctionGraph(std::string_view expression, double xMinimum, double xMaximum, int clientWidth,
                               int clientHeight)
{
    GraphPicture picture;
    picture.width = std::clamp(clientWidth, 0, kMaxClientSide);
    picture.height = std::clamp(clientHeight, 0, kMaxClientSide);
    const int top = kPlotTop;
    const int bottom = picture.height - kBottomMargin;
    const int right = picture.width - 1;
    if (right < 1 || bottom <= top || !std::isfinite(xMinimum) || !std::isfinite(xMaximum))
        return picture;
    if (xMinimum > xMaximum)
        std::swap(xMinimum, xMaximum);

    Layout layout(picture);
    layout.fill(0, top, right, bottom, kGraphBackground);
    const int axisRow = (bottom - top) / 2 + kAxisOffset;
    picture.axisRow = axisRow;
    layout.line(0, axisRow, right, axisRow, kGraphAxisColour);

    const int plotWidth = right;
    double step = (xMaximum - xMinimum) / plotWidth;
    if (step == 0)
        step = 1;

    // First pass: the samples and their extent.
    const std::string term = ExpandTrigShorthands(expression);
    std::vector<Sample> samples;
    std::optional<double> largest;
    std::optional<double> smallest;
    // x stays below the maximum: plotWidth columns at most, whatever the rounding
    // of the last one.
    for (int column = 0; column < plotWidth; ++column) {
        double x = xMinimum + column * step;
        if (!(x < xMaximum))
            break;
        // Columns are computed, not accumulated, so x = 0 falls on a column exactly
        // when the range puts it there; what rounding leaves is noise.
        if (std::fabs(x) < std::fabs(step) * 1e-9)
            x = 0;
        std::string text = SubstituteX(term, x);
        Sample sample{x, std::nullopt};
        if (EvaluateExpression(text)) {
            double value = LeadingValue(text);
            sample.value = value;
            largest = largest ? std::max(*largest, value) : value;
            smallest = smallest ? std::min(*smallest, value) : value;
        } else {
            ++picture.columnsFailed;
        }
        samples.push_back(sample);
    }
    picture.columnsSampled = static_cast<int>(samples.size());
    const double scale = largest ? verticalScale(*largest, *smallest, axisRow) : 1;
    picture.scale = scale;

    // Second pass: the drawing.
    auto rowOf = [&](double value) { return clampRow(axisRow - value * scale, picture.height); };
    std::optional<int> previousRow;
    int previousValueRow = 0;
    double previousValue = 0;
    // The current run of equal values, so that a flat extreme (two columns either
    // side of it) is found like a pointed one.
    int runStart = 0;
    int runRow = 0;
    double runValue = 0;
    bool hasBeforeRun = false;  // a value precedes the run without a gap
    double beforeRun = 0;
    for (int column = 0; column < static_cast<int>(samples.size()); ++column) {
        const Sample& sample = samples[static_cast<std::size_t>(column)];
        const bool zeroAxis = picture.zeroColumn < 0 && sample.x >= 0;
        if (zeroAxis) {
            picture.zeroColumn = column;
            layout.line(column, top, column, bottom, kGraphAxisColour);
        }
        if (!sample.value) {
            previousRow.reset();
            hasBeforeRun = false;
            continue;
        }
        const double value = *sample.value;
        // A change too small for a pixel still shows, by one pixel. The nudge is taken
        // from the value's own row, not from the previous (nudged) one, so a long run
        // of small changes cannot walk the curve away from its values.
        const int valueRow = rowOf(value);
        int row = valueRow;
        if (previousRow) {
            if (valueRow == previousValueRow && value != previousValue)
                row += value > previousValue ? -1 : 1;
            layout.line(column - 1, *previousRow, column, row, kGraphCurveColour);
            if ((previousValue < 0) != (value < 0))
                layout.text(column, axisRow - 10, GraphLabel(sample.x), kGraphAxisColour);
        } else {
            layout.point(column, row, kGraphCurveColour);
        }
        if (zeroAxis)
            layout.text(column - 20, row + 2, GraphLabel(value), kGraphTextColour);

        if (previousRow && value == runValue) {
            // the flat run goes on
        } else {
            if (previousRow && hasBeforeRun) {
                const bool minimum = runValue < beforeRun && runValue < value;
                const bool maximum = runValue > beforeRun && runValue > value;
                if (minimum || maximum) {
                    const int end = column - 1;
                    const int middle = (runStart + end) / 2;
                    double x = (samples[static_cast<std::size_t>(runStart)].x + samples[static_cast<std::size_t>(end)].x) / 2;
                    if (std::fabs(x) < std::fabs(step) * 1e-6)
                        x = 0;
                    picture.extremes.push_back({minimum, x, runValue, middle});
                    layout.text(middle + 3, minimum ? runRow + 2 : runRow - 10, GraphLabel(runValue),
                                kGraphTextColour);
                    layout.text(middle, runValue >= 0 ? axisRow - 10 : axisRow + 2, GraphLabel(x), kGraphTextColour);
                    const int direction = runRow < axisRow ? -1 : 1;
                    for (int offset = 0; offset <= std::abs(runRow - axisRow); offset += kGuideDotSpacing)
                        layout.point(middle, axisRow + direction * offset, kGraphAxisColour);
                }
            }
            hasBeforeRun = previousRow.has_value();
            beforeRun = runValue;
            runStart = column;
            runValue = value;
            runRow = row;
        }
        previousRow = row;
        previousValueRow = valueRow;
        previousValue = value;
    }
    return picture;
}

} // namespace vedra::utilities
