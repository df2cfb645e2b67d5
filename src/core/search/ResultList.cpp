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
        return {"Files/Dir", "Last updating", "Size (bytes)", "Words", "Archive", "N.pos."};
    default:
        return {"Files/Dir", "Ultima modificacion", "Dim. bytes", "Palabras", "Archivo", "N.pos."};
    }
}

const ResultRow& ResultList::row(std::size_t index) const
{
    const Item& item = m_items.at(index);
    if (!item.row) {
        const PendingRow& pending = item.pending;
        ResultRowInput input;
        input.sizeText = m_texts[pending.sizeText];
        if (pending.hasSizeBytes)
            input.sizeBytes = pending.sizeBytes;
        input.wordsText = m_texts[pending.wordsText];
        input.path = std::string(item.label);
        if (pending.hasLastWrite)
            input.lastWrite = pending.lastWrite;
        input.documentKind = pending.documentKind;
        input.documentNumber = pending.documentNumber;
        input.archiveName = m_texts[pending.archiveName];
        input.archiveNumber = pending.archiveNumber;
        input.inTheIndex = pending.inTheIndex;
        input.languageIndex = pending.languageIndex;
        item.row = std::make_unique<ResultRow>(FormatResultRow(input));
    }
    return *item.row;
}

void ResultList::setColumn(std::size_t index, ResultColumn column, std::string text)
{
    if (index >= m_items.size() || column == ResultColumn::Path)
        return;
    row(index);  // makes the row's texts if they are still pending
    (*m_items[index].row)[column] = std::move(text);
}

void ResultList::append(ResultRow row)
{
    insert(m_items.size(), std::move(row));
}

std::string_view ResultList::keepPath(std::string_view path)
{
    constexpr std::size_t kBlockBytes = 64 * 1024;
    if (m_pathBlocks.empty() || m_blockSize - m_blockUsed < path.size()) {
        m_blockSize = std::max(kBlockBytes, path.size());
        m_pathBlocks.push_back(std::unique_ptr<char[]>(new char[m_blockSize]));  // not zeroed
        m_blockUsed = 0;
    }
    char* at = m_pathBlocks.back().get() + m_blockUsed;
    std::copy(path.begin(), path.end(), at);
    m_blockUsed += path.size();
    return {at, path.size()};
}

std::uint32_t ResultList::keepText(std::string_view text, std::uint32_t& last)
{
    // A search gives every row of a word the same words text: one comparison.
    if (last < m_texts.size() && m_texts[last] == text)
        return last;
    auto found = m_textIndex.find(text);
    if (found != m_textIndex.end())
        return last = found->second;
    const auto index = static_cast<std::uint32_t>(m_texts.size());
    m_texts.emplace_back(text);
    m_textIndex.emplace(std::string(text), index);
    return last = index;
}

std::size_t ResultList::insertItem(std::size_t index, Item item, const LabelKey& key)
{
    m_labelCounts.add(key);
    return placeItem(index, std::move(item));
}

std::size_t ResultList::placeItem(std::size_t index, Item item)
{
    index = std::min(index, m_items.size());
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    return index;
}

std::size_t ResultList::insert(std::size_t index, ResultRow row)
{
    Item item;
    item.label = keepPath(row.label());
    item.row = std::make_unique<ResultRow>(std::move(row));
    const LabelKey key = labelKey(item.label);
    return insertItem(index, std::move(item), key);
}

std::size_t ResultList::insert(std::size_t index, ResultRowInput input)
{
    ResultRowView view;
    view.sizeText = input.sizeText;
    view.sizeBytes = input.sizeBytes;
    view.wordsText = input.wordsText;
    view.path = input.path;
    view.lastWrite = input.lastWrite;
    view.documentKind = input.documentKind;
    view.documentNumber = input.documentNumber;
    view.archiveName = input.archiveName;
    view.archiveNumber = input.archiveNumber;
    view.inTheIndex = input.inTheIndex;
    view.languageIndex = input.languageIndex;
    view.recorded = input.recorded;
    return *insertUnlisted(index, view, false);
}

std::size_t ResultList::insert(std::size_t index, const ResultRowView& input)
{
    return *insertUnlisted(index, input, false);
}

std::optional<std::size_t> ResultList::insertUnlisted(std::size_t index, const ResultRowView& input)
{
    return insertUnlisted(index, input, true);
}

