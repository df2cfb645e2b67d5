// The result list as an engine model: the search fills it, the window draws it. Rows
// have the six columns of the list control and remember what opens them again.
// A search lists what it found of each document and the texts of a row are made
// when the row is first read, so a list of thousands costs only the rows shown.
#pragma once

#include "core/search/FileChange.h"
#include "core/search/ResultRow.h"
#include "core/search/ResultRowFormat.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace vedra::search {

class ResultList {
public:
    // Titles of the list control for a language (0 Italian, 1 English, other Spanish).
    static std::array<std::string_view, ResultRow::kColumnCount> ColumnTitles(int languageIndex);

    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    // Row `index`, which must be below size(); its texts are made on the first read.
    const ResultRow& row(std::size_t index) const;
    // The path of row `index` (below size()), without making the row's texts.
    std::string_view label(std::size_t index) const { return m_items.at(index).label; }
    // Rewrites one column of row `index` other than the label (which lookups go by);
    // a label column or an index past the list is ignored.
    void setColumn(std::size_t index, ResultColumn column, std::string text);

    void append(ResultRow row);
    // Inserts before row `index` (0 = top); an index past the end appends. Selection
    // stays with the rows it was on. Returns the index the row took.
    std::size_t insert(std::size_t index, ResultRow row);
    // The same with the row made from `input` when it is first read.
    std::size_t insert(std::size_t index, ResultRowInput input);
    std::size_t insert(std::size_t index, const ResultRowView& input);
    // The same unless a row with that label is listed already (then nothing).
    std::optional<std::size_t> insertUnlisted(std::size_t index, const ResultRowView& input);
    void append(ResultRowInput input) { insert(m_items.size(), std::move(input)); }

    // Room for `rows` more labels, so that a search about to list that many does
    // not rebuild the look-up table as it goes; rows listed are kept.
    void reserveLabels(std::size_t rows);

    // Rows whose texts have been made so far (the rest cost nothing yet).
    std::size_t rowsMade() const;

    // Whether the file of row `index` changed on the disk since its record was read:
    // one stat on the first call for the row, kept afterwards (CheckLabelChange: a
    // PDF's text by its PDF, a member by its packed file). None for a row with no
    // record of a disk file behind it (a web page, a name listed, an error row) or
    // an index out of range.
    std::optional<FileChange> fileChange(std::size_t index) const;
    // The working folder's "vedratemp/", where runs mirror unpack folders.
    void setTemporaryFolder(std::string folder) { m_temporaryFolder = std::move(folder); }

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
    // Deletes the rows at `indices`, which must be ascending and below size().
    void removeRows(const std::vector<std::size_t>& indices);
    void clear();

    // What row `index` (below size()) is sorted by in `column`, read without making
    // its texts: a number for the date (seconds from 1970), the size and N.pos.,
    // the text for the others; neither when the column is empty.
    struct SortValue {
        bool present = false;
        std::int64_t number = 0;
        std::string_view text;
    };
    SortValue sortValue(std::size_t index, ResultColumn column) const;

    // The archive and document number row `index` (below size()) was listed from,
    // read without making its texts; none for a row with no document record
    // behind it (a name of the index list, a disk or web row, a row given whole).
    struct ListedDocument {
        int archiveNumber = 0;
        std::uint32_t number = 0;
    };
    std::optional<ListedDocument> listedDocument(std::size_t index) const;

private:
    // What a row is made from, kept small: a search lists thousands and shows few.
    // Texts shared by many rows (the words, the archive) are kept once in m_texts.
    struct PendingRow {
        std::uint64_t lastWrite = 0;
        std::uint64_t sizeBytes = 0;
        std::int64_t documentNumber = 0;
        RecordedFile recorded;
        int archiveNumber = 0;
        std::uint32_t sizeText = 0;
        std::uint32_t wordsText = 0;
        std::uint32_t archiveName = 0;
        char documentKind = 'f';
        signed char languageIndex = 1;
        bool hasLastWrite = false;
        bool hasSizeBytes = false;
        bool hasRecorded = false;
        bool inTheIndex = false;
    };
    struct Item {
        std::string_view label;  // in m_paths
        // Made on the first read; given whole by insert(ResultRow).
        mutable std::unique_ptr<ResultRow> row;
        mutable std::unique_ptr<FileChange> change;
        PendingRow pending;
        bool hasPending = false;
        bool selected = false;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // A label with its hash, worked out once for the look-up and the insertion.
    struct LabelKey {
        std::string_view text;
        std::size_t hash = 0;
        bool operator==(const LabelKey& other) const { return text == other.text; }
    };
    static LabelKey labelKey(std::string_view text) { return {text, std::hash<std::string_view>{}(text)}; }
    std::string_view keepPath(std::string_view path);
    // `last` remembers the text this kind of text took last time: the common case.
    std::uint32_t keepText(std::string_view text, std::uint32_t& last);
    std::size_t insertItem(std::size_t index, Item item, const LabelKey& key);
    std::size_t placeItem(std::size_t index, Item item);
    std::optional<std::size_t> insertUnlisted(std::size_t index, const ResultRowView& input, bool onlyNew);
    void forgetLabel(std::string_view label);

    // The search puts rows whose path holds a query word at the top: a deque keeps
    // that as cheap as appending.
    std::deque<Item> m_items;
    // Paths are only added, into large blocks that never move, so labels can point
    // at them and a row costs no allocation of its own; rows deleted leave theirs
    // until the list is cleared.
    std::vector<std::unique_ptr<char[]>> m_pathBlocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::deque<std::string> m_texts;
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_textIndex;
    std::uint32_t m_lastSizeText = 0, m_lastWordsText = 0, m_lastArchiveName = 0;
    // The search asks for every document whether it is listed already; counting
    // labels keeps that from scanning the whole list each time. An open table of
    // the labels' views: no allocation per row.
    class LabelCounts {
    public:
        bool contains(const LabelKey& key) const { return !m_slots.empty() && m_slots[slotOf(key)].count != 0; }
        void add(const LabelKey& key);
        // The slot of `key`, or the free one where it goes, the table grown first so
        // that it fits; addAt adds there, with no change to the table between.
        std::size_t slotFor(const LabelKey& key);
        bool occupied(std::size_t slot) const { return m_slots[slot].count != 0; }
        void addAt(std::size_t slot, const LabelKey& key);
        // One fewer row with the label; the label goes at none.
        void remove(const LabelKey& key);
        void clear();
        // At least `labels` fit without the table growing.
        void reserve(std::size_t labels);

    private:
        struct Slot {
            LabelKey key;
            std::size_t count = 0;  // 0: a free slot
        };
        // The slot holding `key`, or the free slot where it would go.
        std::size_t slotOf(const LabelKey& key) const;
        void grow();
        void resize(std::size_t slots);
        std::vector<Slot> m_slots;  // a power of two, at most half full
        std::size_t m_used = 0;
    };
    LabelCounts m_labelCounts;
    std::string m_temporaryFolder;
};

} // namespace vedra::search
