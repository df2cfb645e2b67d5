#include "core/search/SearchRun.h"

#include "core/search/FilterLists.h"

#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "core/indexing/StopWordTree.h"
#include "core/indexing/WordExtractor.h"

#include <algorithm>
#include <unordered_set>

namespace vedra::search {
namespace {

using app::MessageKey;

bool beginsWithLetter(const std::string& word)
{
    return !word.empty() && ((word[0] >= 'a' && word[0] <= 'z') || (word[0] >= 'A' && word[0] <= 'Z'));
}

} // namespace

SearchRun::SearchRun(app::Workspace& workspace, ResultList& results) : m_workspace(workspace), m_results(results) {}

// Runs a walk of the archive; damage ends that walk only (its message was shown),
// and the search goes on with its next word, document or archive.
template <typename Walk>
static auto forgivingDamage(app::Workspace& workspace, archive::ArchiveStore& store, Walk walk)
{
    const int before = workspace.BreakCode;
    auto result = walk();
    if (store.consumeDamage())
        workspace.BreakCode = before;
    return result;
}

bool SearchRun::stopped()
{
    if (m_workspace.BreakCode != 0) {
        m_continueEnabled = true;
        return true;
    }
    return false;
}

std::string SearchRun::wordWithMarker(const QueryWord& word) const
{
    // A word that lost its last letter to the trim threshold is shown with an "x".
    std::string text = word.text;
    if (word.fullLength > m_workspace.truncationThreshold && beginsWithLetter(word.text))
        text += 'x';
    return text;
}

std::optional<std::string> SearchRun::documentPath(archive::ArchiveStore& store, const archive::DocRecord& record)
{
    auto folder = forgivingDamage(m_workspace, store, [&] { return store.folderText(record.folderText); });
    if (!folder)
        return std::nullopt;
    std::string key = archive::reversed(record.key);
    std::size_t slash = key.rfind('/');
    return archive::reversed(*folder) + (slash == std::string::npos ? key : key.substr(slash + 1));
}

bool SearchRun::passesFilters(const std::string& path, bool folderFilterOnlyWhenSet) const
{
    std::size_t slash = path.rfind('/');
    std::string name = app::lowerAscii(slash == std::string::npos ? path : path.substr(slash + 1));
    if (!m_lists.HasIndexableText(name, m_fileFilter, 0))
        return false;
    if (folderFilterOnlyWhenSet && m_folderFilter.isEmpty())
        return true;
    return indexing::PassesFolderFilter(path, m_folderFilter);
}

void SearchRun::addRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                       std::size_t index, const std::string& archiveName)
{
    ResultRowInput input;
    input.sizeText = SizeText(record.size);
    input.wordsText = wordsText;
    input.path = path;
    input.lastWrite = record.lastWrite;
    input.documentKind = record.kind;
    input.documentNumber = record.number;
    input.archiveName = archiveName;
    input.archiveNumber = m_workspace.ArchiveNumber;
    input.inTheIndex = m_options.inTheIndex != 0;
    input.languageIndex = m_workspace.LanguageIndex;
    ResultRow row = FormatResultRow(input);
    m_counters.count(row);
    m_results.insert(index, std::move(row));
}

int SearchRun::LookUpQueryWords(archive::ArchiveStore& store)
{
    int found = 0;
    for (int i = 0; i < QueryWordTable::kMaxWords; ++i) {
        QueryWord& word = m_words.words[static_cast<std::size_t>(i)];
        if (word.text.empty())
            continue;
        word.postingsHead = 0;
        word.dictionaryNode = 0;
        std::string root = word.text.substr(0, 3);
        bool usable = archive::wordBucket(word.text).has_value() &&
                      (!beginsWithLetter(word.text) || store.hasRoot(root));
        if (!usable) {
            m_workspace.showMessage(MessageKey::MsgRootNotInDictionary, app::MessageButtons::Ok, {word.text});
        } else if (auto lookup = forgivingDamage(m_workspace, store, [&] { return store.findWord(word.text); })) {
            word.postingsHead = lookup->postings;
            word.dictionaryNode = lookup->node;
            ++found;
            continue;
        }
        if (m_options.andWords != 0)
            return 0;
    }
    return found;
}

