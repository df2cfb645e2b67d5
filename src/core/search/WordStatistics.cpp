// The word-statistics report. The document is read once, block by block, lower-cased
// and folded as the hit search reads it; one pass feeds both the query-word counts
// and the temporary word tree, so a word cut by a block border is still seen whole.
#include "core/search/WordStatistics.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <utility>

namespace vedra::search {
namespace {

// The block is this much shorter than the text buffer.
constexpr std::size_t kBlockMargin = 10;
// Blocks smaller than this would only make the reading slow.
constexpr std::size_t kMinimumBlockBytes = 64;
// The smallest text buffer the work-buffer plan gives, for a workspace whose
// buffers were not sized (the command line before an archive is opened).
constexpr std::size_t kFallbackTextBufferBytes = 256000 * 8;
constexpr std::size_t kMaxTitleQueryBytes = 511;
// What one word costs the tree besides its text and terminator: two links and a
// count, as a dictionary node holds two links and a posting head.
constexpr std::size_t kTreeNodeBytes = 12;

bool isWordCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// Splits the folded text stream into runs of letters and digits, across blocks,
// and counts what the report needs: each query word as a whole word (or, with words
// OR, anywhere) and every run in the word tree.
class WordCounter {
public:
    WordCounter(const WordStatisticsRequest& request, std::size_t treeLimitBytes)
        : m_wordsOr(request.wordsOr), m_keepList(request.includeWordList), m_treeLimit(treeLimitBytes)
    {
        m_cut = static_cast<std::size_t>(
            std::clamp(request.limits.maxWordLength, 1, static_cast<int>(QueryWordTable::kMaxWordBytes)));
        int count = std::clamp(request.queryWords.count, 0, QueryWordTable::kMaxWords);
        for (int i = 0; i < count; ++i) {
            const QueryWord& word = request.queryWords.words[static_cast<std::size_t>(i)];
            m_words.push_back({word.text, word.fullLength > request.limits.trimThreshold, 0});
            m_longestWord = std::max(m_longestWord, word.text.size());
        }
    }

    void feed(std::string_view text)
    {
        if (m_wordsOr)
            countInside(text);
        for (char c : text) {
            if (isWordCharacter(c)) {
                if (m_run.size() < m_cut)
                    m_run.push_back(c);
                m_inRun = true;
            } else if (m_inRun) {
                endRun();
            }
        }
    }

    void finish()
    {
        if (m_inRun)
            endRun();
    }

    std::vector<WordCount> queryCounts() const
    {
        std::vector<WordCount> counts;
        for (const Target& target : m_words)
            counts.push_back({target.text, target.count});
        return counts;
    }

    // Bucket, then strcmp order inside the bucket, as the dictionary's trees descend.
    const std::map<std::pair<std::uint32_t, std::string>, std::uint64_t>& tree() const { return m_tree; }
    std::uint64_t totalWords() const { return m_totalWords; }
    bool treeFull() const { return m_treeFull; }

private:
    struct Target {
        std::string text;
        bool shortened = false;  // stands for a longer word: matches as a prefix
        std::uint64_t count = 0;
    };

    // The run holds the document word as the archive would spell it, so whole-word
    // counts agree with the word list.
    void endRun()
    {
        ++m_totalWords;
        if (!m_wordsOr) {
            for (Target& target : m_words) {
                if (target.text.empty())
                    continue;
                bool match = target.shortened ? m_run.starts_with(target.text) : m_run == target.text;
                if (match)
                    ++target.count;
            }
        }
        if (m_keepList)
            insert();
        m_run.clear();
        m_inRun = false;
    }

    void insert()
    {
        auto key = std::make_pair(WordListBucket(m_run), m_run);
        auto found = m_tree.find(key);
        if (found != m_tree.end()) {
            ++found->second;
            return;
        }
        std::size_t cost = m_run.size() + 1 + kTreeNodeBytes;
        if (m_treeBytes + cost > m_treeLimit) {
            // Words already held go on being counted; new ones are left out.
            m_treeFull = true;
            return;
        }
        m_treeBytes += cost;
        m_tree.emplace(std::move(key), 1);
    }

