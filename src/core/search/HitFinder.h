// The hit search inside one document's text: reading the document block by block
// (cp1252, lower-cased and folded for searching) and finding the next place where
// the query words satisfy the search options. Used by the extract file and by the
// preview's paging; the query words come from the search run, adapted to HitWord.
#pragma once

#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"
#include "core/search/SearchOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::io {
class FileHandle;
}

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

// A query word as the hit search needs it.
struct HitWord {
    static constexpr std::int64_t kNoHit = -1;

    std::string text;         // lower case, accent-folded, shortened by one past the trim threshold
    int fullLength = 0;       // letters and digits before shortening
    // File position of the current hit. -1 rather than the program's 0 for "none":
    // a word at the very start of a file is a hit too.
    std::int64_t hitPosition = kNoHit;
    std::size_t hitOffset = 0;  // offset of the hit inside the current block
    // The typed word was longer than the archive keeps (cut to its maximum length):
    // like a shortened word it stands for longer words and matches as a prefix.
    bool cut = false;

    bool placed() const { return hitPosition != kNoHit; }
    void clearHit()
    {
        hitPosition = kNoHit;
        hitOffset = 0;
    }
};

struct HitOptions {
    bool andWords = true;        // every word must be found
    bool contiguity = false;     // with andWords: the words lie within one span
    int contiguityDistance = 20;
    bool wordsOr = false;        // a word may sit inside a longer one
    int trimThreshold = 16;
};

// 0 as written; 1 lower-cased and folded, for hit searching; 2 paging the extract file.
enum class ReadMode { Plain = 0, Search = 1, ExtractPaging = 2 };

// How NUL bytes are treated: 1 squeezes them (16-bit-character documents), 2 keeps
// them (".rtf"), 0 makes each a blank.
enum class BinaryMode { Text = 0, Squeeze = 1, Keep = 2 };

// The block of a document held in the text buffer.
class TextBlock {
public:
    const std::string& text() const { return m_text; }
    std::size_t length() const { return m_text.size(); }
    std::int64_t base() const { return m_base; }
    std::int64_t nextPosition() const { return m_nextPosition; }
    std::int64_t fileSize() const { return m_fileSize; }
    bool reachesEnd() const { return m_nextPosition >= m_fileSize; }

    // The file position of the character at `offset` (offset may be length()). Exact
    // also for a transcoded UTF-8 block, so that reading on from a hit neither skips
    // nor repeats text; for a NUL-squeezed block it is base + offset.
    std::int64_t filePosition(std::size_t offset) const;

    void clear();

private:
    friend std::size_t ReadTextBlock(app::Workspace&, const io::FileHandle&, std::int64_t, ReadMode, BinaryMode,
                                     std::size_t, TextBlock&);
    std::string m_text;
    std::vector<std::uint32_t> m_rawOffsets;  // per character, only when transcoding moved them
    std::int64_t m_base = 0;
    std::int64_t m_nextPosition = 0;
    std::int64_t m_fileSize = 0;
};

// Reads up to `capacityBytes` of the file at `position` into `block` and returns
// the length of text held (0 at or past the end of the file). A block of valid UTF-8
// never ends inside a sequence and is transcoded to cp1252; NUL bytes follow
// `binaryMode`. In ReadMode::Search the text is lower-cased and folded, and a block
// that does not reach the end of the file gives back its trailing letters, so that a
// word cut by the block end is read whole with the next block. A failed read shows
// MsgCannotLoadData and returns 0 with the block emptied.
std::size_t ReadTextBlock(app::Workspace& workspace, const io::FileHandle& file, std::int64_t position,
                          ReadMode mode, BinaryMode binaryMode, std::size_t capacityBytes, TextBlock& block);

// Lower case and accent folding as the indexer applies them, so document text and
// query words compare letter for letter.
void FoldForSearch(std::string& text);

// Finds the hits of one document. Holds references: the workspace, file and block
// must outlive it. The block is read on by the finder when a search needs the next
// block (AND with words still missing).
class HitFinder {
public:
    HitFinder(app::Workspace& workspace, const io::FileHandle& file, TextBlock& block, HitOptions options,
              ReadMode mode, BinaryMode binaryMode, std::size_t capacityBytes);

    // Searches the block from `start` for the next place where the words satisfy the
    // options; the words placed get their hit position and offset, and the words are
    // reordered by hit position, those without a hit first. True when found (also
    // when the first word is empty, with no word placed); false at the end of the
    // file, when AND is off and no word occurs in the rest of the block, or when
    // BreakCode was set while blocks were read.
    bool FindNextHit(std::vector<HitWord>& words, std::size_t start);

    // Where the search goes on after a hit: just after the last hit found.
    std::size_t searchPosition() const { return m_searchPosition; }

private:
    // The next accepted occurrence of words[index] at or after `from`, or npos.
    std::size_t nextOccurrence(const std::vector<HitWord>& words, std::size_t index, std::size_t from) const;
    bool readOn(std::vector<HitWord>& words, std::size_t span);

    app::Workspace& m_workspace;
    const io::FileHandle& m_file;
    TextBlock& m_block;
    HitOptions m_options;
    ReadMode m_mode;
    BinaryMode m_binaryMode;
    std::size_t m_capacity;
    std::size_t m_searchPosition = 0;
};

// Marks, bold and blue, every occurrence of each word in the preview's text, as the
// preview shows hits; a shortened word also marks the one character it lost. With
// `wholeWordsOnly` (the notes) an occurrence inside a longer word is left alone.
// Matching ignores case and the folded accents. Returns the first marked position,
// or npos.
std::size_t MarkHits(PreviewDocument& preview, const std::vector<HitWord>& words, int trimThreshold,
                     bool wholeWordsOnly, Colour colour = Colour::Blue);

// The parsed query words as the hit search takes them.
std::vector<HitWord> HitWordsFrom(const QueryWordTable& table);
HitOptions HitOptionsFrom(const SearchOptions& options, int trimThreshold);

// How the preview reads a document's NUL bytes, by its extension: ".pub", ".doc",
// ".ppt" and ".wma" are squeezed, ".rtf" kept, anything else made blanks.
BinaryMode PreviewBinaryMode(std::string_view path);

// Whether the file's text holds the words under `options` (the direct search on
// disk lists only such files). Reads block by block; a file that cannot be opened
// has no hit.
bool FileHasHits(app::Workspace& workspace, const std::string& path, const std::vector<HitWord>& words,
                 const HitOptions& options, std::size_t blockBytes);

// The text buffer's usable size, or a fallback when the work buffers were not sized.
std::size_t TextBlockBytes(const app::Workspace& workspace);

} // namespace vedra::search
