// The screen: one large read per file (a few for a large one), a test for plain
// ASCII, and a search for each word's rarest letter in both cases before the word
// itself is compared around it.
#include "core/search/DiskWordScreen.h"

#include "core/indexing/TextCleaners.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>

namespace vedra::search {
namespace {

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isPlainAscii(std::string_view text)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::uint64_t seen = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t block;
        std::memcpy(&block, text.data() + i, sizeof block);
        seen |= block;
    }
    for (; i < text.size(); ++i)
        seen |= static_cast<unsigned char>(text[i]);
    return (seen & kHighBits) == 0;
}

// How often a letter turns up in English prose and in code, most frequent first:
// the word's letter latest in this list is searched for first.
constexpr std::string_view kCommonFirst = "etaoinsrhldcu0mf1pg2wyb3v45k6789xjqz";

// The letters and digits that some byte above ASCII folds to (an accented letter
// of cp1252; a UTF-8 character becomes such a byte, or a blank, first).
std::string foldedFromHighBytes()
{
    std::string letters;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        std::string one(1, static_cast<char>(byte));
        FoldForSearch(one);
        if (isAsciiAlnum(one[0]) && letters.find(lowerAscii(one[0])) == std::string::npos)
            letters += lowerAscii(one[0]);
    }
    return letters;
}

// The word's rarest letter, among those no high byte folds to when it has any.
std::size_t rarestLetter(std::string_view word, std::string_view avoided, bool& plain)
{
    std::size_t best = 0;
    std::size_t bestRank = 0;
    plain = false;
    for (int pass = 0; pass < 2 && !plain; ++pass) {
        for (std::size_t i = 0; i < word.size(); ++i) {
            bool isPlain = avoided.find(word[i]) == std::string_view::npos;
            if (pass == 0 && !isPlain)
                continue;
            std::size_t rank = kCommonFirst.find(word[i]);
            if (rank == std::string_view::npos)
                rank = 0;
            if (rank >= bestRank || (pass == 0 && !plain)) {
                best = i;
                bestRank = rank;
                plain = pass == 0;
            }
        }
    }
    return best;
}

bool isHigh(char c)
{
    return (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The alphanumeric run around [start, end) of `text`.
std::pair<std::size_t, std::size_t> alnumRun(std::string_view text, std::size_t start, std::size_t end)
{
    while (start > 0 && isAsciiAlnum(text[start - 1]))
        --start;
    while (end < text.size() && isAsciiAlnum(text[end]))
        ++end;
    return {start, end};
}

} // namespace

class DiskWordScreen::Reader {
public:
    virtual ~Reader() = default;
    // Up to `count` bytes at `offset`, fewer only at the end; -1 on an error.
    virtual std::int64_t read(std::uint64_t offset, char* buffer, std::size_t count) = 0;
};

namespace {

// The first `c` in [from, stop); none for the byte 0 (a letter with no other case).
const char* nextByte(const char* from, const char* stop, char c)
{
    if (c == 0 || from >= stop)
        return nullptr;
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(stop - from)));
}

// The places of one letter in either case, in order of place.
class BothCases {
public:
    BothCases(const char* from, const char* stop, char lower)
        : m_stop(stop), m_lower(lower),
          m_upper(lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : 0),
          m_atLower(nextByte(from, stop, m_lower)), m_atUpper(nextByte(from, stop, m_upper))
    {
    }

    // The next place; none once both cases are used up.
    const char* take()
    {
        const char* hit;
        if (m_atUpper == nullptr || (m_atLower != nullptr && m_atLower < m_atUpper)) {
            hit = m_atLower;
            if (hit != nullptr)
                m_atLower = nextByte(hit + 1, m_stop, m_lower);
        } else {
            hit = m_atUpper;
            m_atUpper = nextByte(hit + 1, m_stop, m_upper);
        }
        return hit;
    }

private:
    const char* m_stop;
    char m_lower;
    char m_upper;
    const char* m_atLower;
    const char* m_atUpper;
};

