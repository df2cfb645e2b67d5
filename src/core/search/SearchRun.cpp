// Damage met in a walk ends that walk only (its message already shown), and the
// search goes on with its next word, document or archive. AND walks the longest
// word's postings and drops a candidate missing from another word's postings
// before reading its record; the candidate's own word list still decides.
#include "core/search/SearchRun.h"

#include "core/search/FilterLists.h"

#include "core/app/FolderListing.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "core/indexing/DiskScan.h"
#include "core/indexing/StopWordTree.h"
#include "core/indexing/WordExtractor.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unordered_set>

namespace vedra::search {
namespace {

using app::MessageKey;

// Documents in the extracts' file are never results.
constexpr std::string_view kExtractsName = "estratti.vedra";

bool beginsWithLetter(const std::string& word)
{
    return !word.empty() && ((word[0] >= 'a' && word[0] <= 'z') || (word[0] >= 'A' && word[0] <= 'Z'));
}

bool mixesLettersAndDigits(std::string_view word)
{
    const bool digits = std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool letters = std::any_of(word.begin(), word.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    return digits && letters;
}

std::string formatElapsed(std::chrono::steady_clock::duration elapsed)
{
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// The dictionary scan reads this much at a time when the work buffers were not sized.
constexpr std::size_t kFallbackScanBytes = 1 << 20;

// Sets a flag for the lifetime of a walk.
class WalkFlag {
public:
    explicit WalkFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~WalkFlag() { m_flag = false; }
    WalkFlag(const WalkFlag&) = delete;
    WalkFlag& operator=(const WalkFlag&) = delete;

private:
    bool& m_flag;
};

// A damaged postings list can name a document twice (a list that loops is cut by
// the store, which wants its offsets to descend). The first of each number is kept,
// in order; a sound list descends strictly and costs one comparison a posting.
std::vector<std::uint32_t> withoutRepeats(std::vector<std::uint32_t> documents)
{
    if (std::adjacent_find(documents.begin(), documents.end(), std::less_equal<>()) == documents.end())
        return documents;
    std::unordered_set<std::uint32_t> seen;
    std::erase_if(documents, [&seen](std::uint32_t number) { return !seen.insert(number).second; });
    return documents;
}

} // namespace

// Rows appended after the others, whatever the list's size when the walk gets there.
constexpr std::size_t kAppend = static_cast<std::size_t>(-1);
// A window's screen of rows: when the list first holds this many, the walk lets the
// window draw them rather than wait for the next drain.
constexpr std::size_t kFirstScreenRows = 40;

SearchRun::SearchRun(app::Workspace& workspace, ResultList& results) : m_workspace(workspace), m_results(results)
{
    m_pathOfDocument = [this](std::uint32_t number, std::string& path) {
        archive::ArchiveStore& store = m_workspace.store();
        archive::DocRecord again;
        const int folder = m_lastFolder;
        const bool made = store.readDocumentInto(number, again) && documentPathInto(store, again, path);
        m_lastFolder = folder;
        return made;
    };
}

// Runs a walk of the archive; damage ends that walk only (its message was shown),
// and the search goes on with its next word, document or archive.
template <typename Walk>
static auto forgivingDamage(app::Workspace& workspace, archive::ArchiveStore& store, Walk walk)
{
    const app::StopCode before = workspace.BreakCode;
    auto result = walk();
    if (store.consumeDamage())
        workspace.BreakCode = before;
    return result;
}

bool SearchRun::stopped()
{
    if (m_workspace.BreakCode != app::StopCode::None) {
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
    std::string path;
    if (!documentPathInto(store, record, path))
        return std::nullopt;
    return path;
}

bool SearchRun::documentPathInto(archive::ArchiveStore& store, const archive::DocRecord& record, std::string& path)
{
    // Documents of one folder share its text: it is read and turned round once.
    int entry = m_folderPaths.find(record.folderText);
    if (entry < 0) {
        if (!forgivingDamage(m_workspace, store, [&] { return store.folderTextInto(record.folderText, m_folderText); }))
            return false;
        entry = m_folderPaths.add(record.folderText, m_folderText);
    }
    m_lastFolder = entry;
    // The key is the name reversed (then the folder): the name is its reversed head.
    std::string_view key = record.key;
    std::size_t slash = key.find('/');
    std::string_view name = slash == std::string_view::npos ? key : key.substr(0, slash);
    // Appending through reverse iterators would build a temporary string per document.
    const std::string_view folder = m_folderPaths.path(entry);
    path.resize(folder.size() + name.size());
    std::copy(folder.begin(), folder.end(), path.begin());
    std::reverse_copy(name.begin(), name.end(), path.begin() + static_cast<std::ptrdiff_t>(folder.size()));
    return true;
}

bool SearchRun::passesFilters(const std::string& path, bool folderFilterOnlyWhenSet) const
{
    // Lower-cased into a buffer kept between documents: a walk asks for thousands.
    std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    m_lowerName.assign(name);
    for (char& c : m_lowerName)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (!m_lists.HasIndexableText(m_lowerName, m_fileFilter, 0))
        return false;
    if (folderFilterOnlyWhenSet && m_folderFilter.isEmpty())
        return true;
    return indexing::PassesFolderFilter(path, m_folderFilter);
}

void SearchRun::addRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                       std::size_t index, const std::string& archiveName, const archive::DocRecord* indexed,
                       bool onlyUnlisted)
{
    // Borrowed texts: the list copies the path and keeps shared texts once.
    ResultRowView input;
    input.sizeBytes = record.size;
    input.wordsText = wordsText;
    input.path = path;
    input.lastWrite = record.lastWrite;
    input.documentKind = record.kind;
    input.documentNumber = record.number;
    input.archiveName = archiveName;
    input.archiveNumber = m_workspace.ArchiveNumber;
    input.inTheIndex = m_options.inTheIndex != 0;
    input.languageIndex = m_workspace.LanguageIndex;
    const archive::DocRecord& held = indexed ? *indexed : record;
    if (held.kind == 'f' || held.kind == 'c')
        input.recorded = RecordedFile{held.size, held.lastWrite};
    if (m_capped) {
        if (listCapped(input, index, static_cast<std::uint32_t>(record.number), onlyUnlisted))
            m_counters.count(wordsText);
        return;
    }
    const bool listed = onlyUnlisted ? m_results.insertUnlisted(index, input).has_value()
                                     : (m_results.insert(index, input), true);
    if (listed)
        m_counters.count(wordsText);
    if (listed && m_results.size() == kFirstScreenRows)
        m_workspace.pumpSoon();
}

bool SearchRun::listCapped(const ResultRowView& input, std::size_t index, std::uint32_t document, bool onlyUnlisted)
{
    // The list keeps the rows a full walk would put first: the newest hits in the
    // path at the top, the first of the others below them. Rows deleted from the top
    // leave the list's labels, so every path found is remembered apart.
    if (onlyUnlisted &&
        (m_results.containsLabel(input.path) || !m_listedPaths.firstListing(input.path, document, m_pathOfDocument)))
        return false;
    if (index == 0) {
        m_results.insert(0, input);
        if (++m_topRows > m_rowsKept) {
            m_results.removeRows({--m_topRows});
            ++m_rowsPastCap;
        }
    } else if (m_results.size() - m_topRows < m_rowsKept) {
        m_results.insert(kAppend, input);
    } else {
        ++m_rowsPastCap;
    }
    return true;
}

void SearchRun::listRow(ResultRowInput input, std::size_t index)
{
    input.archiveNumber = m_workspace.ArchiveNumber;
    input.inTheIndex = m_options.inTheIndex != 0;
    input.languageIndex = m_workspace.LanguageIndex;
    m_counters.count(input.wordsText);
    m_results.insert(index, std::move(input));
}

int SearchRun::LookUpQueryWords(archive::ArchiveStore& store)
{
    int found = 0;
    for (int i = 0; i < QueryWordTable::kMaxWords; ++i) {
        QueryWord& word = m_words.words[static_cast<std::size_t>(i)];
        std::vector<FoundPart>& parts = m_foundParts[static_cast<std::size_t>(i)];
        parts.clear();
        word.postingsHead = 0;
        word.dictionaryNode = 0;
        // A run of which the archive registers no part ("ab1") is not asked for, as
        // a short word is not; the notice names it.
        if (word.text.empty() || word.indexWords.empty())
            continue;
        for (const std::string& part : word.indexWords) {
            std::string root = part.substr(0, 3);
            const app::StopCode before = m_workspace.BreakCode;
            const bool hasBucket = archive::wordBucket(part).has_value();
            const bool rootMissing = hasBucket && beginsWithLetter(part) && !store.hasRoot(root);
            if (!hasBucket || rootMissing) {
                // A root tree that could not be read has said so; adding a root would not help.
                if (rootMissing && m_workspace.BreakCode == before)
                    noteRootless(part);
                m_workspace.showMessage(MessageKey::MsgRootNotInDictionary, app::MessageButtons::Ok, {part});
            } else if (auto lookup = forgivingDamage(m_workspace, store, [&] { return store.findWord(part); })) {
                parts.push_back({lookup->postings, lookup->node, part.size()});
                continue;
            }
            parts.clear();
            break;
        }
        if (parts.empty()) {
            if (m_options.andWords != 0)
                return 0;
            continue;
        }
        // The longest part has the shortest postings, as a rule: it leads the walks.
        std::stable_sort(parts.begin(), parts.end(),
                         [](const FoundPart& a, const FoundPart& b) { return a.length > b.length; });
        word.postingsHead = parts.front().postingsHead;
        word.dictionaryNode = parts.front().node;
        ++found;
    }
    return found;
}

std::vector<std::uint32_t> SearchRun::documentsHoldingWord(archive::ArchiveStore& store, int k)
{
    const std::vector<FoundPart>& parts = m_foundParts[static_cast<std::size_t>(k)];
    if (parts.empty())
        return {};
    std::vector<std::uint32_t> documents = withoutRepeats(
        forgivingDamage(m_workspace, store, [&] { return store.readPostings(parts.front().postingsHead); }));
    m_termDocuments[parts.front().node] = static_cast<std::uint32_t>(documents.size());
    for (std::size_t p = 1; p < parts.size() && !documents.empty(); ++p) {
        std::vector<std::uint32_t> holders =
            forgivingDamage(m_workspace, store, [&] { return store.readPostings(parts[p].postingsHead); });
        m_termDocuments[parts[p].node] = static_cast<std::uint32_t>(holders.size());
        std::sort(holders.begin(), holders.end());
        std::erase_if(documents, [&holders](std::uint32_t number) {
            return !std::binary_search(holders.begin(), holders.end(), number);
        });
    }
    return documents;
}

void SearchRun::noteRootless(const std::string& word)
{
    const std::pair<std::int32_t, std::string> entry{m_workspace.ArchiveNumber, word};
    if (std::find(m_rootless.begin(), m_rootless.end(), entry) == m_rootless.end())
        m_rootless.push_back(entry);
}

std::vector<std::string> SearchRun::takeRootlessWords()
{
    std::vector<std::string> words;
    for (const auto& [archiveNumber, word] : m_rootless)
        if (archiveNumber == m_workspace.ArchiveNumber)
            words.push_back(word);
    m_rootless.clear();
    return words;
}

int SearchRun::SearchAllWords(archive::ArchiveStore& store, int wordCount)
{
    WalkFlag walking(m_walkRunning);
    std::string wordsText;
    for (int i = 0; i < m_words.count; ++i)
        wordsText += wordWithMarker(m_words.words[static_cast<std::size_t>(i)]) + " ";
    // The longest word has the shortest posting list, as a rule: walk that one. A
    // word of which the archive registers nothing has no list to walk.
    std::size_t longest = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(m_words.count); ++i) {
        const bool longer = m_foundParts[longest].empty() ||
                            m_words.words[i].fullLength > m_words.words[longest].fullLength;
        if (!m_foundParts[i].empty() && longer)
            longest = i;
    }
    std::swap(m_words.words[0], m_words.words[longest]);
    std::swap(m_foundParts[0], m_foundParts[longest]);
    if (m_foundParts[0].empty())
        return 0;
    // Every part of every word must be in the document's word list.
    std::vector<std::uint32_t> nodes;
    for (int i = 0; i < m_words.count; ++i)
        for (const FoundPart& part : m_foundParts[static_cast<std::size_t>(i)])
            nodes.push_back(part.node);
    const auto wanted = std::max<std::size_t>(nodes.size(), static_cast<std::size_t>(wordCount));

    // A document that holds a word in its word list is in that word's postings too:
    // a candidate missing from another part's postings is passed over without
    // reading its record and word list. The word list still decides.
    std::vector<std::vector<std::uint32_t>> otherPostings;
    for (int i = 0; i < m_words.count; ++i) {
        const std::vector<FoundPart>& parts = m_foundParts[static_cast<std::size_t>(i)];
        for (std::size_t p = i == 0 ? 1 : 0; p < parts.size(); ++p) {
            std::vector<std::uint32_t> documents =
                forgivingDamage(m_workspace, store, [&] { return store.readPostings(parts[p].postingsHead); });
            m_termDocuments[parts[p].node] = static_cast<std::uint32_t>(documents.size());
            std::sort(documents.begin(), documents.end());
            otherPostings.push_back(std::move(documents));
        }
    }
    auto inEveryOtherList = [&](std::uint32_t number) {
        return std::all_of(otherPostings.begin(), otherPostings.end(), [number](const auto& documents) {
            return std::binary_search(documents.begin(), documents.end(), number);
        });
    };

    int listed = 0;
    const std::string archiveName = m_workspace.currentArchiveName();
    auto walk = withoutRepeats(
        forgivingDamage(m_workspace, store, [&] { return store.readPostings(m_foundParts[0].front().postingsHead); }));
    m_termDocuments[m_foundParts[0].front().node] = static_cast<std::uint32_t>(walk.size());
    // Two numbers of a damaged table can lead to one record: a path is listed once.
    std::unordered_set<std::string> listedPaths;
    std::string path;
    archive::DocRecord record;  // its key's storage serves every document
    for (std::uint32_t number : walk) {
        m_workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (stopped())
            break;
        if (!inEveryOtherList(number))
            continue;
        if (!forgivingDamage(m_workspace, store, [&] { return store.readDocumentInto(number, record); }) ||
            record.wordList == 0)
            continue;
        if (!documentPathInto(store, record, path) || !passesFilters(path, false))
            continue;
        // Each part counts once, however often the list holds it.
        const std::size_t matched =
            forgivingDamage(m_workspace, store, [&] { return store.countInWordList(record.wordList, nodes); });
        if (matched < wanted)
            continue;
        if (path.find(kExtractsName) != std::string::npos || !listedPaths.insert(path).second)
            continue;
        addRow(record, wordsText, path, kAppend, archiveName);
        ++listed;
    }
    return listed > 0 ? wordCount : 0;
}

int SearchRun::SearchAnyWord(archive::ArchiveStore& store, int /*wordCount*/)
{
    WalkFlag walking(m_walkRunning);
    const std::string archiveName = m_workspace.currentArchiveName();
    // Each word's postings are read once: a frequent word's list runs through the
    // whole postings file, and its walk below needs the list again.
    std::vector<std::vector<std::uint32_t>> lists(static_cast<std::size_t>(m_words.count));
    for (int i = 0; i < m_words.count; ++i)
        lists[static_cast<std::size_t>(i)] = documentsHoldingWord(store, i);
    std::size_t walked = 0;
    for (const auto& list : lists)
        walked += list.size();
    // The labels' room is made once the first screen of rows has been drawn: making
    // it first would keep a frequent word's first rows waiting.
    bool reserved = m_capped;
    // A word's holders tell the other words' rows that it is there too: one word alone needs none.
    std::vector<std::vector<std::uint32_t>> holders(static_cast<std::size_t>(m_words.count));
    for (int i = 0; i < m_words.count && m_words.count > 1; ++i) {
        holders[static_cast<std::size_t>(i)] = lists[static_cast<std::size_t>(i)];
        std::sort(holders[static_cast<std::size_t>(i)].begin(), holders[static_cast<std::size_t>(i)].end());
    }
    m_folderPaths.forgetNotes();  // the words may have changed since
    bool any = false;
    // Buffers kept from one document to the next: no allocation for most documents.
    std::string path;
    std::string lowerPath;
    std::string wordsText;
    auto lowerHoldsWord = [&](std::string_view lower) {
        for (int i = 0; i < m_words.count; ++i)
            if (lower.find(m_words.words[static_cast<std::size_t>(i)].text) != std::string_view::npos)
                return true;
        return false;
    };
    auto holdsWord = [&](std::string_view part) {
        lowerPath.assign(part);
        for (char& c : lowerPath)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return lowerHoldsWord(lowerPath);
    };
    for (int k = 0; k < m_words.count && !stopped(); ++k) {
        const QueryWord& word = m_words.words[static_cast<std::size_t>(k)];
        if (m_foundParts[static_cast<std::size_t>(k)].empty())
            continue;
        const std::vector<std::uint32_t>& walk = lists[static_cast<std::size_t>(k)];
        const std::string marked = wordWithMarker(word) + " ";
        archive::DocRecord record;  // its key's storage serves every document
        for (std::uint32_t number : walk) {
            m_workspace.PumpPendingMessages(app::StopCode::Suspend);
            if (stopped())
                break;
            if (!reserved && m_results.size() > kFirstScreenRows) {
                m_results.reserveLabels(walked);
                reserved = true;
            }
            if (!forgivingDamage(m_workspace, store, [&] { return store.readDocumentInto(number, record); }))
                continue;
            if (!documentPathInto(store, record, path) || !passesFilters(path, true))
                continue;
            // Query words and the extracts' folder name hold no '/', so each lies in
            // the folder or in the name; the folder's answers are worked out once.
            const std::size_t nameAt = path.rfind('/') + 1;
            const std::string_view folderPart = std::string_view(path).substr(0, nameAt);
            const std::string_view namePart = std::string_view(path).substr(nameAt);
            FolderPaths::Notes& notes = m_folderPaths.notes(m_lastFolder);
            if (notes.inExtracts < 0)
                notes.inExtracts = folderPart.find(kExtractsName) != std::string_view::npos ? 1 : 0;
            if (notes.inExtracts == 1 || namePart.find(kExtractsName) != std::string_view::npos)
                continue;
            wordsText = marked;
            for (int other = 0; other < m_words.count; ++other)
                if (other != k && std::binary_search(holders[static_cast<std::size_t>(other)].begin(),
                                                     holders[static_cast<std::size_t>(other)].end(), number))
                    wordsText += m_words.words[static_cast<std::size_t>(other)].text + " ";
            if (notes.holdsQueryWord < 0)
                notes.holdsQueryWord = holdsWord(folderPart) ? 1 : 0;
            // passesFilters left the name lower-cased.
            const bool inPath = notes.holdsQueryWord == 1 || lowerHoldsWord(m_lowerName);
            any = true;
            // A document already listed (by another word, or before) keeps its row.
            addRow(record, wordsText, path, inPath ? 0 : kAppend, archiveName, nullptr, true);
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

void SearchRun::addLiveRow(const archive::DocRecord& record, const std::string& wordsText, const std::string& path,
                           const std::string& archiveName)
{
    // The file as it is now on the disk: an update may not have run since indexing.
    archive::DocRecord live = record;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        live.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(info.st_size),
                                                                        UINT32_MAX));
        live.lastWrite = archive::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    }
    addRow(live, wordsText, path, kAppend, archiveName, &record);
}

int SearchRun::ScanDictionary(archive::ArchiveStore& store, bool prefixOnly)
{
    WalkFlag walking(m_walkRunning);
    auto dictionary = io::FileHandle::open(store.slotPath(archive::SlotWords), io::OpenMode::ReadOnly);
    if (!dictionary)
        return 0;
    const std::int64_t fileSize = dictionary->size();
    std::int64_t usable = m_workspace.workBuffers.sizes().textUsable;
    const std::size_t chunkBytes =
        usable > 2048 ? static_cast<std::size_t>(usable) - 1024 : kFallbackScanBytes;
    const std::string archiveName = m_workspace.currentArchiveName();
    int added = 0;
    std::vector<std::uint8_t> chunk;
    // A word that mixes letters and digits is in no dictionary word: its parts are
    // looked for instead, each on its own, as this scan takes any word.
    std::vector<std::string> queries;
    for (int k = 0; k < m_words.count; ++k) {
        const QueryWord& word = m_words.words[static_cast<std::size_t>(k)];
        if (!mixesLettersAndDigits(word.text)) {
            queries.push_back(word.text);
            continue;
        }
        for (const std::string& part : word.indexWords)
            queries.push_back(part);
    }
    for (std::size_t k = 0; k < queries.size() && !stopped(); ++k) {
        const std::string& query = queries[k];
        if (query.empty())
            continue;
        std::int64_t position = archive::kBucketTableSize;
        while (position < fileSize && !stopped()) {
            std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(fileSize - position, chunkBytes));
            chunk.resize(want);
            if (!dictionary->readAt(position, chunk.data(), want))
                break;
            // A node cut by the chunk's end starts the next chunk, so each node is
            // examined once.
            std::size_t at = 0;
            bool damaged = false;
            while (at < want && !stopped()) {
                auto node = archive::WordNode::decode(chunk.data() + at, want - at);
                if (!node) {
                    bool cut = at > 0 && position + static_cast<std::int64_t>(want) < fileSize &&
                               want - at < archive::WordNode::kReadSize;
                    damaged = !cut;
                    break;
                }
                at += node->encodedSize();
                std::size_t found = node->word.find(query);
                if (found == std::string::npos || (prefixOnly && found != 0) || node->postings == 0)
                    continue;
                const std::string wordsText = node->word + " ";
                // Once per matching word, as the scan lists them; once within a word.
                auto walk = withoutRepeats(
                    forgivingDamage(m_workspace, store, [&] { return store.readPostings(node->postings); }));
                std::unordered_set<std::string> listedPaths;
                for (std::uint32_t number : walk) {
                    m_workspace.PumpPendingMessages(app::StopCode::Suspend);
                    if (stopped())
                        break;
                    if (number == 0)
                        continue;
                    auto record = forgivingDamage(m_workspace, store, [&] { return store.readDocument(number); });
                    if (!record)
                        continue;
                    auto path = documentPath(store, *record);
                    if (!path || !passesFilters(*path, true) || !listedPaths.insert(*path).second)
                        continue;
                    addLiveRow(*record, wordsText, *path, archiveName);
                    ++added;
                }
            }
            if (damaged)
                break;  // no terminated word where a node should begin: the rest is unreadable
            position += static_cast<std::int64_t>(at);
        }
    }
    return added;
}

std::size_t SearchRun::MatchListPaths(const std::vector<PathEntry>& paths, bool matchWords)
{
    WalkFlag walking(m_walkRunning);
    m_workspace.BreakCode = app::StopCode::None;
    m_workspace.host().setStatus("REPORT...");
    const std::string archiveName = m_workspace.currentArchiveName();
    if (!matchWords) {
        m_words.words[0].text = kNameRowWords;
        m_words.count = std::max(m_words.count, 1);
    }
    for (const PathEntry& entry : paths) {
        m_workspace.PumpPendingMessages(app::StopCode::Suspend);
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
        input.path = IndexEntryListedPath(m_workspace, entry);
        input.archiveName = archiveName;
        listRow(std::move(input), m_results.size());
    }
    return m_results.size();
}

bool SearchRun::searchArchive()
{
    m_folderPaths.clear();
    archive::ArchiveStore& store = m_workspace.store();
    if (!store.isOpen() && !store.open())
        return false;
    m_lists.load(store);
    const bool byName = m_words.count == 0 && (m_options.fileNameSearch || m_options.folderNameSearch);
    if (m_options.inThePath != 0 || byName) {
        // The index list alone answers a search in the paths or by name.
        std::size_t before = m_results.size();
        MatchListPaths(LoadPathList(m_workspace), !byName);
        if (m_results.size() == before)
            m_workspace.showTitledMessage(m_workspace.currentArchiveName(), MessageKey::MsgSearchEnded);
        return m_results.size() > before;
    }
    if (m_options.wordsOr != 0) {
        m_options.andWords = 0;
        int added = ScanDictionary(store, false);
        if (added == 0)
            m_workspace.showTitledMessage(m_workspace.currentArchiveName(), MessageKey::MsgSearchEnded);
        return added > 0;
    }
    std::error_code sizeError;
    const std::uintmax_t dictionaryBytes = std::filesystem::file_size(store.slotPath(archive::SlotWords), sizeError);
    if (sizeError || dictionaryBytes <= archive::kBucketTableSize) {
        m_workspace.showMessage(MessageKey::MsgArchiveEmptyRunIndexing);
        return false;
    }
    MatchListPaths(LoadPathList(m_workspace), true);
    m_termDocuments.clear();
    int found = LookUpQueryWords(store);
    int listed = 0;
    if (found > 0) {
        if (found > 1 && m_options.andWords != 0)
            listed = SearchAllWords(store, found);
        else
            listed = SearchAnyWord(store, found);
        noteRelevance(store);
    }
    if (listed == 0)
        m_workspace.showTitledMessage(m_workspace.currentArchiveName(), MessageKey::MsgSearchEnded);
    return found > 0;
}

void SearchRun::noteRelevance(archive::ArchiveStore& store)
{
    RelevanceQuery query;
    query.archiveNumber = m_workspace.ArchiveNumber;
    int wordsFound = 0;
    for (int i = 0; i < m_words.count; ++i) {
        query.words.push_back(m_words.words[static_cast<std::size_t>(i)].text);
        wordsFound += m_foundParts[static_cast<std::size_t>(i)].empty() ? 0 : 1;
        for (const FoundPart& part : m_foundParts[static_cast<std::size_t>(i)]) {
            const auto documents = m_termDocuments.find(part.node);
            // A part whose postings no walk read lists no row: it weighs as a rare word.
            query.terms.push_back({i, part.node, documents == m_termDocuments.end() ? 1u : documents->second});
        }
    }
    // Every walk lists a document for a word only when it holds all of its parts;
    // an AND search, only when it holds every word.
    query.everyTermHeld = m_options.andWords != 0 || wordsFound <= 1;
    const archive::DocumentHeader& header = store.header();
    query.documents = static_cast<std::uint32_t>(std::max(header.documents, 1));
    // "RCP." is its 4-byte head, then per document with text its entries and 8
    // closing bytes: the mean length without reading a list. Lists an update
    // replaced still count; the mean is a scale, not a census.
    const std::uint64_t withText = static_cast<std::uint64_t>(std::max(header.filesWithText, 1));
    const std::uint64_t entryBytes = store.wordListEnd() > 4 ? store.wordListEnd() - 4 : 0;
    const std::uint64_t entries = entryBytes / 4 > 2 * withText ? entryBytes / 4 - 2 * withText : withText;
    query.averageLength = std::max(1.0, static_cast<double>(entries) / static_cast<double>(withText));
    m_relevance.push_back(std::move(query));
}

void SearchRun::appendDiskRow(const std::string& path, std::optional<std::uint64_t> size, const std::string& words,
                              const std::string& archiveName)
{
    archive::DocRecord record;
    record.kind = 'f';
    record.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(size.value_or(0), UINT32_MAX));
    ResultRowInput input;
    if (size)
        input.sizeBytes = record.size;
    input.wordsText = words;
    input.path = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        input.lastWrite = archive::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    input.archiveName = archiveName;
    listRow(std::move(input), m_results.size());
}

