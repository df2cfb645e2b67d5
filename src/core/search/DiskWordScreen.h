// The first look of the direct search on disk at a file's bytes: can the query
// words be in it at all? Most files of a tree cannot, and telling so from one
// large read and a byte scan is far cheaper than the hit search's block reading
// (copy, transcoding, folding). A file that may hold the words is then read by the
// hit search (FileHasHits), which alone decides: the screen only ever rules out
// files the hit search would not list, so the rows stay the same.
//
// It needs no workspace and keeps no state between files, so worker threads can
// screen files side by side.
#pragma once

#include "core/search/HitFinder.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

enum class ScreenVerdict {
    CannotOpen,  // the file cannot be opened
    CannotRead,  // it opens but its first byte cannot be read
    NoHit,       // the hit search would not find the words
    MayHit,      // the hit search must look
};

class DiskWordScreen {
public:
    // `blockBytes` is the hit search's block size: a file no larger is one block to
    // it, and the screen judges it on the same folded text. Larger files are read in
    // `readBytes` pieces (0: blockBytes), where only plain ASCII is judged.
    DiskWordScreen(std::vector<HitWord> words, HitOptions options, std::size_t blockBytes, std::size_t readBytes = 0);

    // Opens and reads the file at most once, stopping as soon as the verdict is
    // known. Safe to call from several threads at once.
    ScreenVerdict screenFile(const std::string& path) const;

    // The verdict for a whole file's bytes held in memory, as if read from a file
    // of that name (the name decides how NUL bytes are read).
    ScreenVerdict screenBytes(std::string_view path, std::string_view bytes) const;

    // Where the bytes come from (a file, or memory for screenBytes).
    class Reader;

private:
    ScreenVerdict screen(std::string_view path, Reader& reader) const;
    // Where a piece of plain ASCII lies in its file: first (nothing before it),
    // final (nothing after it), whole (the file is one block to the hit search).
    struct Piece {
        bool first = false;
        bool final = false;
        bool whole = false;
    };
    // Marks in `found` the words with an accepted place in `text`; where a piece
    // cannot tell, it marks (the hit search decides).
    void markAscii(std::string_view text, Piece piece, std::vector<char>& found) const;
    // The same on the raw bytes of a whole file that is not plain ASCII, for words
    // whose anchor no other byte folds to: each anchor is read around, and only
    // where the bytes there are not plain ASCII is that stretch transcoded and
    // folded as the hit search would.
    void markMixed(std::string_view raw, std::vector<char>& found) const;
    // The same on the hit search's own folded text of a whole file.
    void markFolded(std::string_view text, std::vector<char>& found) const;
    bool decided(const std::vector<char>& found) const;

    struct Word {
        std::string text;       // lower case, folded, ASCII letters and digits
        bool prefixOnly = false;  // shortened or cut: only its start must be a word start
        std::size_t anchor = 0;   // the letter searched for first, the rarest in text
        // No byte above ASCII folds to the anchor: every place of the word has it
        // as a plain letter.
        bool plainAnchor = false;
    };
    bool mayHoldAround(std::string_view raw, std::size_t anchorAt, const Word& word) const;
    std::vector<Word> m_words;
    bool m_plainAnchors = true;  // every word has a plain anchor
    HitOptions m_options;
    std::size_t m_blockBytes;
    std::size_t m_readBytes;
    std::size_t m_longestWord = 0;
    bool m_alwaysLook = false;  // a word the screen cannot judge (empty, not plain ASCII)
};

// Worker threads for screening: one per core, at least two so that reading and
// scanning overlap even on one core, at most eight.
int DefaultDiskScreenThreads();

} // namespace vedra::search