std::optional<std::size_t> ResultList::insertUnlisted(std::size_t index, const ResultRowView& input, bool onlyNew)
{
    LabelKey key = labelKey(input.path);
    // One probe serves the question and the insertion: a search asks for every document.
    const std::size_t slot = m_labelCounts.slotFor(key);
    if (onlyNew && m_labelCounts.occupied(slot))
        return std::nullopt;
    Item item;
    item.label = key.text = keepPath(input.path);
    item.hasPending = true;
    PendingRow& pending = item.pending;
    pending.sizeText = keepText(input.sizeText, m_lastSizeText);
    pending.hasSizeBytes = input.sizeBytes.has_value();
    pending.sizeBytes = input.sizeBytes.value_or(0);
    pending.wordsText = keepText(input.wordsText, m_lastWordsText);
    pending.hasLastWrite = input.lastWrite.has_value();
    pending.lastWrite = input.lastWrite.value_or(0);
    pending.documentKind = input.documentKind;
    pending.documentNumber = input.documentNumber;
    pending.archiveName = keepText(input.archiveName, m_lastArchiveName);
    pending.archiveNumber = input.archiveNumber;
    pending.inTheIndex = input.inTheIndex;
    pending.languageIndex = static_cast<signed char>(input.languageIndex);
    pending.hasRecorded = input.recorded.has_value();
    pending.recorded = input.recorded.value_or(RecordedFile{});
    m_labelCounts.addAt(slot, key);
    return placeItem(index, std::move(item));
}

void ResultList::reserveLabels(std::size_t rows)
{
    // A filter may pass few of a long walk's documents: past this the table grows
    // only as rows come.
    constexpr std::size_t kReservedMost = std::size_t{1} << 18;
    m_labelCounts.reserve(m_items.size() + std::min(rows, kReservedMost));
}

std::size_t ResultList::rowsMade() const
{
    return static_cast<std::size_t>(
        std::count_if(m_items.begin(), m_items.end(), [](const Item& item) { return item.row != nullptr; }));
}

std::optional<FileChange> ResultList::fileChange(std::size_t index) const
{
    if (index >= m_items.size())
        return std::nullopt;
    const Item& item = m_items[index];
    if (!item.hasPending || !item.pending.hasRecorded)
        return std::nullopt;
    if (!item.change)
        item.change = std::make_unique<FileChange>(CheckLabelChange(std::string(item.label), item.pending.recorded, m_temporaryFolder));
    return *item.change;
}

std::optional<std::size_t> ResultList::findLabel(std::string_view path) const
{
    if (!containsLabel(path))
        return std::nullopt;
    auto found = std::find_if(m_items.begin(), m_items.end(),
                              [path](const Item& item) { return item.label == path; });
    return static_cast<std::size_t>(std::distance(m_items.begin(), found));
}

bool ResultList::containsLabel(std::string_view path) const
{
    return m_labelCounts.contains(labelKey(path));
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
        forgetLabel(it->label);
    m_items.erase(first, last);
    return selected.back() - selected.front() + 1;
}

void ResultList::removeRows(const std::vector<std::size_t>& indices)
{
    if (indices.empty())
        return;
    for (std::size_t index : indices)
        forgetLabel(m_items.at(index).label);
    // One pass: the rows kept slide down over the ones deleted.
    std::size_t kept = indices.front();
    std::size_t next = 0;
    for (std::size_t i = indices.front(); i < m_items.size(); ++i) {
        if (next < indices.size() && indices[next] == i) {
            ++next;
            continue;
        }
        m_items[kept++] = std::move(m_items[i]);
    }
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(kept), m_items.end());
}

namespace {

// A column's number as the list writes it: decimal digits, nothing else.
ResultList::SortValue numberOfText(std::string_view text)
{
    ResultList::SortValue value;
    if (text.empty() || text.size() > 18)
        return value;
    std::int64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return value;
        number = number * 10 + (c - '0');
    }
    value.present = true;
    value.number = number;
    return value;
}

ResultList::SortValue textValue(std::string_view text)
{
    ResultList::SortValue value;
    value.present = !text.empty();
    value.text = text;
    return value;
}

ResultList::SortValue numberValue(std::optional<std::int64_t> number)
{
    ResultList::SortValue value;
    value.present = number.has_value();
    value.number = number.value_or(0);
    return value;
}

} // namespace

