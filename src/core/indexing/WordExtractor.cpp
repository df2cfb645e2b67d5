// The token loop works on the chunk itself: a word is a view into the buffer,
// lower-cased where it lies, so nothing is allocated per word. A table classes
// each byte as ASCII letter, digit or separator: bytes at or above 0x80 that
// survived the accent folding separate words, as NUL and punctuation do.
#include "core/indexing/WordExtractor.h"

#include "core/app/Workspace.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "core/indexing/IndexTokens.h"
#include "core/indexing/RootCut.h"
#include "core/io/FileHandle.h"
#include "core/web/WebEscapes.h"

#include <algorithm>
#include <array>

namespace vedra::indexing {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRootSymbols = 37;  // none, ten digits, 26 small letters
constexpr std::uint8_t kRootUnknown = 0;
constexpr std::uint8_t kRootIn = 1;
constexpr std::uint8_t kRootOut = 2;
// A title per word would cost more than the indexing itself.
constexpr auto kTitleInterval = 50ms;

bool isDigit(char c)
{
    return tokenClassOf(c) == TokenClass::Digit;
}

char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The slot of a root in the answer table; -1 for a root the table cannot hold.
int rootSlot(std::string_view root)
{
    if (root.empty() || root.size() > kRootLength)
        return -1;
    std::size_t slot = 0;
    for (std::size_t i = 0; i < kRootLength; ++i) {
        std::size_t symbol = 0;
        if (i < root.size()) {
            char c = root[i];
            if (isDigit(c))
                symbol = 1 + static_cast<std::size_t>(c - '0');
            else if (c >= 'a' && c <= 'z')
                symbol = 11 + static_cast<std::size_t>(c - 'a');
            else
                return -1;
        }
        slot = slot * kRootSymbols + symbol;
    }
    return static_cast<int>(slot);
}

} // namespace

WordExtractor::WordExtractor(app::Workspace& workspace, archive::ArchiveStore& store)
    : m_workspace(workspace), m_store(store), m_rootAnswers(kRootSymbols * kRootSymbols * kRootSymbols, kRootUnknown)
{
}

bool WordExtractor::loadStopWords()
{
    auto bytes = io::readFileBytes(m_store.slotPath(archive::SlotStopWords));
    if (!bytes) {
        m_stopWords.clear();
        return false;
    }
    m_stopWords.load(*bytes);
    return true;
}

void WordExtractor::beginDocument(std::uint32_t number, std::vector<std::uint32_t> previousWords)
{
    std::sort(previousWords.begin(), previousWords.end());
    m_document.number = number;
    m_document.registeredWords = 0;
    m_document.previousWords = std::move(previousWords);
    m_watchFired = false;
}

void WordExtractor::forgetRoots()
{
    std::fill(m_rootAnswers.begin(), m_rootAnswers.end(), kRootUnknown);
}

void WordExtractor::setWordWatch(std::vector<std::string> queryWords, WatchCallback onMatch)
{
    if (queryWords.size() > kMaxWatchedWords)
        queryWords.resize(kMaxWatchedWords);
    m_watchWords = std::move(queryWords);
    m_onWatch = std::move(onMatch);
    m_watchFired = false;
}

void WordExtractor::clearWordWatch()
{
    m_watchWords.clear();
    m_onWatch = nullptr;
}

bool WordExtractor::inPreviousWords(std::uint32_t value) const
{
    const auto& previous = m_document.previousWords;
    return !previous.empty() && std::binary_search(previous.begin(), previous.end(), value);
}

bool WordExtractor::isRoot(std::string_view root)
{
    int slot = rootSlot(root);
    if (slot >= 0 && m_rootAnswers[static_cast<std::size_t>(slot)] != kRootUnknown)
        return m_rootAnswers[static_cast<std::size_t>(slot)] == kRootIn;
    bool in = m_store.hasRoot(root);
    // A damaged tree answers false with BreakCode set: that answer is not kept.
    if (slot >= 0 && m_workspace.BreakCode == app::StopCode::None)
        m_rootAnswers[static_cast<std::size_t>(slot)] = in ? kRootIn : kRootOut;
    return in;
}