class FileReader final : public DiskWordScreen::Reader {
public:
    explicit FileReader(const io::FileHandle& file) : m_file(file) {}
    std::int64_t read(std::uint64_t offset, char* buffer, std::size_t count) override
    {
        return m_file.readAt(offset, buffer, count);
    }

private:
    const io::FileHandle& m_file;
};

class BytesReader final : public DiskWordScreen::Reader {
public:
    explicit BytesReader(std::string_view bytes) : m_bytes(bytes) {}
    std::int64_t read(std::uint64_t offset, char* buffer, std::size_t count) override
    {
        if (offset >= m_bytes.size())
            return 0;
        std::size_t n = std::min(count, m_bytes.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, m_bytes.data() + offset, n);
        return static_cast<std::int64_t>(n);
    }

private:
    std::string_view m_bytes;
};

} // namespace

DiskWordScreen::DiskWordScreen(std::vector<HitWord> words, HitOptions options, std::size_t blockBytes,
                               std::size_t readBytes)
    : m_options(options), m_blockBytes(std::max<std::size_t>(blockBytes, 1)),
      m_readBytes(readBytes == 0 ? m_blockBytes : readBytes)
{
    const std::string avoided = foldedFromHighBytes();
    for (HitWord& hit : words) {
        Word word;
        word.text = std::move(hit.text);
        word.prefixOnly = hit.fullLength > options.trimThreshold || hit.cut;
        if (word.text.empty() || !std::all_of(word.text.begin(), word.text.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
            }))
            m_alwaysLook = true;
        word.anchor = rarestLetter(word.text, avoided, word.plainAnchor);
        m_plainAnchors = m_plainAnchors && word.plainAnchor;
        m_longestWord = std::max(m_longestWord, word.text.size());
        m_words.push_back(std::move(word));
    }
}

ScreenVerdict DiskWordScreen::screenFile(const std::string& path) const
{
    auto file = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!file)
        return ScreenVerdict::CannotOpen;
    FileReader reader(*file);
    return screen(path, reader);
}

ScreenVerdict DiskWordScreen::screenBytes(std::string_view path, std::string_view bytes) const
{
    BytesReader reader(bytes);
    return screen(path, reader);
}

bool DiskWordScreen::decided(const std::vector<char>& found) const
{
    if (m_options.andWords)
        return std::all_of(found.begin(), found.end(), [](char f) { return f != 0; });
    return std::any_of(found.begin(), found.end(), [](char f) { return f != 0; });
}

ScreenVerdict DiskWordScreen::screen(std::string_view path, Reader& reader) const
{
    // One buffer per thread, kept between files: no allocation per file.
    thread_local std::vector<char> buffer;
    thread_local std::string folded;
    const std::size_t carryBytes = m_longestWord + 1;
    const std::size_t wanted = std::max(m_blockBytes, m_readBytes) + carryBytes;
    if (buffer.size() < wanted)
        buffer.resize(wanted);

    std::int64_t got = reader.read(0, buffer.data(), m_blockBytes);
    if (got < 0) {
        // The access check reads one byte: a file whose first byte reads is left to
        // the hit search, which reports the failure as it always has.
        char byte = 0;
        return reader.read(0, &byte, 1) < 0 ? ScreenVerdict::CannotRead : ScreenVerdict::MayHit;
    }
    if (m_words.empty())
        return ScreenVerdict::NoHit;
    // NUL-squeezed and kept-NUL documents are rare: their reading is left to the hit
    // search rather than copied here.
    if (m_alwaysLook || PreviewBinaryMode(path) != BinaryMode::Text)
        return ScreenVerdict::MayHit;

    std::vector<char> found(m_words.size(), 0);
    auto length = static_cast<std::size_t>(got);
    if (length < m_blockBytes) {
        // The whole file is one block to the hit search: judge its very text.
        std::string_view text(buffer.data(), length);
        if (isPlainAscii(text)) {
            markAscii(text, {.first = true, .final = true, .whole = true}, found);
        } else if (m_plainAnchors) {
            markMixed(text, found);
        } else {
            folded.assign(text);
            folded.resize(indexing::TranscodeDocumentBlock(folded.data(), folded.size()));
            std::replace(folded.begin(), folded.end(), '\0', ' ');
            FoldForSearch(folded);
            markFolded(folded, found);
        }
        return decided(found) ? ScreenVerdict::MayHit : ScreenVerdict::NoHit;
    }

    // A file of several blocks: the hit search's blocks do not fall where these
    // pieces do, so only plain ASCII (read the same in any block) is judged, and each
    // piece keeps the end of the last so a word across the seam is whole in one.
    std::uint64_t offset = length;
    bool firstPiece = true;
    bool finalPiece = false;
    for (;;) {
        std::string_view text(buffer.data(), length);
        if (!isPlainAscii(text))
            return ScreenVerdict::MayHit;
        markAscii(text, {.first = firstPiece, .final = finalPiece, .whole = false}, found);
        if (decided(found))
            return ScreenVerdict::MayHit;
        if (finalPiece)
            return ScreenVerdict::NoHit;
        std::size_t keep = std::min(length, carryBytes);
        std::memmove(buffer.data(), buffer.data() + length - keep, keep);
        std::int64_t more = reader.read(offset, buffer.data() + keep, m_readBytes);
        if (more < 0)
            return ScreenVerdict::MayHit;  // the hit search meets and reports the failure
        offset += static_cast<std::uint64_t>(more);
        length = keep + static_cast<std::size_t>(more);
        firstPiece = false;
        finalPiece = static_cast<std::size_t>(more) < m_readBytes;
    }
}

