// Rows are kept in display order with their selection flag, so inserting at the top
// moves the selection with its rows as the list control does.
#include "core/search/ResultList.h"

#include <algorithm>
#include <iterator>

namespace vedra::search {

std::array<std::string_view, ResultRow::kColumnCount> ResultList::ColumnTitles(int languageIndex)
{
    switch (languageIndex) {
    case 0:
        return {"Files/Dir", "Ultima modifica", "Dim. bytes", "Parole", "Archivio", "N.pos."};
    case 1:
        return {"Files/Dir", "Last updating", "Dim. bytes", "Words", "Archive", "N.pos."};
    default:
        return {"Files/Dir", "Ultima modificacion", "Dim. bytes", "Palabras", "Archivo", "N.pos."};
    }
}

void ResultList::setColumn(std::size_t index, ResultColumn column, std::string text)
{
    if (index < m_items.size() && column != ResultColumn::Path)
        m_items[index].row[column] = std::move(text);
}

void ResultList::append(ResultRow row)
{
    insert(m_items.size(), std::move(row));
}

std::size_t ResultList::insert(std::size_t index, ResultRow row)
{
    index = std::min(index, m_items.size());
    ++m_labelCounts[row.label()];
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), Item{std::move(row), false});
    return index;
}

std::optional<std::size_t> ResultList::findLabel(std::string_view path) const
{
    if (!containsLabel(path))
        return std::nullopt;
    auto found = std::find_if(m_items.begin(), m_items.end(),
                              [path](const Item& item) { return item.row.label() == path; });
    return static_cast<std::size_t>(std::distance(m_items.begin(), found));
}

bool ResultList::containsLabel(std::string_view path) const
{
    return m_labelCounts.find(std::string(path)) != m_labelCounts.end();
}

void ResultList::setSelected(std::size_t index, bool selected)
{
    if (index < m_items.size())
        m_items[index].selected = selected;
}

void ResultList::clearSelection()
{
    for (Item& item : m_items)
        item.selected = false;
}

bool ResultList::isSelected(std::size_t index) const
{
    return index < m_items.size() && m_items[index].selected;
}

std::vector<std::size_t> ResultList::selectedRows() const
{
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].selected)
            rows.push_back(i);
    return rows;
}

std::size_t ResultList::CleanFromList()
{
    const std::vector<std::size_t> selected = selectedRows();
    if (selected.empty()) {
        const std::size_t deleted = m_items.size();
        clear();
        return deleted;
    }
    const auto first = m_items.begin() + static_cast<std::ptrdiff_t>(selected.front());
    const auto last = m_items.begin() + static_cast<std::ptrdiff_t>(selected.back()) + 1;
    for (auto it = first; it != last; ++it)
        forgetLabel(it->row.label());
    m_items.erase(first, last);
    return selected.back() - selected.front() + 1;
}

void ResultList::clear()
{
    m_items.clear();
    m_labelCounts.clear();
}

void ResultList::forgetLabel(const std::string& label)
{
    auto found = m_labelCounts.find(label);
    if (found != m_labelCounts.end() && --found->second == 0)
        m_labelCounts.erase(found);
}

} // namespace vedra::search
