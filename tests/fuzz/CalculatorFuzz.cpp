// libFuzzer entry: random bytes through the calculator and the function graph.
// The first byte picks the function; the rest is the expression (the graph takes
// its range and client size from the next bytes). Checked: a value is always
// number text that reads back as itself, a failure leaves the text for the user,
// and every graph primitive lies near the client area it was laid out for.
#include "FuzzCheck.h"

#include "core/utilities/Calculator.h"
#include "core/utilities/FunctionGraph.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using vedra::fuzz::check;
namespace utilities = vedra::utilities;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "+2.000000", "-0.500000": a sign, digits, a point and six decimals.
bool isNumberText(const std::string& text)
{
    if (text.size() < 9 || (text[0] != '+' && text[0] != '-'))
        return false;
    std::size_t point = text.size() - 7;
    if (text[point] != '.')
        return false;
    for (std::size_t k = 1; k < text.size(); ++k)
        if (k != point && !isDigit(text[k]))
            return false;
    return point > 1;
}

// A computed value: number text short enough to be the operand of the next
// calculation, and, while a double holds its digits, read back as itself.
void checkValue(const std::string& text)
{
    check(isNumberText(text) && text.size() <= utilities::kMaxNumberLength);
    bool found = false;
    double value = utilities::LeadingValue(text, &found);
    check(found && std::isfinite(value));
    if (text.size() <= 16)
        check(utilities::NumberText(value) == text);
}

void evaluate(const std::string& input, int which)
{
    std::string text = input;
    bool done = which == 0 ? utilities::EvaluateExpression(text)
                : which == 1 ? utilities::ReduceTerm(text)
                             : utilities::SumTerms(text);
    if (done) {
        checkValue(text);
        return;
    }
    if (which == 2 || (which == 0 && input.size() > utilities::kMaxExpressionLength))
        check(text == input);
}

void functionNames(const std::string& text)
{
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        std::size_t length = utilities::FunctionNameLength(text, pos);
        check(length <= 6 && pos + length <= text.size());
    }
}

double doubleAt(const std::uint8_t* bytes)
{
    double value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void numbers(const std::uint8_t* data, std::size_t size, const std::string& text)
{
    bool found = false;
    double leading = utilities::LeadingValue(text, &found);
    check(std::isfinite(leading) && (found || leading == 0));
    if (size < 8)
        return;
    // Only finite values have a number text; the calculator never asks for another.
    double value = doubleAt(data);
    if (!std::isfinite(value))
        return;
    std::string shown = utilities::NumberText(value);
    check(shown[0] == '+' || shown[0] == '-');
    if (std::fabs(value) < 1e15) {
        check(isNumberText(shown));
        check(std::fabs(utilities::LeadingValue(shown) - value) <= 5e-7 + std::fabs(value) * 1e-15);
    }
    std::string label = utilities::GraphLabel(value);
    check(!label.empty() && label.size() <= 24);
}

void rewrites(const std::string& text, double x)
{
    std::string expanded = utilities::ExpandTrigShorthands(text);
    if (text.find("sec") == std::string::npos && text.find("cotg") == std::string::npos)
        check(expanded == text);
    std::string substituted = utilities::SubstituteX(text, x);
    for (std::size_t at = substituted.find('x'); at != std::string::npos; at = substituted.find('x', at + 1))
        check(at > 0 && substituted[at - 1] == 'e' && at + 1 < substituted.size() && substituted[at + 1] == 'p');
}

void graph(const std::uint8_t* data, std::size_t size, bool rawRange)
{
    if (size < (rawRange ? 18u : 4u))
        return;
    int width = data[0] % 200 + (data[1] & 1) * 56;
    int height = data[1] % 200;
    double low = rawRange ? doubleAt(data + 2) : static_cast<std::int8_t>(data[2]) / 4.0;
    double high = rawRange ? doubleAt(data + 10) : static_cast<std::int8_t>(data[3]);
    std::size_t used = rawRange ? 18 : 4;
    std::string expression(reinterpret_cast<const char*>(data) + used, size - used);

    utilities::GraphPicture picture = utilities::DrawFunctionGraph(expression, low, high, width, height);
    check(picture.width == width && picture.height == height);
    check(picture.columnsSampled >= 0 && picture.columnsSampled <= std::max(width - 1, 0));
    check(picture.columnsFailed >= 0 && picture.columnsFailed <= picture.columnsSampled);
    check(picture.zeroColumn < picture.columnsSampled);
    for (const utilities::GraphExtreme& extreme : picture.extremes)
        check(extreme.column >= 0 && extreme.column < picture.columnsSampled && std::isfinite(extreme.value));
    for (const utilities::GraphPrimitive& primitive : picture.primitives) {
        if (primitive.kind == utilities::GraphPrimitiveKind::Text) {
            check(!primitive.text.empty());
            continue;
        }
        for (int x : {primitive.x1, primitive.x2})
            check(x >= 0 && x < width);
        for (int y : {primitive.y1, primitive.y2})
            check(y >= -2 - height && y <= 2 * height + 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t pick = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (pick % 8) {
    case 0:
    case 1:
    case 2: evaluate(text, pick % 8); break;
    case 3: functionNames(text); break;
    case 4: numbers(data + 1, size - 1, text); break;
    case 5: rewrites(text, static_cast<std::int8_t>(pick) / 8.0); break;
    default: graph(data + 1, size - 1, pick % 8 == 7); break;
    }
    return 0;
}
