// The popup's rows are matched by their lower-cased text, as the shared popup window
// dispatches, so a row's label is the only link between the menu and the option.
#include "core/search/SearchOptions.h"

#include "core/app/MessageTable.h"

#include <algorithm>
#include <array>
#include <type_traits>

namespace vedra::search {
namespace {

constexpr std::size_t kMenuRows = 30;
constexpr std::size_t kSeparatorLength = 60;

struct MenuLabel {
    SearchMenuItem item;
    std::string_view text;  // without the marker byte
};

constexpr std::array<MenuLabel, 8> kItalianRows = {{
    {SearchMenuItem::And, "AND"},
    {SearchMenuItem::AllArchives, "In tutti gli archivi"},
    {SearchMenuItem::InTheFile, "Nel file"},
    {SearchMenuItem::WordsOr, "Nelle parole -OR-"},
    {SearchMenuItem::InTheIndex, "Nell'indice"},
    {SearchMenuItem::InThePath, "Nel percorso"},
    {SearchMenuItem::None, ""},
    {SearchMenuItem::Contiguity, "Contigue "},
}};
constexpr std::array<MenuLabel, 7> kEnglishRows = {{
    {SearchMenuItem::And, "AND"},
    {SearchMenuItem::AllArchives, "In all the archives"},
    {SearchMenuItem::InTheFile, "In the file"},
    {SearchMenuItem::WordsOr, "In the words -OR-"},
    {SearchMenuItem::InThePath, "In the path"},
    {SearchMenuItem::None, ""},
    {SearchMenuItem::Contiguity, "Contiguous "},
}};
constexpr std::array<MenuLabel, 6> kSpanishRows = {{
    {SearchMenuItem::And, "AND"},
    {SearchMenuItem::InTheFile, "En el file"},
    {SearchMenuItem::WordsOr, "En las palabras -OR-"},
    {SearchMenuItem::InTheIndex, "En el indice"},
    {SearchMenuItem::None, ""},
    {SearchMenuItem::Contiguity, "Contiguo "},
}};

// Action rows begin with their own blank.
constexpr std::array<std::string_view, 3> kCleanPreview = {" Pulisci prewiev", " Clean preview", " Borrar preview"};
constexpr std::array<std::string_view, 3> kCleanFromList = {" Cancella lista files", " Clean from list",
                                                            " Eliminar files de lista"};

// One switch for both constnesses.
template <typename Options>
auto* optionField(Options& options, SearchMenuItem item)
{
    using Field = std::conditional_t<std::is_const_v<Options>, const int, int>;
    switch (item) {
    case SearchMenuItem::And:
        return &options.andWords;
    case SearchMenuItem::AllArchives:
        return &options.allArchives;
    case SearchMenuItem::InTheFile:
        return &options.inTheFile;
    case SearchMenuItem::WordsOr:
        return &options.wordsOr;
    case SearchMenuItem::InTheIndex:
        return &options.inTheIndex;
    case SearchMenuItem::InThePath:
        return &options.inThePath;
    case SearchMenuItem::Contiguity:
        return &options.contiguity;
    default:
        return static_cast<Field*>(nullptr);
    }
}

char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return toLowerAscii(x) == toLowerAscii(y); });
}

template <std::size_t N>
void addOptionRows(std::vector<std::string>& rows, const std::array<MenuLabel, N>& labels,
                   const SearchOptions& options, bool queryHasBlank)
{
    for (const MenuLabel& label : labels) {
        if (label.item == SearchMenuItem::None) {
            rows.emplace_back(kSeparatorLength, '-');
            continue;
        }
        if (label.item == SearchMenuItem::Contiguity && !queryHasBlank)
            continue;
        std::string row(1, *optionField(options, label.item) != 0 ? '*' : ' ');
        row += label.text;
        rows.push_back(std::move(row));
    }
}

template <std::size_t N>
SearchMenuItem findLabel(const std::array<MenuLabel, N>& labels, std::string_view text)
{
    for (const MenuLabel& label : labels)
        if (label.item != SearchMenuItem::None && equalsIgnoringCase(label.text, text))
            return label.item;
    return SearchMenuItem::None;
}

} // namespace

bool SearchOptions::setContiguityDistance(int characters)
{
    if (characters < kMinContiguityDistance || characters > kMaxContiguityDistance)
        return false;
    m_contiguityDistance = characters;
    return true;
}

void SearchOptions::clearScopeOptions()
{
    allArchives = 0;
    inTheFile = 0;
    wordsOr = 0;
    inTheIndex = 0;
    inThePath = 0;
    fileNameSearch = false;
    folderNameSearch = false;
}

std::vector<std::string> SearchMenuRows(const SearchOptions& options, int languageIndex, bool queryHasBlank)
{
    std::vector<std::string> rows;
    rows.reserve(kMenuRows);
    const std::size_t slot = app::languageColumn(languageIndex);
    if (slot == 0)
        addOptionRows(rows, kItalianRows, options, queryHasBlank);
    else if (slot == 1)
        addOptionRows(rows, kEnglishRows, options, queryHasBlank);
    else
        addOptionRows(rows, kSpanishRows, options, queryHasBlank);
    rows.emplace_back(kCleanPreview[slot]);
    rows.emplace_back(kCleanFromList[slot]);
    rows.resize(kMenuRows);
    return rows;
}

SearchMenuItem SearchMenuItemOf(std::string_view rowText)
{
    if (rowText.empty())
        return SearchMenuItem::None;
    for (std::string_view label : kCleanPreview)
        if (equalsIgnoringCase(label, rowText))
            return SearchMenuItem::CleanPreview;
    for (std::string_view label : kCleanFromList)
        if (equalsIgnoringCase(label, rowText))
            return SearchMenuItem::CleanFromList;
    const std::string_view label = rowText.substr(1);
    for (SearchMenuItem item : {findLabel(kItalianRows, label), findLabel(kEnglishRows, label),
                                findLabel(kSpanishRows, label)})
        if (item != SearchMenuItem::None)
            return item;
    return SearchMenuItem::None;
}

void SearchOptions::setDirectOnDisk(bool on)
{
    if (on)
        clearScopeOptions();
    directOnDisk = on ? 1 : 0;
}

SearchMenuItem ApplySearchMenuRow(SearchOptions& options, std::string_view rowText)
{
    const SearchMenuItem item = SearchMenuItemOf(rowText);
    int* field = optionField(options, item);
    if (field == nullptr)
        return item;
    if (item != SearchMenuItem::And)
        options.clearScopeOptions();
    *field = rowText.front() - '*';
    if (item == SearchMenuItem::AllArchives && *field != 0)
        options.directOnDisk = 0;
    return item;
}

} // namespace vedra::search
