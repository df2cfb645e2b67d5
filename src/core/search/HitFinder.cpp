// Block reading and hit search for the preview and the extract file.
#include "core/search/HitFinder.h"

#include "core/app/Workspace.h"
#include "core/indexing/TextCleaners.h"
#include "core/io/FileHandle.h"
#include "core/web/WebEscapes.h"

#include <algorithm>

namespace vedra::search {
namespace {

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A word of full length up to the threshold is whole: nothing alphanumeric touches
// it. A shortened word stands for a longer one, so only its start must be a word start.
bool isAcceptedPlace(std::string_view text, std::size_t position, std::size_t length, bool shortened)
{
    if (position > 0 && isAsciiAlnum(text[position - 1]))
        return false;
    if (shortened)
        return true;
    std::size_t end = position + length;
    return end >= text.size() || !isAsciiAlnum(text[end]);
}

} // namespace

void FoldForSearch(std::string& text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    web::FoldAccents(text);
}

std::int64_t TextBlock::filePosition(std::size_t offset) const
{
    if (m_rawOffsets.empty())
        return m_base + static_cast<std::int64_t>(offset);
    if (offset < m_rawOffsets.size())
        return m_base + m_rawOffsets[offset];
    return m_nextPosition;
}

void TextBlock::clear()
{
    m_text.clear();
    m_rawOffsets.clear();
    m_base = 0;
    m_nextPosition = 0;
    m_fileSize = 0;
}

std::size_t ReadTextBlock(app::Workspace& workspace, const io::FileHandle& file, std::int64_t position,
                          ReadMode mode, BinaryMode binaryMode, std::size_t capacityBytes, TextBlock& block)
{
    block.m_text.clear();
    block.m_rawOffsets.clear();
    block.m_base = position;
    block.m_nextPosition = position;
    std::int64_t size = file.size();
    if (size < 0) {
        block.m_fileSize = 0;
        workspace.showMessage(app::MessageKey::MsgCannotLoadData);
        return 0;
    }
    block.m_fileSize = size;
    if (position < 0 || position >= size || capacityBytes == 0)
        return 0;

    std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(capacityBytes), size - position));
    std::string raw(wanted, '\0');
    std::int64_t got = file.readAt(static_cast<std::uint64_t>(position), raw.data(), wanted);
    if (got < 0) {
        workspace.showMessage(app::MessageKey::MsgCannotLoadData);
        return 0;
    }
    if (got == 0) {
        // The file shrank under us: its end is here now.
        block.m_fileSize = position;
        return 0;
    }
    raw.resize(static_cast<std::size_t>(got));
    bool atEnd = position + got >= size;
    std::size_t rawLength = raw.size();
    if (!atEnd) {
        std::size_t safe = indexing::Utf8SafeLength(raw.data(), raw.size());
        // A block too small to hold one whole sequence is taken as it is rather
        // than never moving on.
        if (safe > 0)
            rawLength = safe;
    }
    raw.resize(rawLength);

    std::string& text = block.m_text;
    text = raw;
    text.resize(indexing::TranscodeDocumentBlock(text.data(), text.size()));
    std::vector<std::uint32_t>& offsets = block.m_rawOffsets;
    if (text.size() != rawLength) {
        // Transcoding gives one character per sequence: note where each began.
        offsets.reserve(text.size());
        for (std::size_t i = 0; i < rawLength; ++i) {
            if (!isContinuationByte(raw[i]))
                offsets.push_back(static_cast<std::uint32_t>(i));
        }
        if (offsets.size() != text.size())
            offsets.clear();
    }

    bool positionsApproximate = false;
    switch (binaryMode) {
    case BinaryMode::Squeeze: {
        std::size_t squeezed = indexing::SqueezeNuls(text.data(), text.size(), text.data());
        if (squeezed != text.size()) {
            positionsApproximate = true;
            offsets.clear();
        }
        text.resize(squeezed);
        break;
    }
    case BinaryMode::Keep:
        break;
    case BinaryMode::Text:
        std::replace(text.begin(), text.end(), '\0', ' ');
        break;
    }

    std::size_t consumed = rawLength;
    if (mode == ReadMode::Search) {
        // Folding before the trim, so that a cut word ending in a folded letter is
        // given back too; digits are given back like letters, since a cut number
        // would otherwise match as a whole shorter one.
        FoldForSearch(text);
        if (!atEnd && !positionsApproximate) {
            std::size_t keep = text.size();
            while (keep > 0 && isAsciiAlnum(text[keep - 1]))
                --keep;
            if (keep > 0 && keep < text.size()) {
                consumed = offsets.empty() ? keep : offsets[keep];
                text.resize(keep);
                if (!offsets.empty())
                    offsets.resize(keep);
            }
        }
    }
    block.m_nextPosition = position + static_cast<std::int64_t>(consumed);
    return text.size();
}

