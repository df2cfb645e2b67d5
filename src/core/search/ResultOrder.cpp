// Text keys are folded once per row before sorting, so that the comparisons of a
// sort of 100,000 rows are plain byte work; numbers are sorted as pairs.
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
    struct Key {
        std::string folded;
        std::string_view text;
        std::size_t row = 0;
    };
    std::vector<Key> present;
    std::vector<std::size_t> empty;
    present.reserve(results.size());
    // Words and archive texts are shared by many rows: each is folded once.
    std::string_view lastText;
    std::string lastFolded;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const ResultList::SortValue value = results.sortValue(i, column);
        if (!value.present) {
            empty.push_back(i);
            continue;
        }
        if (value.text.data() != lastText.data() || value.text.size() != lastText.size()) {
            lastText = value.text;
            lastFolded = FoldForSorting(value.text);
        }
        present.push_back({lastFolded, value.text, i});
    }
    const bool ascending = direction == SortDirection::Ascending;
    std::stable_sort(present.begin(), present.end(), [ascending](const Key& left, const Key& right) {
        int order = CompareNaturally(left.folded, right.folded);
        if (order == 0)
            order = compareBytes(left.text, right.text);
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
    return folded;
}

int CompareNaturally(std::string_view left, std::string_view right)
{
    std::size_t at = static_cast<std::size_t>(
        std::mismatch(left.begin(), left.end(), right.begin(), right.end()).first - left.begin());
    // Inside a run of digits the whole run is the number.
    const auto digitAt = [](std::string_view text, std::size_t i) { return i < text.size() && isDigit(text[i]); };
    while (at > 0 && isDigit(left[at - 1]) && (digitAt(left, at) || digitAt(right, at)))
        --at;
    std::size_t l = at, r = at;
    while (l < left.size() && r < right.size()) {
        if (isDigit(left[l]) && isDigit(right[r])) {
            const auto [leftFirst, leftEnd] = digitRun(left, l);
            const auto [rightFirst, rightEnd] = digitRun(right, r);
            const std::size_t leftLength = leftEnd - leftFirst, rightLength = rightEnd - rightFirst;
            if (leftLength != rightLength)
                return leftLength < rightLength ? -1 : 1;
            const int order = compareBytes(left.substr(leftFirst, leftLength), right.substr(rightFirst, rightLength));
            if (order != 0)
                return order;
            l = leftEnd;
            r = rightEnd;
            continue;
        }
        const auto leftByte = static_cast<unsigned char>(left[l]), rightByte = static_cast<unsigned char>(right[r]);
        if (leftByte != rightByte)
            return leftByte < rightByte ? -1 : 1;
        ++l;
        ++r;
    }
    const bool leftDone = l >= left.size(), rightDone = r >= right.size();
    return leftDone == rightDone ? 0 : (leftDone ? -1 : 1);
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