int SearchRun::SearchAllWords(archive::ArchiveStore& store, int wordCount)
{
    std::string wordsText;
    for (int i = 0; i < m_words.count; ++i)
        wordsText += wordWithMarker(m_words.words[static_cast<std::size_t>(i)]) + " ";
    // The longest word has the shortest posting list, as a rule: walk that one.
    auto longest = std::max_element(m_words.words.begin(), m_words.words.begin() + m_words.count,
                                    [](const QueryWord& a, const QueryWord& b) { return a.fullLength < b.fullLength; });
    std::iter_swap(m_words.words.begin(), longest);
    std::vector<std::uint32_t> nodes;
    for (int i = 0; i < m_words.count; ++i)
        if (m_words.words[static_cast<std::size_t>(i)].dictionaryNode != 0)
            nodes.push_back(m_words.words[static_cast<std::size_t>(i)].dictionaryNode);

    int listed = 0;
    const std::string archiveName = m_workspace.currentArchiveName();
    auto walk = forgivingDamage(m_workspace, store, [&] { return store.readPostings(m_words.words[0].postingsHead); });
    for (std::uint32_t number : walk) {
        m_workspace.PumpPendingMessages(1);
        if (stopped())
            break;
        auto record = forgivingDamage(m_workspace, store, [&] { return store.readDocument(number); });
        if (!record || record->wordList == 0)
            continue;
        auto path = documentPath(store, *record);
        if (!path || !passesFilters(*path, false))
            continue;
        // Each query word counts once, however often the list holds it.
        std::vector<std::uint32_t> list =
            forgivingDamage(m_workspace, store, [&] { return store.readWordList(record->wordList); });
        std::unordered_set<std::uint32_t> present(list.begin(), list.end());
        int matched = 0;
        for (std::uint32_t node : nodes)
            matched += present.count(node) != 0 ? 1 : 0;
        if (matched < wordCount)
            continue;
        if (path->find("estratti.vedra") != std::string::npos)
            continue;
        addRow(*record, wordsText, *path, m_results.size(), archiveName);
        ++listed;
    }
    return listed > 0 ? wordCount : 0;
}

int SearchRun::SearchAnyWord(archive::ArchiveStore& store, int /*wordCount*/)
{
    const std::string archiveName = m_workspace.currentArchiveName();
    std::vector<std::unordered_set<std::uint32_t>> holders(static_cast<std::size_t>(m_words.count));
    for (int i = 0; i < m_words.count; ++i) {
        const QueryWord& word = m_words.words[static_cast<std::size_t>(i)];
        if (word.postingsHead != 0) {
            std::vector<std::uint32_t> documents =
                forgivingDamage(m_workspace, store, [&] { return store.readPostings(word.postingsHead); });
            holders[static_cast<std::size_t>(i)].insert(documents.begin(), documents.end());
        }
    }
    bool any = false;
    for (int k = 0; k < m_words.count && !stopped(); ++k) {
        const QueryWord& word = m_words.words[static_cast<std::size_t>(k)];
        if (word.postingsHead == 0)
            continue;
        auto walk = forgivingDamage(m_workspace, store, [&] { return store.readPostings(word.postingsHead); });
        for (std::uint32_t number : walk) {
            m_workspace.PumpPendingMessages(1);
            if (stopped())
                break;
            auto record = forgivingDamage(m_workspace, store, [&] { return store.readDocument(number); });
            if (!record)
                continue;
            auto path = documentPath(store, *record);
            if (!path || !passesFilters(*path, true) || path->find("estratti.vedra") != std::string::npos)
                continue;
            std::string wordsText = wordWithMarker(word) + " ";
            for (int other = 0; other < m_words.count; ++other)
                if (other != k && holders[static_cast<std::size_t>(other)].count(number) != 0)
                    wordsText += m_words.words[static_cast<std::size_t>(other)].text + " ";
            std::string lowerPath = app::lowerAscii(*path);
            bool inPath = false;
            for (int i = 0; i < m_words.count; ++i)
                inPath |= lowerPath.find(m_words.words[static_cast<std::size_t>(i)].text) != std::string::npos;
            any = true;
            if (m_results.containsLabel(*path))
                continue;
            addRow(*record, wordsText, *path, inPath ? 0 : m_results.size(), archiveName);
        }
    }
    return any ? 1 : 0;
}

void SearchRun::setFilesText(const std::string& text)
{
    m_filesText = app::lowerAscii(text);
    m_fileFilter = ParseFileFilterList(m_filesText);
}

void SearchRun::setDirectoriesText(const std::string& text)
{
    m_directoriesText = app::lowerAscii(text);
    m_folderFilter = ParseFolderFilterList(m_directoriesText);
}

