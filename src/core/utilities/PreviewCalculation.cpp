// "Calculate" over the preview: the selection, or the calc> lines and their totals.
#include "core/utilities/PreviewCalculation.h"

#include "core/app/MessageTable.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"
#include "core/utilities/Calculator.h"

#include <array>
#include <cmath>

namespace vedra::utilities {
namespace {

constexpr std::string_view kCalcMarker = "calc>";

bool isLowerLetter(char c)
{
    return c >= 'a' && c <= 'z';
}

// A function name at `pos`, the reciprocal shorthands included ("sec2" is a
// function, "second" is a comment word).
std::size_t expressionWordLength(std::string_view text, std::size_t pos)
{
    static constexpr std::array<std::string_view, 3> kShorthands = {"cosec", "sec", "cotg"};
    for (std::string_view shorthand : kShorthands) {
        if (text.substr(pos).starts_with(shorthand)) {
            std::string probe = "sen" + std::string(text.substr(pos + shorthand.size()));
            return FunctionNameLength(probe, 0) > 0 ? shorthand.size() : 0;
        }
    }
    return FunctionNameLength(text, pos);
}

// End of the expression that starts at `pos`: the first lower-case letter that
// does not begin a function, a line end, or the end of the text.
std::size_t expressionEnd(std::string_view text, std::size_t pos)
{
    std::size_t i = pos;
    while (i < text.size() && text[i] != '\n' && text[i] != '\r') {
        if (isLowerLetter(text[i])) {
            std::size_t length = expressionWordLength(text, i);
            if (length == 0)
                break;
            i += length;
        } else {
            ++i;
        }
    }
    return i;
}

bool passesFilter(std::string_view line, const CalculationFilter& filter)
{
    bool anyWord = false;
    std::string folded(line);
    search::FoldForSearch(folded);
    for (const std::string& word : filter.words) {
        std::string foldedWord = word;
        search::FoldForSearch(foldedWord);
        if (foldedWord.empty())
            continue;
        anyWord = true;
        bool found = folded.find(foldedWord) != std::string::npos;
        if (found && !filter.allWords)
            return true;
        if (!found && filter.allWords)
            return false;
    }
    return !anyWord || filter.allWords;
}

double zeroWhenTiny(double value)
{
    return std::fabs(value) < 0.000001 ? 0.0 : value;
}

struct LineRange {
    std::size_t oldStart = 0;
    std::size_t oldEnd = 0;  // the line's text, its line end excluded
    std::size_t newStart = 0;
    bool changed = false;
};

} // namespace

CalculationFilter FilterFromQuery(const search::QueryWordTable& table, bool allWords)
{
    CalculationFilter filter;
    filter.allWords = allWords;
    for (int i = 0; i < table.count && i < search::QueryWordTable::kMaxWords; ++i)
        filter.words.push_back(table.words[static_cast<std::size_t>(i)].text);
    return filter;
}

bool LoadAgendaIntoPreview(const std::string& agendaPath, search::PreviewDocument& preview)
{
    auto text = io::readFileBytes(agendaPath, kMaxAgendaBytes);
    if (!text)
        return false;
    preview.clear();
    preview.appendText(*text);
    return true;
}

void ShowCalculation(CalculationReport& report, std::string_view text)
{
    report.appendedText += "\r\n";
    report.appendedText += text;
    report.showWindow = true;
}

std::string CalculationTitle(std::string_view searchWords, int languageIndex)
{
    // Italian, English, Spanish.
    static constexpr const char* kTitle[] = {"Vedra: Calcolo - ", "Vedra: Calculus - ", "Vedra: Cálculo - "};
    return kTitle[app::languageColumn(languageIndex)] + std::string(searchWords);
}

WindowPlacement CalculationWindowPlacement(int screenRight, int screenBottom)
{
    return {screenRight - 370, screenBottom - 300, 355, 250};
}

CalculationReport CalculateSelection(std::string_view selection)
{
    std::string text(selection);
    std::size_t open = text.find('<');
    if (open != std::string::npos) {
        std::size_t close = text.find('>', open);
        if (close != std::string::npos)
            text.replace(open, close - open + 1, close - open + 1, ' ');
    }
    std::string value = text;
    EvaluateExpression(value);
    CalculationReport report;
    ShowCalculation(report, text + " = " + value);
    return report;
}

std::string CalculateLine(std::string_view line, double* value, bool* ok)
{
    if (ok != nullptr)
        *ok = false;
    if (value != nullptr)
        *value = 0;
    std::size_t marker = line.find(kCalcMarker);
    if (marker == std::string_view::npos)
        return std::string(line);
    std::size_t start = marker + kCalcMarker.size();
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    std::size_t end = expressionEnd(line, start);
    std::string expression = ExpandTrigShorthands(line.substr(start, end - start));
    bool calculated = EvaluateExpression(expression);
    if (calculated) {
        if (value != nullptr)
            *value = LeadingValue(expression);
        if (ok != nullptr)
            *ok = true;
    }
    std::string result(line.substr(0, marker + kCalcMarker.size()));
    result += expression;
    result += ' ';
    result += line.substr(end);
    return result;
}

CalculationReport CalculatePreview(search::PreviewDocument& preview, const CalculationFilter& filter)
{
    CalculationReport report;
    const std::string& oldText = preview.text();
    std::string newText;
    std::vector<LineRange> lines;
    std::size_t lineStart = 0;
    while (lineStart <= oldText.size()) {
        std::size_t feed = oldText.find('\n', lineStart);
        std::size_t next = feed == std::string::npos ? oldText.size() : feed;
        std::size_t lineEnd = next;
        if (lineEnd > lineStart && oldText[lineEnd - 1] == '\r')
            --lineEnd;
        std::string_view line = std::string_view(oldText).substr(lineStart, lineEnd - lineStart);
        LineRange range{lineStart, lineEnd, newText.size(), false};
        if (line.find(kCalcMarker) != std::string_view::npos && passesFilter(line, filter)) {
            double value = 0;
            bool ok = false;
            std::string calculated = CalculateLine(line, &value, &ok);
            range.changed = calculated != line;
            newText += calculated;
            report.appendedText += "\r\n" + calculated;
            if (ok) {
                ++report.linesCalculated;
                (value < 0 ? report.negativeTotal : report.positiveTotal) += value;
            } else {
                ++report.linesFailed;
            }
        } else {
            newText += line;
        }
        newText.append(oldText, lineEnd, (feed == std::string::npos ? next : next + 1) - lineEnd);
        lines.push_back(range);
        if (feed == std::string::npos)
            break;
        lineStart = feed + 1;
    }

    // Marks of the lines left as they were move with them; marks on a rewritten line
    // no longer have a place to stand.
    std::vector<search::MarkedSpan> spans = preview.spans();
    preview.clear();
    preview.appendText(newText);
    std::size_t lineIndex = 0;
    for (const search::MarkedSpan& span : spans) {
        while (lineIndex + 1 < lines.size() && lines[lineIndex + 1].oldStart <= span.start)
            ++lineIndex;
        while (lineIndex > 0 && lines[lineIndex].oldStart > span.start)
            --lineIndex;
        const LineRange& range = lines[lineIndex];
        if (range.changed && span.start + span.length > range.oldStart && span.start < range.oldEnd)
            continue;
        bool crossesChangedLine = false;
        for (std::size_t k = lineIndex + 1; k < lines.size() && lines[k].oldStart < span.start + span.length; ++k)
            crossesChangedLine = crossesChangedLine || lines[k].changed;
        if (crossesChangedLine)
            continue;
        std::size_t shifted = span.start - range.oldStart + range.newStart;
        preview.mark(shifted, span.length, {span.bold, span.colour, span.underline});
    }

    report.positiveTotal = zeroWhenTiny(report.positiveTotal);
    report.negativeTotal = zeroWhenTiny(report.negativeTotal);
    if (report.positiveTotal != 0 || report.negativeTotal != 0) {
        std::string positive = NumberText(report.positiveTotal);
        std::string negative = NumberText(report.negativeTotal);
        ShowCalculation(report, "\n+ --> " + positive + "\n- --> " + negative + "\nTOT = " + positive + negative +
                                    " = " + NumberText(zeroWhenTiny(report.positiveTotal + report.negativeTotal)));
    }
    return report;
}

} // namespace vedra::utilities
