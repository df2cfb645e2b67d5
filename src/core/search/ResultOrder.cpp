// Text keys are folded once per row before sorting, so that the comparisons of a
// sort of 100,000 rows are plain byte work; numbers are sorted as pairs. Every key
// ends on its row index, so a plain sort gives the stable order.
#include "core/search/ResultOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace vedra::search {
namespace {

// U+00C0 to U+00FF (the same bytes in cp1252) as plain small letters; 0 keeps the
// character as it is.
constexpr std::array<char, 64> kLatinFold = {
    'a', 'a', 'a', 'a', 'a', 'a', 'a', 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i',  // C0-CF
    'd', 'n', 'o', 'o', 'o', 'o', 'o', 0,   'o', 'u', 'u', 'u', 'u', 'y', 0,   's',  // D0-DF
    'a', 'a', 'a', 'a', 'a', 'a', 'a', 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i',  // E0-EF
    'd', 'n', 'o', 'o', 'o', 'o', 'o', 0,   'o', 'u', 'u', 'u', 'u', 'y', 0,   'y',  // F0-FF
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Folds `code` (a Latin-1 code point or a cp1252 byte); 0 when it stays.
char foldLatin(unsigned code)
{
    if (code >= 0xC0 && code <= 0xFF)
        return kLatinFold[code - 0xC0];
    switch (code) {
    case 0x8A: case 0x9A: return 's';  // cp1252 S and s with caron
    case 0x8E: case 0x9E: return 'z';
    case 0x9F: return 'y';
    default: return 0;
    }
}

// The length of the UTF-8 sequence at `at`, or 1 when none starts there.
std::size_t utf8Length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    if (length == 1 || lead > 0xF4 || at + length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

int compareBytes(std::string_view left, std::string_view right)
{
    const int order = left.compare(right);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// A run of digits at `at`: its first significant digit and its end.
std::pair<std::size_t, std::size_t> digitRun(std::string_view text, std::size_t at)
{
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    std::size_t first = at;
    while (first + 1 < end && text[first] == '0')
        ++first;
    return {first, end};
}

void appendFolded(std::string& folded, std::string_view text)
{
    folded.reserve(folded.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            folded += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : static_cast<char>(byte);
            continue;
        }
        // A two-byte UTF-8 letter of Latin-1 (C3 xx) or Latin Extended-A (C5 xx).
        if ((byte == 0xC3 || byte == 0xC5) && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0xBF) {
                const unsigned code = ((byte & 0x1Fu) << 6) | (next & 0x3Fu);
                char plain = 0;
                if (byte == 0xC3)
                    plain = foldLatin(code);
                else if (code == 0x160 || code == 0x161)
                    plain = 's';
                else if (code == 0x17D || code == 0x17E)
                    plain = 'z';
                else if (code == 0x178)
                    plain = 'y';
                if (plain != 0) {
                    folded += plain;
                    ++i;
                    continue;
                }
            }
        }
        // Any other UTF-8 character is kept whole; a byte of none is cp1252.
        if (const std::size_t length = utf8Length(text, i); length > 1) {
            folded.append(text.substr(i, length));
            i += length - 1;
            continue;
        }
        const char plain = foldLatin(byte);
        folded += plain != 0 ? plain : static_cast<char>(byte);
    }
}

void appendNaturalKey(std::string& key, std::string_view folded)
{
    for (std::size_t i = 0; i < folded.size();) {
        if (!isDigit(folded[i])) {
            key += folded[i++];
            continue;
        }
        const auto [first, end] = digitRun(folded, i);
        const std::size_t length = std::min<std::size_t>(end - first, 0xFFFF);
        // '0' sorts the run where its first digit would, among the other bytes;
        // the length of its value, then the value, order it among numbers.
        key += '0';
        key += static_cast<char>(length >> 8);
        key += static_cast<char>(length & 0xFF);
        key.append(folded.substr(first, length));
        i = end;
    }
}

std::vector<std::size_t> allRows(std::size_t count)
{
    std::vector<std::size_t> rows(count);
    for (std::size_t i = 0; i < count; ++i)
        rows[i] = i;
    return rows;
}

std::vector<std::size_t> sortedByNumber(const ResultList& results, ResultColumn column, SortDirection direction)
{
    std::vector<std::pair<std::int64_t, std::size_t>> present;
    std::vector<std::size_t> empty;
    present.reserve(results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const ResultList::SortValue value = results.sortValue(i, column);
        if (value.present)
            present.emplace_back(value.number, i);
        else
            empty.push_back(i);
    }
    // The index second in each pair keeps equal numbers in the search's order.
    if (direction == SortDirection::Ascending)
        std::sort(present.begin(), present.end());
    else
        std::sort(present.begin(), present.end(), [](const auto& left, const auto& right) {
            return left.first != right.first ? left.first > right.first : left.second < right.second;
        });
    std::vector<std::size_t> rows;
    rows.reserve(results.size());
    for (const auto& entry : present)
        rows.push_back(entry.second);
    rows.insert(rows.end(), empty.begin(), empty.end());
    return rows;
}

std::vector<std::size_t> sortedByText(const ResultList& results, ResultColumn column, SortDirection direction)
{
    // The keys of the folded texts go one after the other into one buffer, so
    // that a comparison is a plain comparison of bytes.
    struct Key {
        std::uint64_t head = 0;  // 8 bytes of the key after the prefix all keys share
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        std::string_view text;
        std::size_t row = 0;
    };
    std::vector<Key> present;
    std::vector<std::size_t> empty;
    present.reserve(results.size());
    std::string folded, scratch;
    folded.reserve(results.size() * 64);
    // Words and archive texts are shared by many rows: each is folded once.
    std::string_view lastText;
    Key last;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const ResultList::SortValue value = results.sortValue(i, column);
        if (!value.present) {
            empty.push_back(i);
            continue;
        }
        if (present.empty() || value.text.data() != lastText.data() || value.text.size() != lastText.size()) {
            lastText = value.text;
            last.offset = static_cast<std::uint32_t>(folded.size());
            scratch.clear();
            appendFolded(scratch, value.text);
            appendNaturalKey(folded, scratch);
            last.length = static_cast<std::uint32_t>(folded.size() - last.offset);
        }
        present.push_back({0, last.offset, last.length, value.text, i});
    }
    const std::string_view all = folded;
    const auto keyOf = [all](const Key& key) { return all.substr(key.offset, key.length); };
    // Paths share their first folders: the bytes after those decide most
    // comparisons, read from the keys themselves rather than from the buffer.
    std::size_t shared = 0;
    if (!present.empty()) {
        const std::string_view first = keyOf(present.front());
        shared = first.size();
        for (const Key& key : present) {
            const std::string_view other = keyOf(key);
            const std::size_t most = std::min(shared, other.size());
            std::size_t same = 0;
            while (same < most && first[same] == other[same])
                ++same;
            shared = same;
        }
    }
    for (Key& key : present) {
        const std::string_view text = keyOf(key);
        for (std::size_t i = 0; i < 8; ++i) {
            const std::size_t at = shared + i;
            key.head = (key.head << 8) | (at < text.size() ? static_cast<unsigned char>(text[at]) : 0u);
        }
    }
    const bool ascending = direction == SortDirection::Ascending;
    // Ties end on the row index, which keeps equal texts in the search's order.
    // A key shorter than 8 bytes past the prefix pads with 0 bytes, which a key
    // holds only in a number's length: the full comparison settles those.
    const std::size_t known = shared + 8;
    const auto restOf = [&keyOf, known](const Key& key) {
        const std::string_view text = keyOf(key);
        return text.substr(std::min(known, text.size()));
    };
    std::sort(present.begin(), present.end(), [ascending, &restOf](const Key& left, const Key& right) {
        int order = left.head == right.head ? 0 : (left.head < right.head ? -1 : 1);
        if (order == 0)
            order = compareBytes(restOf(left), restOf(right));
        if (order == 0)
            order = compareBytes(left.text, right.text);
        if (order == 0)
            return left.row < right.row;
        return ascending ? order < 0 : order > 0;
    });
    std::vector<std::size_t> rows;
    rows.reserve(results.size());
    for (const Key& key : present)
        rows.push_back(key.row);
    rows.insert(rows.end(), empty.begin(), empty.end());
    return rows;
}

} // namespace