std::size_t SearchRun::ListFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    const std::size_t before = m_results.size();
    const std::string archiveName = m_workspace.currentArchiveName();
    const std::string start = app::withTrailingSlash(folder);
    // As the disk scan lists: a link to a folder is not followed, as in every other
    // walk of the disk; a link to a file is that file.
    app::ListingOptions options;
    options.dotNames = app::DotNames::Skip;
    options.links = app::SymbolicLinks::FilesOnly;
    options.unreadable = app::UnreadableEntries::Skip;
    const app::FolderListing listing = app::listFolder(start, options);
    if (!listing.opened) {
        m_workspace.host().messageBox(std::string(m_workspace.messages().text(MessageKey::MsgCannotReadFile)) + "\n" +
                                          start,
                                      app::MessageButtons::Ok);
        return 0;
    }
    appendDiskRow(start, std::nullopt, std::string(kNameRowWords), archiveName);
    for (const app::ListedEntry& entry : listing.entries) {
        m_workspace.PumpPendingMessages();
        if (m_workspace.BreakCode != app::StopCode::None)
            break;
        std::string path = start + entry.name;
        if (entry.kind == app::EntryKind::Folder) {
            appendDiskRow(path + '/', std::nullopt, std::string(kNameRowWords), archiveName);
        } else {
            // The size when the row is made, as its time is: a file gone since the
            // listing shows neither.
            std::error_code sizeError;
            std::uintmax_t size = fs::file_size(path, sizeError);
            appendDiskRow(path, sizeError ? std::optional<std::uint64_t>{} : std::optional<std::uint64_t>{size},
                          std::string(kNameRowWords), archiveName);
        }
    }
    return m_results.size() - before;
}