ResultList::SortValue ResultList::sortValue(std::size_t index, ResultColumn column) const
{
    const Item& item = m_items.at(index);
    if (column == ResultColumn::Path)
        return textValue(item.label);
    // A row given whole, or one whose texts were made and maybe rewritten since,
    // answers from its texts; the date from the moment kept beside them.
    if (item.row || !item.hasPending) {
        const ResultRow& made = row(index);
        switch (column) {
        case ResultColumn::LastUpdating:
            return numberValue(made.modifiedSeconds);
        case ResultColumn::Size:
        case ResultColumn::Position:
            return numberOfText(made[column]);
        default:
            return textValue(made[column]);
        }
    }
    const PendingRow& pending = item.pending;
    switch (column) {
    case ResultColumn::LastUpdating:
        return pending.hasLastWrite ? numberValue(RecordTimeSeconds(pending.lastWrite, pending.documentKind))
                                    : SortValue{};
    case ResultColumn::Size:
        if (!m_texts[pending.sizeText].empty())
            return numberOfText(m_texts[pending.sizeText]);
        return pending.hasSizeBytes ? numberValue(static_cast<std::int64_t>(pending.sizeBytes)) : SortValue{};
    case ResultColumn::Words:
        return textValue(m_texts[pending.wordsText]);
    case ResultColumn::Archive:
        return pending.inTheIndex ? SortValue{} : textValue(m_texts[pending.archiveName]);
    case ResultColumn::Position:
        return pending.hasLastWrite ? numberValue(pending.documentNumber) : SortValue{};
    case ResultColumn::Path:
        break;
    }
    return {};
}

void ResultList::clear()
{
    m_items.clear();
    m_labelCounts.clear();
    m_pathBlocks.clear();
    m_blockUsed = m_blockSize = 0;
    m_texts.clear();
    m_textIndex.clear();
    m_lastSizeText = m_lastWordsText = m_lastArchiveName = 0;
}

void ResultList::forgetLabel(std::string_view label)
{
    m_labelCounts.remove(labelKey(label));
}

std::size_t ResultList::LabelCounts::slotOf(const LabelKey& key) const
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = key.hash & mask;
    while (m_slots[at].count != 0 && !(m_slots[at].key.hash == key.hash && m_slots[at].key == key))
        at = (at + 1) & mask;
    return at;
}

std::size_t ResultList::LabelCounts::slotFor(const LabelKey& key)
{
    if ((m_used + 1) * 2 > m_slots.size())
        grow();
    return slotOf(key);
}

void ResultList::LabelCounts::addAt(std::size_t at, const LabelKey& key)
{
    Slot& slot = m_slots[at];
    if (slot.count == 0) {
        slot.key = key;
        ++m_used;
    }
    ++slot.count;
}

void ResultList::LabelCounts::add(const LabelKey& key)
{
    addAt(slotFor(key), key);
}

void ResultList::LabelCounts::remove(const LabelKey& key)
{
    if (m_slots.empty())
        return;
    std::size_t hole = slotOf(key);
    if (m_slots[hole].count == 0 || --m_slots[hole].count != 0)
        return;
    --m_used;
    // Backward shift: later slots of the same run move up so that every key stays
    // reachable from its home slot without markers for removed keys.
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t next = (hole + 1) & mask; m_slots[next].count != 0; next = (next + 1) & mask) {
        const std::size_t home = m_slots[next].key.hash & mask;
        // The entry may fill the hole unless its home lies cyclically in (hole, next].
        const bool homeAfterHole = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (homeAfterHole)
            continue;
        m_slots[hole] = m_slots[next];
        hole = next;
    }
    m_slots[hole] = Slot{};
}

void ResultList::LabelCounts::grow()
{
    resize(std::max<std::size_t>(64, m_slots.size() * 2));
}

void ResultList::LabelCounts::reserve(std::size_t labels)
{
    std::size_t slots = std::max<std::size_t>(64, m_slots.size());
    while (slots < labels * 2)
        slots *= 2;
    if (slots != m_slots.size())
        resize(slots);
}

void ResultList::LabelCounts::resize(std::size_t slots)
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(slots, Slot{});
    for (const Slot& slot : old)
        if (slot.count != 0)
            m_slots[slotOf(slot.key)] = slot;
}

void ResultList::LabelCounts::clear()
{
    m_slots.clear();
    m_used = 0;
}

std::optional<ResultList::ListedDocument> ResultList::listedDocument(std::size_t index) const
{
    const Item& item = m_items.at(index);
    const std::int64_t number = item.pending.documentNumber;
    if (!item.hasPending || number <= 0 || number > UINT32_MAX)
        return std::nullopt;
    return ListedDocument{item.pending.archiveNumber, static_cast<std::uint32_t>(number)};
}

} // namespace vedra::search