std::string FoldForSorting(std::string_view text)
{
    std::string folded;
    folded.reserve(text.size());
    appendFolded(folded, text);
    return folded;
}

std::string NaturalSortKey(std::string_view folded)
{
    std::string key;
    key.reserve(folded.size() + 8);
    appendNaturalKey(key, folded);
    return key;
}

int CompareNaturally(std::string_view left, std::string_view right)
{
    return compareBytes(NaturalSortKey(left), NaturalSortKey(right));
}

std::vector<std::size_t> SortedRows(const ResultList& results, ResultColumn column, SortDirection direction)
{
    switch (column) {
    case ResultColumn::LastUpdating:
    case ResultColumn::Size:
    case ResultColumn::Position:
        return sortedByNumber(results, column, direction);
    case ResultColumn::Path:
    case ResultColumn::Words:
    case ResultColumn::Archive:
        return sortedByText(results, column, direction);
    }
    return allRows(results.size());
}

std::vector<std::size_t> SelectedRowsShown(const ResultList& results, const std::vector<std::size_t>& shown)
{
    if (shown.size() != results.size())
        return results.selectedRows();
    std::vector<std::size_t> rows;
    for (std::size_t row : shown)
        if (results.isSelected(row))
            rows.push_back(row);
    return rows;
}

std::size_t CleanFromShownList(ResultList& results, const std::vector<std::size_t>& shown)
{
    // An order that does not cover the list is not the one on the screen.
    if (shown.size() != results.size())
        return results.CleanFromList();
    std::size_t first = shown.size(), last = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (results.isSelected(shown[i])) {
            first = std::min(first, i);
            last = i;
        }
    if (first == shown.size()) {
        const std::size_t deleted = results.size();
        results.clear();
        return deleted;
    }
    std::vector<std::size_t> doomed(shown.begin() + static_cast<std::ptrdiff_t>(first),
                                    shown.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    std::sort(doomed.begin(), doomed.end());
    results.removeRows(doomed);
    return doomed.size();
}

} // namespace vedra::search