void WordExtractor::watchWord(std::string_view word, const std::string& documentPath)
{
    if (m_watchFired || !m_onWatch)
        return;
    for (const std::string& watched : m_watchWords) {
        if (watched == word) {
            m_watchFired = true;
            m_onWatch(documentPath);
            return;
        }
    }
}

void WordExtractor::showProgress(std::size_t remainingBytes)
{
    if (remainingBytes >= kProgressTailBytes)
        return;
    m_markerFlip = !m_markerFlip;
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastTitle < kTitleInterval)
        return;
    m_lastTitle = now;
    m_workspace.host().setTitle(m_markerFlip ? " ." : ". ");
}

void WordExtractor::showBreak()
{
    m_workspace.host().setTitle("Break...");
}

void WordExtractor::IndexChunk(char* text, std::size_t length, const std::string& documentPath)
{
    length = web::DecodeWebEscapes(text, length);
    web::FoldAccents(text, length);

    const std::size_t truncation = static_cast<std::size_t>(std::max(1, m_workspace.maxWordLength));
    const std::size_t minimum = static_cast<std::size_t>(std::max(0, m_workspace.minWordLength));

    const std::string_view chunk(text, length);
    std::size_t at = 0;
    while (at < length) {
        m_workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (m_workspace.BreakCode != app::StopCode::None) {
            showBreak();
            return;
        }
        const std::optional<IndexToken> token = NextIndexToken(chunk, at, truncation, minimum);
        if (!token)
            break;
        at = token->next;
        char* const word = text + token->start;
        const std::size_t wordLength = token->length;
        const bool startsWithLetter = token->startsWithLetter;

        if (token->isShort) {
            std::string_view shortWord(word, wordLength);
            if (m_document.registeredWords < kPackedShortWordLimit) {
                if (!m_store.appendWordListEntry(archive::packShortWord(shortWord))) {
                    showBreak();
                    return;
                }
            }
            if (!isCapitalisedShortWord(shortWord))
                continue;
        }

        std::transform(word, word + wordLength, word, toLowerAscii);
        const std::string_view lowered(word, wordLength);

        if (wordLength > 2 && m_stopWords.contains(lowered))
            continue;
        // The word hash refuses a key whose bucket lies past the table ("Error", the
        // word dropped). A lower-cased run of ASCII letters or digits always falls
        // inside it (bucket 6500 at most), and findOrAddWord() applies the same
        // refusal, so the hash is not computed twice per word here.
        if (m_rootFilter && startsWithLetter && !isRoot(lowered.substr(0, kRootLength))) {
            if (m_workspace.BreakCode != app::StopCode::None) {
                showBreak();
                return;
            }
            continue;
        }

        ++m_document.registeredWords;
        if (!m_watchWords.empty())
            watchWord(lowered, documentPath);

        auto lookup = m_store.findOrAddWord(lowered);
        if (!lookup) {
            // Without BreakCode the store refused this word only; the chunk goes on.
            if (m_workspace.BreakCode != app::StopCode::None) {
                showBreak();
                return;
            }
            continue;
        }
        // An update lists every word of the text again, so that its list says what
        // the file holds now, but posts only the words the document did not hold.
        if (!m_store.appendWordListEntry(lookup->node)) {
            showBreak();
            return;
        }
        if (!inPreviousWords(lookup->node)) {
            if (m_store.addPosting(*lookup, m_document.number)) {
                ++m_wordsIndexed;
            } else if (m_workspace.BreakCode != app::StopCode::None) {
                showBreak();
                return;
            }
        }
        showProgress(at < length ? length - at : 0);
    }
}

void WordExtractor::LoadRoots(const char* text, std::size_t length)
{
    bool failed = false;
    ForEachRootRun(text, length, [&](std::string_view key, std::string_view) {
        if (failed)
            return;
        int slot = rootSlot(key);
        if (slot >= 0 && m_rootAnswers[static_cast<std::size_t>(slot)] == kRootIn)
            return;
        if (!archive::wordBucket(key)) {
            m_workspace.host().messageBox("Error", app::MessageButtons::Ok);
            return;
        }
        if (!m_store.addRoot(key)) {
            failed = true;
            return;
        }
        if (slot >= 0)
            m_rootAnswers[static_cast<std::size_t>(slot)] = kRootIn;
    });
}

} // namespace vedra::indexing
