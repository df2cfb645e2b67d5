// The extract file "estratti.vedra": for the selected result rows, one excerpt of
// text around each group of hits, written in the layout below, then shown in the
// preview with its headers coloured. Rewritten at every click.
//
// Layout (cp1252, CRLF line ends except after the separator line):
//   per document   " File: " N " - " path CRLF
//   per excerpt    "N.file: " N " / " k " - Pos.: " p " / " size CRLF
//                  "..... " excerpt " ....." CRLF
//                  128 x "-" LF
//   no excerpt     the MsgNoResults text CRLF CRLF
//   web page       after its document line, when text is extracted:
//                  "N.file: " row " Pos.: " row CRLF "Key words-> " stored extract,
//                  preview text, CRLF
// N is the document number (result column 5), k the excerpt's running number in the
// document (from 1), p the file position of the excerpt's first hit, size the size
// in bytes of the file read (a converted document's text). The excerpt is taken
// from the lower-cased, folded search text.
#pragma once

#include "core/search/HitFinder.h"
#include "core/search/PreviewDocument.h"
#include "core/search/PreviewText.h"

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

// One row of the result list, as the extract needs it. The search run fills
// `queryWords` with the words the row's Words column parses to (or the query
// itself when "words OR" is on).
struct ExtractRow {
    std::string path;     // raw bytes; an absolute path is a file, anything else a web address
    long number = 0;      // column 5
    std::vector<HitWord> queryWords;
    std::string storedExtract;  // web pages only: the page's stored extract
    std::string previewText;    // web pages only: the page's text
};

struct ExtractRequest {
    std::vector<ExtractRow> rows;  // the whole result list, in order
    std::optional<std::size_t> firstSelected;
    std::optional<std::size_t> lastSelected;
    HitOptions options;
    int extractLength = 200;           // characters per excerpt, 0 = names only
    std::size_t blockBytes = 0;        // text read per block; 0 = the text buffer's usable size
    std::vector<std::string> multimediaExtensions;  // the "FMM." list, ".jpg" ...
    // The file whose text a disk row's excerpts come from (a PDF's text, a packed
    // member unpacked again: FindPreviewText). Unset: the row's path itself.
    std::function<PreviewTextSource(const std::string& path)> textSource;
};

enum class ExtractOutcome {
    Written,        // the file was written and loaded into the preview
    NamesRefused,   // names-only question answered Cancel: the options window opens
    NothingToDo,    // setting above 2000, or no rows
    Stopped,        // BreakCode set (Escape confirmed, or a write error shown)
};

struct ExtractResult {
    ExtractOutcome outcome = ExtractOutcome::NothingToDo;
    std::size_t firstRow = 0;
    std::size_t lastRow = 0;       // the last row reached
    std::size_t excerptCount = 0;
    // Rows whose text could not be had (they got the no-result line), and why.
    struct UnreadableRow {
        std::size_t row = 0;
        PreviewTextSource source;
    };
    std::vector<UnreadableRow> unreadable;
};

// Files above this size ask before they are searched.
inline constexpr std::int64_t kVeryLongFileBytes = 20'000'000;
inline constexpr std::size_t kSeparatorLength = 128;

// Picks the rows (the selection, else the first ten), empties the extract file and
// the preview and builds the extract. The preview then holds the start of the
// extract file with its headers marked.
ExtractResult ShowExtracts(app::Workspace& workspace, const ExtractRequest& request, PreviewDocument& preview);

// Writes the extract of rows first..last (clamped to the list) to
// workspace.extractsPath, replacing it whole (a temporary renamed over it). Sets the
// status text to the extract path and the row numbers. A write failure shows
// MsgWriteError, sets BreakCode Break and leaves the old file as it was.
ExtractResult BuildExtract(app::Workspace& workspace, const ExtractRequest& request, std::size_t first,
                           std::size_t last);

// Colours the headers of extract-file text: "File:" up to the next "N.file:" red and
// underlined, "N.file:" to the end of its line green.
void MarkExtractHeaders(PreviewDocument& preview);

// Loads the start of the extract file into the preview (one block) and marks it.
// False when the file cannot be read.
bool LoadExtractPreview(app::Workspace& workspace, std::size_t blockBytes, PreviewDocument& preview);

} // namespace vedra::search