bool SearchRun::searchOnDisk()
{
    archive::ArchiveStore& store = m_workspace.store();
    if (store.isOpen() || store.open())
        m_lists.load(store);
    store.close();
    indexing::DiskScanOptions scan;
    scan.start = app::withTrailingSlash(m_diskRoot.empty() ? std::string("/") : m_diskRoot);
    scan.fileFilter = m_fileFilter;
    scan.folderFilter = m_folderFilter;
    const std::string archiveName = m_workspace.currentArchiveName();
    std::string wordsText;
    for (int i = 0; i < m_words.count; ++i)
        wordsText += wordWithMarker(m_words.words[static_cast<std::size_t>(i)]) + " ";
    auto addDiskRow = [&](const std::string& path, std::optional<std::uint64_t> size, const std::string& words) {
        appendDiskRow(path, size, words, archiveName);
    };
    const std::size_t before = m_results.size();
    if (m_words.count == 0 && m_options.folderNameSearch) {
        // The Directories text names the folders to list, not the ones to walk.
        scan.folderFilter = indexing::PatternFilter{};
        scan.listFiles = false;
        scan.listFolders = true;
        scan.onFolder = [&](const std::string& path) {
            if (indexing::PassesFolderFilter(path, m_folderFilter))
                addDiskRow(path, std::nullopt, std::string(kNameRowWords));
        };
    } else {
        scan.listFiles = true;
        scan.onFile = [&](const std::string& path, std::uint64_t size) {
            addDiskRow(path, size, m_words.count == 0 ? std::string(kNameRowWords) : wordsText);
        };
        if (m_words.count > 0) {
            const std::vector<HitWord> words = HitWordsFrom(m_words);
            const HitOptions options = HitOptionsFrom(m_options, m_workspace.truncationThreshold);
            const std::size_t blockBytes = TextBlockBytes(m_workspace);
            scan.acceptFile = [this, words, options, blockBytes](const std::string& path) {
                return FileHasHits(m_workspace, path, words, options, blockBytes);
            };
            if (m_diskScreenThreads > 0) {
                auto screen = std::make_shared<const DiskWordScreen>(words, options, blockBytes);
                scan.screenThreads = m_diskScreenThreads;
                scan.screenFile = [screen](const std::string& path) {
                    switch (screen->screenFile(path)) {
                    case ScreenVerdict::CannotOpen:
                        return indexing::FileScreen::CannotOpen;
                    case ScreenVerdict::CannotRead:
                        return indexing::FileScreen::CannotRead;
                    case ScreenVerdict::NoHit:
                        return indexing::FileScreen::NoHit;
                    case ScreenVerdict::MayHit:
                        break;
                    }
                    return indexing::FileScreen::MayHit;
                };
            }
        }
    }
    indexing::DiskScan(m_workspace, m_lists).run(scan);
    if (m_words.count > 0)
        m_options.directOnDisk = 0;
    if (m_workspace.BreakCode != app::StopCode::None)
        m_continueEnabled = true;
    if (m_results.size() == before)
        m_workspace.showTitledMessage(m_workspace.currentArchiveName(), MessageKey::MsgSearchEnded);
    return m_results.size() > before;
}