void DiskWordScreen::markAscii(std::string_view text, Piece piece, std::vector<char>& found) const
{
    const char* base = text.data();
    const char* stop = base + text.size();
    for (std::size_t k = 0; k < m_words.size(); ++k) {
        if (found[k])
            continue;
        const Word& word = m_words[k];
        const std::size_t size = word.text.size();
        BothCases places(base + word.anchor, stop, word.text[word.anchor]);
        while (const char* hit = places.take()) {
            const std::size_t start = static_cast<std::size_t>(hit - base) - word.anchor;
            const std::size_t end = start + size;
            if (end > text.size())
                continue;  // not whole here; a later piece holds it whole
            bool same = true;
            for (std::size_t i = 0; i < size && same; ++i)
                same = lowerAscii(base[start + i]) == word.text[i];
            if (!same)
                continue;
            if (end == text.size() && !piece.final && !word.prefixOnly && !m_options.wordsOr)
                continue;  // what follows is in the next piece, which holds this again
            bool accepted = m_options.wordsOr;
            if (!accepted) {
                bool before = start == 0 ? piece.first : !isAsciiAlnum(base[start - 1]);
                bool after = word.prefixOnly || end == text.size() || !isAsciiAlnum(base[end]);
                accepted = before && after;
            }
            if (!accepted && !piece.whole) {
                // The hit search cuts a word only inside a run of letters longer than
                // its block; a run this piece does not hold whole may be one.
                auto [runStart, runEnd] = alnumRun(text, start, end);
                accepted = (runStart == 0 && !piece.first) || (runEnd == text.size() && !piece.final) ||
                           runEnd - runStart >= m_blockBytes;
            }
            if (accepted) {
                found[k] = 1;
                break;
            }
        }
    }
}

void DiskWordScreen::markMixed(std::string_view raw, std::vector<char>& found) const
{
    const char* base = raw.data();
    const char* stop = base + raw.size();
    for (std::size_t k = 0; k < m_words.size(); ++k) {
        if (found[k])
            continue;
        const Word& word = m_words[k];
        BothCases places(base, stop, word.text[word.anchor]);
        while (const char* hit = places.take()) {
            if (mayHoldAround(raw, static_cast<std::size_t>(hit - base), word)) {
                found[k] = 1;
                break;
            }
        }
    }
}