    // Occurrences anywhere, one character apart at least, as the hit search steps.
    // The tail of the previous block joins this one so that an occurrence across
    // the border is counted once, in the block where it ends.
    void countInside(std::string_view text)
    {
        std::string border = m_tail;
        border.append(text.substr(0, std::min(text.size(), m_longestWord > 0 ? m_longestWord - 1 : 0)));
        for (Target& target : m_words) {
            if (target.text.empty())
                continue;
            for (std::size_t at = border.find(target.text); at != std::string::npos && at < m_tail.size();
                 at = border.find(target.text, at + 1)) {
                if (at + target.text.size() > m_tail.size())
                    ++target.count;
            }
            for (std::size_t at = text.find(target.text); at != std::string_view::npos;
                 at = text.find(target.text, at + 1))
                ++target.count;
        }
        std::size_t keep = m_longestWord > 0 ? m_longestWord - 1 : 0;
        if (text.size() >= keep) {
            m_tail.assign(text.substr(text.size() - keep));
        } else {
            m_tail.append(text);
            if (m_tail.size() > keep)
                m_tail.erase(0, m_tail.size() - keep);
        }
    }

    bool m_wordsOr;
    bool m_keepList;
    std::size_t m_treeLimit;
    std::size_t m_cut = 16;
    std::vector<Target> m_words;
    std::size_t m_longestWord = 0;
    std::string m_tail;
    std::string m_run;
    bool m_inRun = false;
    std::uint64_t m_totalWords = 0;
    std::map<std::pair<std::uint32_t, std::string>, std::uint64_t> m_tree;
    std::size_t m_treeBytes = 0;
    bool m_treeFull = false;
};

enum class ReadEnd { Whole, Failed, Stopped };

ReadEnd readDocument(app::Workspace& workspace, const io::FileHandle& file, BinaryMode binaryMode,
                     std::size_t blockBytes, WordCounter& counter)
{
    TextBlock block;
    std::int64_t position = 0;
    for (;;) {
        ReadTextBlock(workspace, file, position, ReadMode::Search, binaryMode, blockBytes, block);
        // A block that moved nothing on is the end of the file, or a failed read
        // (already shown). A block can move on and still hold no text: squeezed NULs.
        if (block.nextPosition() <= position) {
            if (position >= block.fileSize())
                break;
            return ReadEnd::Failed;
        }
        counter.feed(block.text());
        if (block.reachesEnd())
            break;
        position = block.nextPosition();
        workspace.PumpPendingMessages();
        if (workspace.BreakCode != app::StopCode::None)
            return ReadEnd::Stopped;
    }
    counter.finish();
    return ReadEnd::Whole;
}

// Appends the list heading with its words (not the blanks and line feeds around
// them) bold, underlined and red.
void appendListHeading(PreviewDocument& body, std::string_view heading)
{
    std::size_t first = heading.find_first_not_of(" \n");
    std::size_t last = heading.find_last_not_of(" \n");
    if (first == std::string_view::npos) {
        body.appendText(heading);
        return;
    }
    body.appendText(heading.substr(0, first));
    body.appendMarked(heading.substr(first, last - first + 1), SpanStyle{true, Colour::Red, true});
    body.appendText(heading.substr(last + 1));
}

} // namespace

std::uint32_t WordListBucket(std::string_view word)
{
    return archive::wordBucket(word).value_or(archive::kBucketCount);
}

WordStatisticsReport BuildWordStatistics(app::Workspace& workspace, const WordStatisticsRequest& request)
{
    WordStatisticsReport report;
    if (request.operationInProgress)
        return report;
    workspace.BreakCode = app::StopCode::None;

    const app::MessageTable messages(request.languageIndex);
    auto text = [&messages](app::MessageKey key) { return app::utf8ToCp1252(messages.text(key)); };
    PreviewDocument& body = report.body;

    bool filesHeading = (!request.queryText.empty() && !request.inTheFile && !request.inTheIndex) ||
                        request.nameSearch;
    if (filesHeading) {
        std::string query = QueryTextToCp1252(request.queryText);
        report.title = text(app::MessageKey::MsgWordsSearched) + query.substr(0, kMaxTitleQueryBytes);
        body.appendText(text(app::MessageKey::MsgFilesFound) + std::to_string(request.listedDocuments) + "\n");
    } else {
        report.title = request.archiveName;
        if (request.folderSearch)
            body.appendText(text(app::MessageKey::MsgFoldersFound) + std::to_string(request.folderCount) + "\n");
    }
    body.appendText(text(app::MessageKey::MsgElapsedTime) + request.elapsedTimeText + "\n");

    report.outcome = WordStatisticsOutcome::NoDocument;
    if (!request.documentPath)
        return report;
    report.outcome = WordStatisticsOutcome::DocumentUnreadable;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*request.documentPath, error))
        return report;
    std::optional<io::FileHandle> file = io::FileHandle::open(*request.documentPath, io::OpenMode::ReadOnly);
    if (!file)
        return report;
    std::int64_t size = file->size();
    if (size < 0)
        return report;
    if (!request.statusText.empty())
        body.appendText(text(app::MessageKey::MsgFileSelected) + request.statusText + "\n");
    body.appendText("Bytes: " + std::to_string(size) + "\n");
    if (size == 0) {
        report.outcome = WordStatisticsOutcome::EmptyDocument;
        return report;
    }

    std::size_t bufferBytes = request.textBufferBytes;
    if (bufferBytes == 0)
        bufferBytes = workspace.workBuffers.sizes().textBytes;
    if (bufferBytes == 0)
        bufferBytes = kFallbackTextBufferBytes;
    std::size_t blockBytes = std::max(bufferBytes > kBlockMargin ? bufferBytes - kBlockMargin : 0,
                                      kMinimumBlockBytes);

    WordCounter counter(request, bufferBytes);
    switch (readDocument(workspace, *file, PreviewBinaryMode(request.documentPath->string()), blockBytes, counter)) {
    case ReadEnd::Failed:
        return report;
    case ReadEnd::Stopped:
        report.outcome = WordStatisticsOutcome::Stopped;
        return report;
    case ReadEnd::Whole:
        break;
    }
    report.queryCounts = counter.queryCounts();
    if (filesHeading) {
        for (const WordCount& counted : report.queryCounts)
            body.appendText(text(app::MessageKey::MsgEventsOf) + counted.word + ": " + std::to_string(counted.count) +
                            "\n");
    }
    report.outcome = WordStatisticsOutcome::Complete;
    if (!request.includeWordList)
        return report;

    appendListHeading(body, text(app::MessageKey::MsgWordStatistics));
    // The walk goes bucket by bucket: "zzz" falls in the table's last slot, so it
    // covers every usable bucket, and then the words kept past the table. A full
    // tree lists the words it could hold, then stops like a full list.
    bool outOfMemory = counter.treeFull();
    for (const auto& [key, count] : counter.tree()) {
        std::string line = key.second + ": " + std::to_string(count) + "\n";
        if (body.text().size() + line.size() > bufferBytes) {
            outOfMemory = true;
            break;
        }
        body.appendText(line);
        report.wordList.push_back({key.second, count});
    }
    if (outOfMemory) {
        report.outcome = WordStatisticsOutcome::OutOfMemory;
        workspace.host().messageBox(std::string(messages.text(app::MessageKey::MsgOutOfMemory)),
                                    app::MessageButtons::Ok);
        return report;
    }
    report.differentWords = counter.tree().size();
    report.totalWords = counter.totalWords();
    body.appendText(text(app::MessageKey::MsgDifferentCount) + std::to_string(report.differentWords) +
                    text(app::MessageKey::MsgTotalCount) + std::to_string(report.totalWords) + "\n");
    return report;
}

} // namespace vedra::search
