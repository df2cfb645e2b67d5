// The preview's "Calculate" action: the selected text is calculated, or every
// "calc>" line of the preview is calculated in place and the values are totalled.
// What it produces for the information window (CScelta) is text and a request to
// show it; the window appends, titles, places and shows.
#pragma once

#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"

#include <string>
#include <string_view>
#include <vector>

namespace vedra::utilities {

// The search page's words, as they filter the calc> lines: a line is taken when it
// holds all of them (allWords) or any of them; no words take every line. Compared
// lower-cased and accent-folded, anywhere in the line.
struct CalculationFilter {
    std::vector<std::string> words;
    bool allWords = true;
};

// The filter from the search page's parsed words and its all-words option.
CalculationFilter FilterFromQuery(const search::QueryWordTable& table, bool allWords);

// What a calculation gives the information window.
struct CalculationReport {
    std::string appendedText;  // to be appended to the window's text as it is
    bool showWindow = false;   // ShowCalculation ran: title, place and show the window
    int linesCalculated = 0;   // calc> lines whose expression gave a value
    int linesFailed = 0;       // calc> lines left with a partly reduced text
    double positiveTotal = 0;  // values of 0 and above
    double negativeTotal = 0;
};

// ShowCalculation's text: CR LF and `text` appended, and the window to be shown.
void ShowCalculation(CalculationReport& report, std::string_view text);

// The information window's title while it shows calculations: "Vedra: Calculus - "
// (in the language of `languageIndex`, English by default) and the search page's words.
std::string CalculationTitle(std::string_view searchWords, int languageIndex = 1);

struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The bottom-right corner of the screen: left edge 370 pixels from its right edge,
// top 300 pixels above its bottom, 355 x 250.
WindowPlacement CalculationWindowPlacement(int screenRight, int screenBottom);

// "Calculate" with text selected: the first "<...>" of the selection blanked out,
// the rest calculated; shows the text, " = " and the value (or the partly reduced
// text when it cannot be calculated).
CalculationReport CalculateSelection(std::string_view selection);

// The agenda's text as the preview, for "Calculate" on a preview that holds no
// file. False, the preview kept, when the agenda cannot be read. At most
// kMaxAgendaBytes are taken.
constexpr std::size_t kMaxAgendaBytes = 4u << 20;
bool LoadAgendaIntoPreview(const std::string& agendaPath, search::PreviewDocument& preview);

// "Calculate" without a selection, over the preview's lines (an empty preview gets
// the agenda first, LoadAgendaIntoPreview). Each calc> line taken by the filter becomes
// its text before "calc>", "calc>", the value (or the partly reduced text), a blank
// and the comment that followed the expression; the other lines and their marks are
// kept. The calculated lines are appended to the window's text and, when a total is
// not 0, the totals are shown: "+ --> " positive, "- --> " negative, "TOT = " both
// and their sum.
CalculationReport CalculatePreview(search::PreviewDocument& preview, const CalculationFilter& filter);

// One calc> line calculated; the line unchanged when it holds no "calc>". `value`
// and `ok` receive the result.
std::string CalculateLine(std::string_view line, double* value = nullptr, bool* ok = nullptr);

} // namespace vedra::utilities