bool DiskWordScreen::mayHoldAround(std::string_view raw, std::size_t anchorAt, const Word& word) const
{
    const std::size_t size = word.text.size();
    const std::size_t anchor = word.anchor;
    // Every character is at least one byte: a word that does not fit is not here.
    if (anchorAt < anchor || raw.size() - anchorAt < size - anchor)
        return false;
    // Plain letters on both sides of the anchor decide alone; the first byte above
    // ASCII (a character of one or more bytes) calls for the stretch to be read.
    bool readStretch = false;
    for (std::size_t i = anchor + 1; i < size && !readStretch; ++i) {
        char c = raw[anchorAt + i - anchor];
        if (isHigh(c))
            readStretch = true;
        else if (lowerAscii(c) != word.text[i])
            return false;
    }
    for (std::size_t i = anchor; i > 0 && !readStretch; --i) {
        char c = raw[anchorAt - (anchor - i) - 1];
        if (isHigh(c))
            readStretch = true;
        else if (lowerAscii(c) != word.text[i - 1])
            return false;
    }
    if (!readStretch) {
        if (m_options.wordsOr)
            return true;
        const std::size_t start = anchorAt - anchor;
        const std::size_t end = start + size;
        if (start > 0 && isHigh(raw[start - 1]))
            readStretch = true;
        else if (start > 0 && isAsciiAlnum(raw[start - 1]))
            return false;
        if (!word.prefixOnly && end < raw.size()) {
            if (isHigh(raw[end]))
                readStretch = true;
            else if (isAsciiAlnum(raw[end]))
                return false;
        }
        if (!readStretch)
            return true;
    }

    // The stretch wide enough for the word and a neighbour on each side in UTF-8
    // (four bytes a character), read both as cp1252 and as UTF-8: the hit search
    // reads the file one way or the other.
    std::size_t from = anchorAt - std::min(anchorAt, 4 * (anchor + 1));
    std::size_t to = std::min(raw.size(), anchorAt + 4 * (size - anchor + 1));
    auto holds = [&](std::string& text, std::size_t at) {
        std::replace(text.begin(), text.end(), '\0', ' ');
        FoldForSearch(text);
        if (at < anchor || text.size() - (at - anchor) < size)
            return false;
        const std::size_t start = at - anchor;
        const std::size_t end = start + size;
        if (text.compare(start, size, word.text) != 0)
            return false;
        if (m_options.wordsOr)
            return true;
        // A neighbour outside the stretch is not known: the hit search decides.
        bool before = start == 0 ? true : !isAsciiAlnum(text[start - 1]);
        bool after = word.prefixOnly || end == text.size() || !isAsciiAlnum(text[end]);
        return before && after;
    };
    thread_local std::string stretch;
    stretch.assign(raw.substr(from, to - from));
    if (holds(stretch, anchorAt - from))
        return true;
    // As UTF-8: from the start of a character, to the end of one.
    std::size_t utfFrom = from;
    while (utfFrom < anchorAt && isContinuation(raw[utfFrom]))
        ++utfFrom;
    std::size_t utfTo = to == raw.size() ? to : utfFrom + indexing::Utf8SafeLength(raw.data() + utfFrom, to - utfFrom);
    if (utfTo <= anchorAt)
        return true;  // cannot tell: the hit search decides
    stretch.assign(raw.substr(utfFrom, utfTo - utfFrom));
    std::size_t characters = indexing::TranscodeDocumentBlock(stretch.data(), stretch.size());
    if (characters == stretch.size())
        return false;  // not UTF-8 here, so not in the file: the cp1252 reading was the one
    stretch.resize(characters);
    std::size_t at = 0;
    for (std::size_t i = utfFrom; i < anchorAt; ++i)
        at += isContinuation(raw[i]) ? 0 : 1;
    return holds(stretch, at);
}

void DiskWordScreen::markFolded(std::string_view text, std::vector<char>& found) const
{
    for (std::size_t k = 0; k < m_words.size(); ++k) {
        if (found[k])
            continue;
        const Word& word = m_words[k];
        for (std::size_t at = text.find(word.text); at != std::string_view::npos; at = text.find(word.text, at + 1)) {
            if (!m_options.wordsOr) {
                if (at > 0 && isAsciiAlnum(text[at - 1]))
                    continue;
                std::size_t end = at + word.text.size();
                if (!word.prefixOnly && end < text.size() && isAsciiAlnum(text[end]))
                    continue;
            }
            found[k] = 1;
            break;
        }
    }
}

int DefaultDiskScreenThreads()
{
    unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 2u, 8u));
}

} // namespace vedra::search