HitFinder::HitFinder(app::Workspace& workspace, const io::FileHandle& file, TextBlock& block, HitOptions options,
                     ReadMode mode, BinaryMode binaryMode, std::size_t capacityBytes)
    : m_workspace(workspace), m_file(file), m_block(block), m_options(options), m_mode(mode),
      m_binaryMode(binaryMode), m_capacity(capacityBytes)
{
}

std::size_t HitFinder::nextOccurrence(const std::vector<HitWord>& words, std::size_t index, std::size_t from) const
{
    const HitWord& word = words[index];
    std::string_view text = m_block.text();
    bool shortened = word.fullLength > m_options.trimThreshold || word.cut;
    for (std::size_t position = text.find(word.text, from); position != std::string_view::npos;
         position = text.find(word.text, position + 1)) {
        if (!m_options.wordsOr && !isAcceptedPlace(text, position, word.text.size(), shortened))
            continue;
        bool taken = false;
        for (std::size_t other = 0; other < words.size() && !taken; ++other) {
            taken = other != index && words[other].placed() && words[other].hitOffset == position &&
                    words[other].text.size() >= word.text.size();
        }
        if (!taken)
            return position;
    }
    return std::string_view::npos;
}

bool HitFinder::FindNextHit(std::vector<HitWord>& words, std::size_t start)
{
    for (HitWord& word : words)
        word.clearHit();
    if (words.empty() || words.front().text.empty()) {
        m_searchPosition = start;
        return true;
    }

    std::size_t span = static_cast<std::size_t>(std::max(m_options.contiguityDistance, 0)) * (words.size() - 1);
    for (const HitWord& word : words)
        span += word.text.size();

    std::size_t from = start;
    for (;;) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (words[i].placed())
                continue;
            std::size_t position = nextOccurrence(words, i, from);
            if (position != std::string_view::npos) {
                words[i].hitOffset = position;
                words[i].hitPosition = m_block.filePosition(position);
            }
        }
        std::stable_sort(words.begin(), words.end(), [](const HitWord& a, const HitWord& b) {
            if (a.placed() != b.placed())
                return !a.placed();
            return a.hitOffset < b.hitOffset;
        });
        std::size_t placed = static_cast<std::size_t>(
            std::count_if(words.begin(), words.end(), [](const HitWord& w) { return w.placed(); }));

        bool found = false;
        if (!m_options.andWords) {
            if (placed == 0)
                return false;
            found = true;
        } else if (placed < words.size()) {
            if (!readOn(words, span))
                return false;
            from = 0;
            continue;
        } else if (!m_options.contiguity || words.size() == 1) {
            found = true;
        } else {
            std::size_t first = words.front().hitOffset;
            std::size_t last = words.back().hitOffset;
            if (last - first <= span) {
                found = true;
            } else {
                // last - first > span, so the new start lies past the first hit: each
                // retry moves on and the loop ends.
                for (std::size_t i = 0; i + 1 < words.size(); ++i)
                    words[i].clearHit();
                from = last - span + 1;
                continue;
            }
        }
        if (found) {
            const HitWord& last = words.back();
            m_searchPosition = last.hitOffset + last.text.size();
            return true;
        }
    }
}

