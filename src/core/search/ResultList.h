// The result list as an engine model: the search fills it, the window draws it. Rows
// have the six columns of the list control and remember what opens them again.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <deque>
#include <vector>

namespace vedra::search {

enum class ResultColumn : std::size_t { Path = 0, LastUpdating, Size, Words, Archive, Position };

struct ResultRow {
    static constexpr std::size_t kColumnCount = 6;
    std::array<std::string, kColumnCount> columns;
    char pathKind = 'f';    // 'f' a file on disk, 'w' a web address
    int archiveNumber = 0;  // the archive that listed it

    std::string& operator[](ResultColumn column) { return columns[static_cast<std::size_t>(column)]; }
    const std::string& operator[](ResultColumn column) const { return columns[static_cast<std::size_t>(column)]; }
    // The label is the path: lookups and "open" go by it.
    const std::string& label() const { return columns[0]; }
};

class ResultList {
public:
    // Titles of the list control for a language (0 Italian, 1 English, other Spanish).
    static std::array<std::string_view, ResultRow::kColumnCount> ColumnTitles(int languageIndex);

    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    // Row `index`, which must be below size().
    const ResultRow& row(std::size_t index) const { return m_items.at(index).row; }
    // Rewrites one column of row `index` other than the label (which lookups go by);
    // a label column or an index past the list is ignored.
    void setColumn(std::size_t index, ResultColumn column, std::string text);

    void append(ResultRow row);
    // Inserts before row `index` (0 = top); an index past the end appends. Selection
    // stays with the rows it was on. Returns the index the row took.
    std::size_t insert(std::size_t index, ResultRow row);

    // The first row whose label equals `path` byte for byte.
    std::optional<std::size_t> findLabel(std::string_view path) const;
    bool containsLabel(std::string_view path) const;

    // Out-of-range indices are ignored.
    void setSelected(std::size_t index, bool selected);
    void clearSelection();
    bool isSelected(std::size_t index) const;
    // Selected row indices, ascending.
    std::vector<std::size_t> selectedRows() const;

    // "Clean from list": deletes every row from the first to the last selected row,
    // unselected rows between them too; with no row selected, every row. Returns
    // the number of rows deleted.
    std::size_t CleanFromList();
    void clear();

private:
    struct Item {
        ResultRow row;
        bool selected = false;
    };
    void forgetLabel(const std::string& label);

    // The search puts rows whose path holds a query word at the top: a deque keeps
    // that as cheap as appending.
    std::deque<Item> m_items;
    // The search asks for every document whether it is listed already; counting
    // labels keeps that from scanning the whole list each time.
    std::unordered_map<std::string, std::size_t> m_labelCounts;
};

} // namespace vedra::search