std::size_t SearchRun::MatchListPaths(const std::vector<PathEntry>& paths, bool matchWords)
{
    m_workspace.BreakCode = 0;
    m_workspace.host().setStatus("REPORT...");
    const std::string archiveName = m_workspace.currentArchiveName();
    if (!matchWords) {
        m_words.words[0].text = kNameRowWords;
        m_words.count = std::max(m_words.count, 1);
    }
    for (const PathEntry& entry : paths) {
        m_workspace.PumpPendingMessages(1);
        if (stopped())
            break;
        std::string wordsText = m_words.words[0].text;
        if (matchWords) {
            std::string file = app::lowerAscii(entry.file);
            int count = 0;
            for (int i = 0; i < m_words.count; ++i)
                count += file.find(m_words.words[static_cast<std::size_t>(i)].text) != std::string::npos ? 1 : 0;
            if (count == 0 || (m_options.andWords != 0 && count != m_words.count))
                continue;
        }
        ResultRowInput input;
        input.wordsText = wordsText;
        input.path = m_workspace.ArchiveFilesFolder + entry.file;
        input.archiveName = archiveName;
        input.archiveNumber = m_workspace.ArchiveNumber;
        input.inTheIndex = m_options.inTheIndex != 0;
        input.languageIndex = m_workspace.LanguageIndex;
        ResultRow row = FormatResultRow(input);
        m_counters.count(row);
        m_results.append(std::move(row));
    }
    return m_results.size();
}

bool SearchRun::searchArchive()
{
    archive::ArchiveStore& store = m_workspace.store();
    if (!store.isOpen() && !store.open())
        return false;
    m_lists.load(store);
    if (m_words.count == 0 || m_options.inThePath != 0) {
        // A search by name: the index list alone answers it.
        std::vector<PathEntry> paths = LoadPathList(m_workspace);
        std::size_t before = m_results.size();
        MatchListPaths(paths, m_words.count > 0);
        if (m_results.size() == before)
            m_workspace.showMessage(MessageKey::MsgSearchEnded);
        return m_results.size() > before;
    }
    if (std::filesystem::file_size(store.slotPath(archive::SlotWords)) <= archive::kBucketTableSize) {
        m_workspace.showMessage(MessageKey::MsgArchiveEmptyRunIndexing);
        return false;
    }
    MatchListPaths(LoadPathList(m_workspace), true);
    int found = LookUpQueryWords(store);
    int listed = 0;
    if (found > 0) {
        if (found > 1 && m_options.andWords != 0)
            listed = SearchAllWords(store, found);
        else
            listed = SearchAnyWord(store, found);
    }
    if (listed == 0)
        m_workspace.showMessage(MessageKey::MsgSearchEnded);
    return found > 0;
}

int SearchRun::RunSearch(const std::string& queryText)
{
    m_continueEnabled = false;
    std::string name = m_workspace.currentArchiveName();
    if (!m_workspace.hasCurrentArchive() || name.empty() || static_cast<unsigned char>(name[0]) < 'A') {
        m_workspace.showMessage(MessageKey::MsgNeedArchive);
        return 0;
    }
    m_workspace.BreakCode = 0;
    if (m_options.inTheFile == 0 && !m_results.empty()) {
        if (m_workspace.showMessage(MessageKey::MsgKeepPreviousResults, app::MessageButtons::YesNo) ==
            app::MessageAnswer::No)
            m_results.clear();
    }
    m_counters.reset();

    // The stop words of the current archive decide which query words are kept.
    indexing::StopWordTree stopWords;
    if (auto bytes = app::readFileBytes(m_workspace.store().slotPath(archive::SlotStopWords)))
        stopWords = indexing::StopWordTree(*bytes);
    QueryLimits limits{m_workspace.minWordLength, m_workspace.maxWordLength, m_workspace.truncationThreshold};
    ParseQueryWords(queryText, m_options.inTheFile != 0, 0, limits, &stopWords, m_words);
    if (m_words.count == 0 && m_filesText.empty() && m_directoriesText.empty())
        return 0;

    int result = 0;
    if (m_options.allArchives != 0 && !m_workspace.busy) {
        const std::int32_t current = m_workspace.ArchiveNumber;
        for (const auto& entry : archive::readCatalogueEntries(m_workspace.catalogueFilePath())) {
            if (!m_workspace.OpenArchive(entry.number))
                continue;
            result = searchArchive() ? m_words.count : 0;
            m_workspace.store().close();
            if (m_workspace.BreakCode != 0)
                break;
            m_workspace.PumpPendingMessages(1);
        }
        if (m_workspace.ArchiveNumber != current)
            m_workspace.OpenArchive(current);
    } else {
        result = searchArchive() ? m_words.count : 0;
        m_workspace.store().close();
    }
    m_options.inTheFile = 0;
    return result;
}

} // namespace vedra::search