bool HitFinder::readOn(std::vector<HitWord>& words, std::size_t span)
{
    if (m_block.reachesEnd())
        return false;
    std::int64_t next = m_block.nextPosition();
    if (m_options.contiguity && words.size() > 1 && words.back().placed()) {
        // A group that the block end cuts: read it whole with the next block. A hit
        // at offset 0 would read the same block again, so it is left.
        const HitWord& last = words.back();
        if (last.hitOffset > 0 && m_block.length() - last.hitOffset <= span)
            next = last.hitPosition;
    }
    for (HitWord& word : words)
        word.clearHit();
    m_workspace.PumpPendingMessages();
    if (m_workspace.BreakCode != app::StopCode::None)
        return false;
    return ReadTextBlock(m_workspace, m_file, next, m_mode, m_binaryMode, m_capacity, m_block) > 0;
}

std::size_t MarkHits(PreviewDocument& preview, const std::vector<HitWord>& words, int trimThreshold,
                     bool wholeWordsOnly, Colour colour)
{
    std::string folded = preview.text();
    FoldForSearch(folded);
    std::size_t firstMarked = std::string::npos;
    for (const HitWord& word : words) {
        if (word.text.empty())
            continue;
        bool shortened = word.fullLength > trimThreshold && static_cast<int>(word.text.size()) < word.fullLength;
        std::size_t markLength = word.text.size() + (shortened ? 1 : 0);
        for (std::size_t position = folded.find(word.text); position != std::string::npos;
             position = folded.find(word.text, position + word.text.size())) {
            if (wholeWordsOnly && !isAcceptedPlace(folded, position, word.text.size(), shortened || word.cut))
                continue;
            preview.mark(position, markLength, {.bold = true, .colour = colour});
            firstMarked = std::min(firstMarked, position);
        }
    }
    return firstMarked;
}

std::vector<HitWord> HitWordsFrom(const QueryWordTable& table)
{
    std::vector<HitWord> words;
    for (int i = 0; i < table.count && i < QueryWordTable::kMaxWords; ++i) {
        const QueryWord& word = table.words[static_cast<std::size_t>(i)];
        HitWord hit{word.text, word.fullLength, HitWord::kNoHit, 0};
        hit.cut = word.runLength > word.fullLength;
        words.push_back(std::move(hit));
    }
    return words;
}

HitOptions HitOptionsFrom(const SearchOptions& options, int trimThreshold)
{
    HitOptions hit;
    hit.andWords = options.andWords != 0;
    hit.contiguity = options.contiguity != 0;
    hit.contiguityDistance = options.contiguityDistance();
    hit.wordsOr = options.wordsOr != 0;
    hit.trimThreshold = trimThreshold;
    return hit;
}

BinaryMode PreviewBinaryMode(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return BinaryMode::Text;
    std::string extension(path.substr(dot));
    FoldForSearch(extension);
    if (extension == ".pub" || extension == ".doc" || extension == ".ppt" || extension == ".wma")
        return BinaryMode::Squeeze;
    if (extension == ".rtf")
        return BinaryMode::Keep;
    return BinaryMode::Text;
}

std::size_t TextBlockBytes(const app::Workspace& workspace)
{
    // The smallest text buffer the sizing rule gives, less its reserve.
    constexpr std::size_t kFallback = 256000 * 8 - 1024;
    std::int64_t usable = workspace.workBuffers.sizes().textUsable;
    return usable > 1024 ? static_cast<std::size_t>(usable) : kFallback;
}

bool FileHasHits(app::Workspace& workspace, const std::string& path, const std::vector<HitWord>& words,
                 const HitOptions& options, std::size_t blockBytes)
{
    auto file = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!file || words.empty())
        return false;
    const BinaryMode binaryMode = PreviewBinaryMode(path);
    TextBlock block;
    if (ReadTextBlock(workspace, *file, 0, ReadMode::Search, binaryMode, blockBytes, block) == 0)
        return false;
    std::vector<HitWord> placed = words;
    HitFinder finder(workspace, *file, block, options, ReadMode::Search, binaryMode, blockBytes);
    // AND off gives up at the end of a block; the next block may still hold a word.
    while (true) {
        if (finder.FindNextHit(placed, 0))
            return std::any_of(placed.begin(), placed.end(), [](const HitWord& w) { return w.placed(); });
        if (options.andWords || block.reachesEnd() || workspace.BreakCode != app::StopCode::None)
            return false;
        if (ReadTextBlock(workspace, *file, block.nextPosition(), ReadMode::Search, binaryMode, blockBytes, block) == 0)
            return false;
    }
}

} // namespace vedra::search
