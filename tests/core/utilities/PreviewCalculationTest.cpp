#include "core/utilities/PreviewCalculation.h"

#include "core/utilities/Calculator.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::utilities {
namespace {

search::PreviewDocument previewOf(std::string_view text)
{
    search::PreviewDocument preview;
    preview.appendText(text);
    return preview;
}

TEST(CalculateLine, ValueBlankAndComment)
{
    double value = 0;
    bool ok = false;
    EXPECT_EQ(CalculateLine("calc> 12*3 rent", &value, &ok), "calc>+36.000000 rent");
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(value, 36);
    // Calculating again changes nothing.
    EXPECT_EQ(CalculateLine("calc>+36.000000 rent"), "calc>+36.000000 rent");
    EXPECT_EQ(CalculateLine("calc>   2 + 3"), "calc>+5.000000 ");
    EXPECT_EQ(CalculateLine("no marker 2+3"), "no marker 2+3");
}

TEST(CalculateLine, FunctionsBelongToTheExpressionWordsToTheComment)
{
    EXPECT_EQ(CalculateLine("calc> 2*sqrt16 sent to the bank"), "calc>+8.000000 sent to the bank");
    EXPECT_EQ(CalculateLine("calc> sen0+cos0 exp"), "calc>+1.000000 exp");
    EXPECT_EQ(CalculateLine("calc> 3 expenses"), "calc>+3.000000 expenses");
    EXPECT_EQ(CalculateLine("calc> sec0 second"), "calc>+1.000000 second");
    EXPECT_EQ(CalculateLine("calc> 2*cotg(0.785398) euro"), "calc>+2.000000 euro");
    EXPECT_EQ(CalculateLine("calc> 1/cosec(1.570796)"), "calc>+1.000000 ");
    EXPECT_EQ(CalculateLine("calc> e2 each"), "calc>+7.389056 each");
}

TEST(CalculateLine, TextBeforeTheMarkerStaysAndFailuresShowWhereTheyStopped)
{
    bool ok = true;
    EXPECT_EQ(CalculateLine("rent: calc> 100*12 yearly"), "rent: calc>+1200.000000 yearly");
    EXPECT_EQ(CalculateLine("calc> 2+sqrt(0-4) oops", nullptr, &ok), "calc>2+sqrt-4.000000 oops");
    EXPECT_FALSE(ok);
    EXPECT_EQ(CalculateLine("calc> ln0", nullptr, &ok), "calc>ln0 ");
    EXPECT_FALSE(ok);
    EXPECT_EQ(CalculateLine("calc> only words", nullptr, &ok), "calc> only words");
    EXPECT_FALSE(ok);
}

TEST(CalculatePreview, RewritesCalcLinesAndShowsTheTotals)
{
    auto preview = previewOf("Expenses\ncalc> 12*3 rent\r\nplain 2+2\ncalc> -5 refund\ncalc> sqrt-1 bad\n");
    CalculationReport report = CalculatePreview(preview, {});
    EXPECT_EQ(preview.text(),
              "Expenses\ncalc>+36.000000 rent\r\nplain 2+2\ncalc>-5.000000 refund\ncalc>sqrt-1 bad\n");
    EXPECT_EQ(report.linesCalculated, 2);
    EXPECT_EQ(report.linesFailed, 1);
    EXPECT_TRUE(report.showWindow);
    EXPECT_EQ(report.appendedText,
              "\r\ncalc>+36.000000 rent\r\ncalc>-5.000000 refund\r\ncalc>sqrt-1 bad"
              "\r\n\n+ --> +36.000000\n- --> -5.000000\nTOT = +36.000000-5.000000 = +31.000000");
}

TEST(CalculatePreview, ZeroTotalsShowNothing)
{
    auto preview = previewOf("calc> 1-1 even\nnothing");
    CalculationReport report = CalculatePreview(preview, {});
    EXPECT_FALSE(report.showWindow);
    EXPECT_EQ(report.appendedText, "\r\ncalc>+0.000000 even");
    EXPECT_EQ(preview.text(), "calc>+0.000000 even\nnothing");
}

TEST(CalculatePreview, SearchWordsChooseTheLines)
{
    // Preview text is cp1252: "citt\xe0".
    const std::string text = "calc> 10 citt\xe0 rent\ncalc> 20 rent\ncalc> 40 food\n";
    auto all = previewOf(text);
    CalculationReport report = CalculatePreview(all, {{"CITTA", "rent"}, true});
    EXPECT_EQ(report.linesCalculated, 1);
    EXPECT_DOUBLE_EQ(report.positiveTotal, 10);
    EXPECT_EQ(all.text(), "calc>+10.000000 citt\xe0 rent\ncalc> 20 rent\ncalc> 40 food\n");

    auto any = previewOf(text);
    report = CalculatePreview(any, {{"citta", "food"}, false});
    EXPECT_EQ(report.linesCalculated, 2);
    EXPECT_DOUBLE_EQ(report.positiveTotal, 50);
    EXPECT_EQ(any.text(), "calc>+10.000000 citt\xe0 rent\ncalc> 20 rent\ncalc>+40.000000 food\n");
}

TEST(CalculatePreview, MarksOfUnchangedLinesMoveWithThem)
{
    search::PreviewDocument preview;
    preview.appendText("calc> 12*3 ");
    preview.appendMarked("rent", {.bold = true, .colour = search::Colour::Blue});
    preview.appendText("\nthe ");
    preview.appendMarked("rent", {.bold = true, .colour = search::Colour::Blue});
    preview.appendText(" is due");
    CalculatePreview(preview, {});
    EXPECT_EQ(search::RenderMarked(preview), "calc>+36.000000 rent\nthe [[rent]] is due");
}

TEST(CalculatePreview, OnTheAgendaWithTheQueryWords)
{
    testing::TempFolder folder;
    const auto agenda = folder.path() / "Agenda.Vedra";
    testing::writeFile(agenda, "1/3/2026: memorandum= rent calc> 700 march\r\n\r\ncalc> 50 gas\r\n\r\n");
    search::PreviewDocument preview;
    EXPECT_FALSE(LoadAgendaIntoPreview((folder.path() / "missing").string(), preview));
    ASSERT_TRUE(LoadAgendaIntoPreview(agenda.string(), preview));
    search::QueryWordTable table;
    search::ParseQueryWords("Rent", true, 0, {}, nullptr, table);
    CalculationReport report = CalculatePreview(preview, FilterFromQuery(table, true));
    EXPECT_EQ(preview.text(), "1/3/2026: memorandum= rent calc>+700.000000 march\r\n\r\ncalc> 50 gas\r\n\r\n");
    EXPECT_DOUBLE_EQ(report.positiveTotal, 700);
}

TEST(CalculateSelection, BlanksTheFirstTagAndShowsTextAndValue)
{
    CalculationReport report = CalculateSelection("<b>2+3*4");
    EXPECT_TRUE(report.showWindow);
    EXPECT_EQ(report.appendedText, "\r\n   2+3*4 = +14.000000");
    report = CalculateSelection("(2+3");
    EXPECT_EQ(report.appendedText, "\r\n(2+3 = (2+3");
}

TEST(ShowCalculation, TitleAndPlacement)
{
    EXPECT_EQ(CalculationTitle("rent food"), "Vedra: Calculus - rent food");
    EXPECT_EQ(CalculationTitle("affitto", 0), "Vedra: Calcolo - affitto");
    EXPECT_EQ(CalculationTitle("renta", 2), "Vedra: Cálculo - renta");
    WindowPlacement place = CalculationWindowPlacement(1920, 1080);
    EXPECT_EQ(place.left, 1550);
    EXPECT_EQ(place.top, 780);
    EXPECT_EQ(place.width, 355);
    EXPECT_EQ(place.height, 250);
}

} // namespace
} // namespace vedra::utilities
