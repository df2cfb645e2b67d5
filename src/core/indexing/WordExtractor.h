// Word extraction: turns a chunk of document text (cp1252 bytes) into index words
// and registers each for the current document in the archive: the word tree, one
// posting per document, and the document's word list. Also reads a roots file into
// the archive's root set while an archive is being created. The per-file reader
// calls beginDocument() before a document's first chunk, then IndexChunk() per chunk,
// and closes the document's word list itself (ArchiveStore::endWordList()).
#pragma once

#include "core/indexing/StopWordTree.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}
namespace vedra::archive {
class ArchiveStore;
}

namespace vedra::indexing {

class WordExtractor {
public:
    struct CurrentDocument {
        std::uint32_t number = 0;
        int registeredWords = 0;                  // words registered so far in this document
        std::vector<std::uint32_t> previousWords; // an update's old word list, ascending; empty for a new document
    };

    // Called with the path of the document being read.
    using WatchCallback = std::function<void(const std::string& documentPath)>;

    static constexpr std::size_t kMaxWatchedWords = 10;
    // Only the first words of a document get their short words packed into its list.
    static constexpr int kPackedShortWordLimit = 30;
    // The title marker is shown only over the last bytes of a chunk.
    static constexpr std::size_t kProgressTailBytes = 100000;

    // Both are borrowed for the extractor's life; the store must be open for indexing
    // before IndexChunk() or LoadRoots() is called.
    WordExtractor(app::Workspace& workspace, archive::ArchiveStore& store);

    // Reads the archive's stop-word list ("NIN.") whole. False when it cannot be read;
    // no word is then a stop word.
    bool loadStopWords();
    const StopWordTree& stopWords() const { return m_stopWords; }

    // Starts a document: its number, and for an update the int32 values of its old
    // word list (sorted here). Resets the registered-word counter and the word watch.
    void beginDocument(std::uint32_t number, std::vector<std::uint32_t> previousWords = {});
    const CurrentDocument& currentDocument() const { return m_document; }

    // On for every normal run: a word that begins with a letter is kept only when its
    // first three letters are a root of the archive.
    void setRootFilter(bool on) { m_rootFilter = on; }
    bool rootFilter() const { return m_rootFilter; }
    // The root set's answers are remembered for the extractor's life (the store reads
    // "RAD." from disk on every question); call this when the store's archive changes.
    void forgetRoots();

    // Up to ten words of the current query, as the archive stores them (lower case,
    // folded); the rest are ignored. The callback runs once per document, on the
    // first registered word equal to one of them. An empty list turns the watch off.
    void setWordWatch(std::vector<std::string> queryWords, WatchCallback onMatch);
    void clearWordWatch();

    // Tokenises `text` and registers its words for the current document. The chunk
    // is rewritten in place (escapes decoded, accents folded, words lower-cased).
    // Returns early, with the title "Break...", once BreakCode is set: by Escape
    // confirmed, or by the store after it has shown its message. `documentPath` is
    // only shown (title, word watch).
    void IndexChunk(char* text, std::size_t length, const std::string& documentPath);

    // Adds to the archive's root set the first three characters, lower-cased, of
    // every run of ASCII letters and digits in `text`. Stops when the store fails.
    void LoadRoots(const char* text, std::size_t length);

    // Postings written by this extractor (the run's count of indexed words).
    std::uint64_t wordsIndexed() const { return m_wordsIndexed; }
    void resetCounters() { m_wordsIndexed = 0; }

private:
    bool inPreviousWords(std::uint32_t value) const;
    // True when the root is in the set; false too when the store failed (BreakCode set).
    bool isRoot(std::string_view root);
    void watchWord(std::string_view word, const std::string& documentPath);
    void showProgress(std::size_t remainingBytes);
    void showBreak();

    app::Workspace& m_workspace;
    archive::ArchiveStore& m_store;
    CurrentDocument m_document;
    bool m_rootFilter = true;
    StopWordTree m_stopWords;
    // One state per root of up to three digits or small letters: unknown, in, out.
    std::vector<std::uint8_t> m_rootAnswers;
    std::vector<std::string> m_watchWords;
    WatchCallback m_onWatch;
    bool m_watchFired = false;
    std::uint64_t m_wordsIndexed = 0;
    bool m_markerFlip = false;
    std::chrono::steady_clock::time_point m_lastTitle{};
};

} // namespace vedra::indexing