int SearchRun::RunSearch(const std::string& queryText)
{
    const auto started = std::chrono::steady_clock::now();
    m_continueEnabled = false;
    m_extractsWanted = false;
    m_rootless.clear();
    m_relevance.clear();
    std::string name = m_workspace.currentArchiveName();
    if (!m_workspace.hasCurrentArchive() || name.empty() || static_cast<unsigned char>(name[0]) < 'A') {
        m_workspace.showMessage(MessageKey::MsgNeedArchive);
        return 0;
    }
    m_workspace.BreakCode = app::StopCode::None;
    if (m_options.inTheFile == 0 && !m_results.empty()) {
        if (m_workspace.showMessage(MessageKey::MsgKeepPreviousResults, app::MessageButtons::YesNo) ==
            app::MessageAnswer::No)
            m_results.clear();
    }
    m_counters.reset();
    m_capped = m_rowsKept > 0 && m_results.empty() && m_options.allArchives == 0;
    m_topRows = 0;
    m_rowsPastCap = 0;
    m_listedPaths.clear();

    // The stop words of the current archive decide which query words are kept.
    indexing::StopWordTree stopWords;
    if (auto bytes = io::readFileBytes(m_workspace.store().slotPath(archive::SlotStopWords)))
        stopWords = indexing::StopWordTree(*bytes);
    QueryLimits limits{m_workspace.minWordLength, m_workspace.maxWordLength, m_workspace.truncationThreshold};
    ParseQueryWords(queryText, m_options.inTheFile != 0, 0, limits, &stopWords, m_words);
    for (auto& parts : m_foundParts)
        parts.clear();
    // The dictionary routes look up the words the indexer registered; the others
    // read text (of files, of paths), where a typed word is found as typed.
    const bool dictionary = m_options.inTheFile == 0 && m_options.inTheIndex == 0 && m_options.inThePath == 0 &&
                            m_options.directOnDisk == 0;
    m_queryNotice = QueryNotice(m_words, dictionary, m_workspace.messages());
    if (!m_queryNotice.empty())
        m_workspace.host().showNotice(m_queryNotice);

    int result = 0;
    auto finish = [&](bool inDocument) {
        m_elapsedText = formatElapsed(std::chrono::steady_clock::now() - started);
        m_extractsWanted = !inDocument && m_counters.documents > 0 && m_words.count > 0;
        m_options.inTheFile = 0;
        if (m_workspace.busy) {
            // A search made while an indexing run waits: the run goes on afterwards.
            m_workspace.BreakCode = app::StopCode::None;
            m_workspace.statusText = m_workspace.messages().text(MessageKey::MsgIndexing);
            m_workspace.host().setStatus(m_workspace.statusText);
        }
        return result;
    };
    if (!queryText.empty()) {
        m_options.fileNameSearch = false;
        m_options.folderNameSearch = false;
        if (m_options.inTheFile != 0 || m_options.inTheIndex != 0) {
            result = m_inDocumentSearch && m_words.count > 0 && m_inDocumentSearch() ? m_words.count : 0;
            return finish(true);
        }
    } else {
        m_options.fileNameSearch = !m_filesText.empty();
        m_options.folderNameSearch = !m_options.fileNameSearch && !m_directoriesText.empty();
    }
    if (m_words.count == 0 && !m_options.fileNameSearch && !m_options.folderNameSearch) {
        // Typed words that were all left out: nothing is searched, and the user is
        // told so (the notice says why) rather than left with an empty list.
        if (!queryText.empty())
            m_workspace.showTitledMessage(m_workspace.currentArchiveName(), MessageKey::MsgSearchEnded);
        return finish(false);
    }

    if (m_options.directOnDisk != 0) {
        result = searchOnDisk() ? std::max(m_words.count, 1) : 0;
        return finish(false);
    }
    if (m_options.allArchives != 0 && !m_workspace.busy) {
        const std::int32_t current = m_workspace.ArchiveNumber;
        for (const auto& entry : archive::readCatalogueEntries(m_workspace.catalogueFilePath())) {
            if (!m_workspace.OpenArchive(entry.number))
                continue;
            result = searchArchive() ? m_words.count : 0;
            m_workspace.store().close();
            if (m_workspace.BreakCode != app::StopCode::None)
                break;
            m_workspace.PumpPendingMessages(app::StopCode::Suspend);
        }
        if (m_workspace.ArchiveNumber != current)
            m_workspace.OpenArchive(current);
    } else {
        result = searchArchive() ? m_words.count : 0;
        m_workspace.store().close();
    }
    return finish(false);
}

} // namespace vedra::search
