#include "core/utilities/FunctionGraph.h"

#include "support/GraphRaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace vedra::utilities {
namespace {

using testing::GraphRaster;

std::vector<const GraphPrimitive*> textsIn(const GraphPicture& picture, GraphColour colour)
{
    std::vector<const GraphPrimitive*> texts;
    for (const auto& primitive : picture.primitives)
        if (primitive.kind == GraphPrimitiveKind::Text && primitive.colour == colour)
            texts.push_back(&primitive);
    return texts;
}

// The curve's drawn row at a column: the end of the line that reaches it.
int curveRowAt(const GraphPicture& picture, int column)
{
    for (const auto& primitive : picture.primitives)
        if (primitive.colour == kGraphCurveColour && primitive.x2 == column &&
            (primitive.kind == GraphPrimitiveKind::Line || primitive.kind == GraphPrimitiveKind::Point))
            return primitive.y2;
    return -1000;
}

bool allInside(const GraphPicture& picture)
{
    return std::all_of(picture.primitives.begin(), picture.primitives.end(), [&](const GraphPrimitive& p) {
        return p.x1 >= -20 && p.x2 < picture.width && p.y1 >= 0 && p.y2 >= 0 && p.y1 < picture.height &&
               p.y2 < picture.height;
    });
}

TEST(SubstituteX, NumberTextJoinedByProducts)
{
    EXPECT_EQ(SubstituteX("x^2", -2), "-2.000000^2");
    EXPECT_EQ(SubstituteX("2x+xsen1", 1), "2*+1.000000++1.000000*sen1");
    EXPECT_EQ(SubstituteX("exp(x)", 0.5), "exp(+0.500000)");
    EXPECT_EQ(SubstituteX("(x+1)x", 3), "(+3.000000+1)*+3.000000");
    EXPECT_EQ(SubstituteX("x(1)+x2+xx", 1), "+1.000000*(1)++1.000000*2++1.000000*+1.000000");
}

TEST(FunctionGraph, ParabolaHasItsMinimumMarkedAtZero)
{
    GraphPicture picture = DrawFunctionGraph("x^2", -2, 2, 401, 300);
    EXPECT_EQ(picture.axisRow, (288 - 20) / 2 + 24);
    EXPECT_EQ(picture.columnsSampled, 400);
    EXPECT_EQ(picture.columnsFailed, 0);
    EXPECT_EQ(picture.zeroColumn, 200);
    ASSERT_EQ(picture.extremes.size(), 1u);
    EXPECT_TRUE(picture.extremes[0].minimum);
    EXPECT_EQ(picture.extremes[0].x, 0);
    EXPECT_EQ(picture.extremes[0].value, 0);
    EXPECT_EQ(picture.extremes[0].column, 200);
    // A curve that touches zero has no zero marks.
    EXPECT_TRUE(textsIn(picture, kGraphAxisColour).empty());
    EXPECT_TRUE(allInside(picture));

    GraphRaster raster(picture);
    const int axis = picture.axisRow;
    // White plot, green axis across, green x = 0 axis over the height.
    EXPECT_EQ(raster.at(50, 100), kGraphBackground);
    EXPECT_EQ(raster.at(0, axis), kGraphAxisColour);
    EXPECT_EQ(raster.at(150, axis), kGraphAxisColour);
    EXPECT_EQ(raster.at(200, 21), kGraphAxisColour);
    EXPECT_EQ(raster.at(200, 287), kGraphAxisColour);
    // The largest value, 4, is drawn 26 pixels from the top; the curve is symmetric.
    EXPECT_EQ(raster.at(0, 26), kGraphCurveColour);
    EXPECT_EQ(raster.rowsIn(100, kGraphCurveColour), raster.rowsIn(300, kGraphCurveColour));
    EXPECT_EQ(raster.rowsIn(100, kGraphCurveColour).front(), axis - 33);  // x = -1: one quarter of 4
    // The minimum's x label "0" stands just above the axis at x = 0, its value below
    // the curve beside it.
    EXPECT_EQ(raster.at(201, axis - 8), kGraphTextColour);
    EXPECT_EQ(raster.at(201, axis - 12), kGraphBackground);
    EXPECT_EQ(raster.at(200, axis - 12), kGraphAxisColour);
    EXPECT_EQ(raster.at(204, axis + 4), kGraphTextColour);
}

TEST(FunctionGraph, FlatMinimumBetweenTwoColumnsIsStillMarked)
{
    // An even plot width puts x = 0 between two columns of equal value.
    GraphPicture picture = DrawFunctionGraph("x^2", -2, 2, 400, 300);
    ASSERT_EQ(picture.extremes.size(), 1u);
    EXPECT_TRUE(picture.extremes[0].minimum);
    EXPECT_EQ(picture.extremes[0].x, 0);
    EXPECT_EQ(picture.extremes[0].column, 199);
}

TEST(FunctionGraph, SignChangesAndExtremesAreLabelled)
{
    GraphPicture picture = DrawFunctionGraph("x^2-1", -2, 2, 401, 300);
    auto zeroMarks = textsIn(picture, kGraphAxisColour);
    ASSERT_EQ(zeroMarks.size(), 2u);
    EXPECT_EQ(zeroMarks[0]->text, "-0.99");
    EXPECT_EQ(zeroMarks[0]->x1, 101);
    EXPECT_EQ(zeroMarks[0]->y1, picture.axisRow - 10);
    EXPECT_EQ(zeroMarks[1]->text, "1");
    EXPECT_EQ(zeroMarks[1]->x1, 300);

    ASSERT_EQ(picture.extremes.size(), 1u);
    EXPECT_EQ(picture.extremes[0].value, -1);
    auto labels = textsIn(picture, kGraphTextColour);
    // The value at x = 0, 20 pixels left of the curve point; the extreme's value; a
    // negative extreme's x just below the axis.
    std::vector<std::string> texts;
    for (const auto* label : labels)
        texts.push_back(label->text + "@" + std::to_string(label->x1) + "," + std::to_string(label->y1 - picture.axisRow));
    const int row = curveRowAt(picture, 200) - picture.axisRow;
    EXPECT_EQ(texts, (std::vector<std::string>{"-1@180," + std::to_string(row + 2),
                                               "-1@203," + std::to_string(row + 2), "0@200,2"}));
    // The dotted guide: one green pixel in five from the axis down to the curve.
    GraphRaster raster(picture);
    EXPECT_EQ(raster.at(200, picture.axisRow + 5), kGraphAxisColour);
    EXPECT_EQ(raster.at(200, picture.axisRow + 10), kGraphAxisColour);
}

TEST(FunctionGraph, MaximumLabelsStandAbove)
{
    GraphPicture picture = DrawFunctionGraph("4-x^2", -2, 2, 401, 300);
    ASSERT_EQ(picture.extremes.size(), 1u);
    EXPECT_FALSE(picture.extremes[0].minimum);
    EXPECT_EQ(picture.extremes[0].value, 4);
    // 26 pixels from the top, one higher where the nudge shows the last rise.
    const int row = curveRowAt(picture, 200);
    EXPECT_EQ(row, 25);
    bool valueAbove = false;
    for (const auto* label : textsIn(picture, kGraphTextColour))
        valueAbove = valueAbove || (label->text == "4" && label->x1 == 203 && label->y1 == row - 10);
    EXPECT_TRUE(valueAbove);
}

TEST(FunctionGraph, NegativeValuesStayInsideTheClientArea)
{
    // Every value negative, and a rising line whose smallest value is the larger in
    // size: both are scaled so that the lowest point is still drawn.
    for (auto [from, to] : {std::pair{-5.0, -1.0}, std::pair{-10.0, 1.0}, std::pair{1.0, -5.0}}) {
        GraphPicture picture = DrawFunctionGraph("x", from, to, 301, 200);
        EXPECT_TRUE(allInside(picture)) << from << " " << to;
        EXPECT_GT(picture.scale, 0);
        EXPECT_EQ(curveRowAt(picture, 0), 2 * picture.axisRow - 26) << from << " " << to;
    }
    GraphPicture below = DrawFunctionGraph("x", -5, -1, 301, 200);
    EXPECT_EQ(below.zeroColumn, -1);
    GraphPicture reversed = DrawFunctionGraph("x", 1, -5, 301, 200);
    EXPECT_EQ(reversed.primitives.size(), DrawFunctionGraph("x", -5, 1, 301, 200).primitives.size());
}

TEST(FunctionGraph, UndefinedColumnsLeaveGaps)
{
    GraphPicture root = DrawFunctionGraph("sqrt x", -1, 1, 201, 200);
    EXPECT_EQ(root.columnsFailed, 100);
    GraphRaster raster(root);
    EXPECT_TRUE(raster.rowsIn(50, kGraphCurveColour).empty());
    EXPECT_FALSE(raster.rowsIn(150, kGraphCurveColour).empty());

    // 1/x has no zero: the jump across the gap at x = 0 is neither drawn nor marked.
    GraphPicture hyperbola = DrawFunctionGraph("1/x", -1, 1, 201, 200);
    EXPECT_EQ(hyperbola.columnsFailed, 1);
    EXPECT_TRUE(textsIn(hyperbola, kGraphAxisColour).empty());
    for (const auto& primitive : hyperbola.primitives) {
        if (primitive.kind == GraphPrimitiveKind::Line && primitive.colour == kGraphCurveColour) {
            EXPECT_FALSE(primitive.x1 < 100 && primitive.x2 > 100);
        }
    }
}

TEST(FunctionGraph, NudgeShowsSmallChangesWithoutDrifting)
{
    // Near 0, x^3 changes by less than a pixel per column for many columns.
    GraphPicture picture = DrawFunctionGraph("x^3", -2, 2, 401, 300);
    for (int column = 180; column <= 220; ++column)
        EXPECT_LE(std::abs(curveRowAt(picture, column) - picture.axisRow), 1) << column;
    // Rising through rows that round alike: each column one pixel up from its own row.
    EXPECT_EQ(curveRowAt(picture, 199), picture.axisRow - 1);
}

TEST(FunctionGraph, DegenerateInputs)
{
    EXPECT_TRUE(DrawFunctionGraph("x", -1, 1, 0, 0).primitives.empty());
    EXPECT_TRUE(DrawFunctionGraph("x", -1, 1, 100, 30).primitives.empty());
    EXPECT_EQ(DrawFunctionGraph("x", 2, 2, 100, 100).columnsSampled, 0);
    GraphPicture flat = DrawFunctionGraph("0*x", -1, 1, 101, 100);
    EXPECT_EQ(flat.scale, 1);
    EXPECT_EQ(curveRowAt(flat, 50), flat.axisRow);
    GraphPicture nothing = DrawFunctionGraph("ln(0*x)", -1, 1, 101, 100);
    EXPECT_EQ(nothing.columnsFailed, 100);
    EXPECT_TRUE(allInside(nothing));
    EXPECT_TRUE(allInside(DrawFunctionGraph("x", -1e300, 1e300, 101, 100)));
    EXPECT_TRUE(DrawFunctionGraph("x", 0, std::nan(""), 101, 100).primitives.empty());
    GraphPicture shorthand = DrawFunctionGraph("sec x", -1, 1, 101, 100);
    EXPECT_EQ(shorthand.columnsFailed, 0);
    ASSERT_EQ(shorthand.extremes.size(), 1u);
    EXPECT_TRUE(shorthand.extremes[0].minimum);
}

// Random expressions in x over random ranges: the layout always ends, and every
// coordinate stays near the client area.
TEST(FunctionGraph, RandomExpressionsStayInBounds)
{
    static const char* kTokens[] = {"x", "x", "1", "2", ".5", "+", "-", "*", "/", "^", "(", ")", "sqrt", "ln",
                                    "sen", "cos", "tg", "exp", "abs", "e", "1E9", "sec", "cotg"};
    std::mt19937 random(777);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kTokens) - 1);
    std::uniform_int_distribution<int> length(1, 12);
    std::uniform_real_distribution<double> bound(-50, 50);
    for (int round = 0; round < 150; ++round) {
        std::string expression;
        for (int n = length(random); n > 0; --n)
            expression += kTokens[pick(random)];
        GraphPicture picture = DrawFunctionGraph(expression, bound(random), bound(random), 120, 90);
        EXPECT_LE(picture.columnsSampled, 119);
        for (const auto& p : picture.primitives) {
            ASSERT_TRUE(p.x1 >= -20 && p.x2 <= picture.width && p.y1 >= -picture.height &&
                        p.y2 <= 2 * picture.height + 1)
                << expression;
        }
    }
}

} // namespace
} // namespace vedra::utilities
