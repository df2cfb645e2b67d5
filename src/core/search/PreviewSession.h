// The preview between clicks: which document it shows, the block of it in the text
// buffer, the read mode, the words' hits and where the hit search goes on. Every click
// on a result, every Continue and every in-document search is one call here; the
// window then draws document() and the Pos and size fields.
#pragma once

#include "core/io/FileHandle.h"
#include "core/search/ExtractFile.h"
#include "core/search/HitFinder.h"
#include "core/search/PreviewDocument.h"
#include "core/search/ResultList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class SearchRun;

// Where the rows of an extract are picked, as places in the list as shown (see
// PreviewSession::setShownOrder).
struct RowRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

class PreviewSession {
public:
    PreviewSession(app::Workspace& workspace, ResultList& results, SearchRun& run);

    PreviewDocument& document() { return m_document; }
    const PreviewDocument& document() const { return m_document; }
    // The document shown (the preview's current path); empty when none.
    const std::string& currentPath() const { return m_path; }
    std::int64_t positionField() const { return m_positionField; }  // "Pos"
    std::int64_t sizeField() const { return m_sizeField; }
    bool continueEnabled() const { return m_continueEnabled; }
    // Where the window scrolls after a fill: the first marked character, or npos.
    std::size_t scrollPosition() const { return m_scrollPosition; }
    bool showsExtractFile() const;
    ReadMode readMode() const { return m_mode; }

    // "Readable": ShowHits blanks everything but text characters (binary documents).
    bool readable = false;

    // A web result's local copy, fetched when missing; nullopt when it cannot be had.
    // Without a resolver a web address cannot be previewed.
    using WebResolver = std::function<std::optional<std::string>(const std::string& address)>;
    void setWebResolver(WebResolver resolver) { m_webResolver = std::move(resolver); }

    // The result rows in the order the list shows them (empty: the list's own
    // order). Extracts take their rows, and Continue its next ten, in that order,
    // so that they follow a list sorted by a column. An order that no longer
    // covers every row is not used.
    using ShownOrder = std::function<const std::vector<std::size_t>&()>;
    void setShownOrder(ShownOrder order) { m_shownOrder = std::move(order); }

    // CERCA: forgets the document and its block.
    void reset();

    // Opens `path` for the preview at `position` in `mode`; in ReadMode::Search the
    // first hit is searched. 0 on success, -2 when the file cannot be opened.
    int OpenPreviewFile(const std::string& path, std::int64_t position, ReadMode mode);
    // The block as text, without hit marks (extract headers and agenda markers
    // coloured).
    void ShowBlock();
    // The block around the first hit, the query words marked.
    void ShowHits();
    // Button Continue: the next ten rows of the extract, the next block, or the next
    // hit; at the end of a document it starts again from the top.
    void ContinuePreview();
    // "Origin" and clicks without words: the row's document itself, from its first
    // hit when there are query words and `searchHits`. False (with the
    // unreadable-file message) when it cannot be read.
    bool ShowDocument(std::size_t row, bool searchHits = true);
    // A click with words: the extract of the selected rows (or the first ten),
    // shown with its hits marked.
    ExtractResult ShowExtracts(std::optional<RowRange> selection = std::nullopt);
    // A click on result row `row`, `wordsGiven` when the words box holds words:
    // the extract, or without words the row's document. A web result is shown as
    // its page either way (its local copy, fetched once, read like a file, the
    // searched words marked), since an extract holds no text of a page.
    void ShowClickedRow(std::size_t row, bool wordsGiven);
    // "In the file" / "in the index": the words searched in the document shown.
    bool SearchInDocument();
    // "Words in the file": the indexed words of the row's document (found by its
    // number), in text order, two blanks apart, the query words marked blue.
    // False when the archive holds no word list for it.
    bool ShowIndexedWords(std::size_t row);
    // "Extract files": the labels of the selected rows (or all) written to a list
    // file in the extracts folder, in the order `shown` (the list's row indices as
    // shown; empty: the list's own order). Returns its path, or nullopt on a write
    // failure.
    std::optional<std::string> ExportFoundFiles(const std::vector<std::size_t>& shown = {});

    // The hit words of the search run, as the preview searches them.
    std::vector<HitWord> queryHitWords() const;

private:
    HitOptions hitOptions() const;
    std::size_t blockBytes() const;
    bool readBlock(std::int64_t position, ReadMode mode);
    bool searchHit(std::size_t start);
    void fillPlain(std::string_view text);
    std::optional<std::string> localPathFor(const std::string& path);
    // The result row shown at `place` in the list.
    std::size_t rowShownAt(std::size_t place) const;
    void cannotRead(const std::string& path);

    app::Workspace& m_workspace;
    ResultList& m_results;
    SearchRun& m_run;
    PreviewDocument m_document;
    WebResolver m_webResolver;
    ShownOrder m_shownOrder;

    std::string m_path;
    std::optional<io::FileHandle> m_file;
    bool m_isWebCopy = false;
    TextBlock m_block;
    ReadMode m_mode = ReadMode::Plain;
    BinaryMode m_binaryMode = BinaryMode::Text;
    std::vector<HitWord> m_words;
    std::size_t m_searchFrom = 0;
    bool m_hitFound = false;

    std::int64_t m_positionField = 0;
    std::int64_t m_sizeField = 0;
    bool m_continueEnabled = false;
    std::size_t m_scrollPosition = std::string::npos;
    std::size_t m_lastExtractRow = 0;
    bool m_lastExtractWasWeb = false;
};

// The status line's text: padded with blanks to 63 characters; a text of 55 or
// more is cut to its first 10 characters, "/../" and its last 38.
std::string StatusLineText(std::string_view text);

} // namespace vedra::search
