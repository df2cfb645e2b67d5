// Scoring reads each listed document's word list once, its first kScoredEntries
// entries at most. Records and lists are read in document-number order rather
// than row order, so the reads move forward through the files.
#include "core/search/Relevance.h"

#include "core/search/SearchSession.h"

#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

namespace vedra::search {
namespace {

bool isAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The rarest part's idf of each query word.
std::vector<double> wordIdfs(const RelevanceQuery& query)
{
    std::vector<double> idfs(query.words.size(), 0.0);
    for (const RankedTerm& term : query.terms)
        if (term.word >= 0 && static_cast<std::size_t>(term.word) < idfs.size())
            idfs[static_cast<std::size_t>(term.word)] =
                std::max(idfs[static_cast<std::size_t>(term.word)],
                         InverseDocumentFrequency(query.documents, term.documents));
    // A word the archive does not register still weighs in a path, as the rarest can.
    const double rarest = InverseDocumentFrequency(std::max<std::uint32_t>(query.documents, 1), 0);
    for (double& idf : idfs)
        if (idf == 0.0)
            idf = rarest;
    return idfs;
}

// Whether a run of letters and digits of `text` (lower case) begins with `word`.
bool runBeginsWith(std::string_view text, std::string_view word)
{
    if (word.empty())
        return false;
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
        if (at == 0 || !isAlnum(text[at - 1]))
            return true;
    return false;
}

// The order of two ranked rows: the better first, then the earlier row.
bool ranksBefore(const RankedRow& a, const RankedRow& b)
{
    return a.score != b.score ? a.score > b.score : a.row < b.row;
}

// Sorts a list made of a few runs, each rising or falling, in O(n log runs): the
// walks list the last documents first and the rows found by their path before
// them, two runs that an introsort handles in near quadratic time.
template <typename T> void sortRuns(std::vector<T>& items)
{
    std::vector<std::size_t> bounds{0};
    for (std::size_t at = 0; at < items.size();) {
        std::size_t end = at + 1;
        if (end < items.size() && items[end] < items[at]) {
            while (end < items.size() && items[end] < items[end - 1])
                ++end;
            std::reverse(items.begin() + static_cast<std::ptrdiff_t>(at), items.begin() + static_cast<std::ptrdiff_t>(end));
        } else {
            while (end < items.size() && !(items[end] < items[end - 1]))
                ++end;
        }
        bounds.push_back(end);
        at = end;
    }
    // Neighbouring runs merged pairwise, round after round.
    while (bounds.size() > 2) {
        std::vector<std::size_t> merged{0};
        for (std::size_t r = 2; r < bounds.size(); r += 2) {
            std::inplace_merge(items.begin() + static_cast<std::ptrdiff_t>(bounds[r - 2]),
                               items.begin() + static_cast<std::ptrdiff_t>(bounds[r - 1]),
                               items.begin() + static_cast<std::ptrdiff_t>(bounds[r]));
            merged.push_back(bounds[r]);
        }
        if (bounds.size() % 2 == 0)
            merged.push_back(bounds.back());
        bounds = std::move(merged);
    }
}

} // namespace

double InverseDocumentFrequency(std::uint32_t archiveDocuments, std::uint32_t holding)
{
    const double n = std::min<double>(holding, archiveDocuments);
    return std::log(1.0 + (static_cast<double>(archiveDocuments) - n + 0.5) / (n + 0.5));
}

std::pair<int, std::uint32_t> ShortestCover(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& hits,
                                            std::span<const int> wordOfTerm, int wordCount)
{
    if (wordCount < 2 || hits.empty())
        return {0, 0};
    auto wordOf = [&](std::uint32_t term) {
        return term < wordOfTerm.size() ? wordOfTerm[term] : -1;
    };
    std::vector<std::uint32_t> inWindow(static_cast<std::size_t>(wordCount), 0);
    int held = 0;
    for (const auto& hit : hits) {
        const int word = wordOf(hit.second);
        if (word >= 0 && word < wordCount && inWindow[static_cast<std::size_t>(word)]++ == 0)
            ++held;
    }
    if (held < 2)
        return {held, 0};
    std::fill(inWindow.begin(), inWindow.end(), 0);
    // Two pointers over the hits: the window grows until it holds every word held,
    // then sheds its first hits while it still does.
    std::uint32_t best = UINT32_MAX;
    int inside = 0;
    std::size_t first = 0;
    for (std::size_t last = 0; last < hits.size(); ++last) {
        const int word = wordOf(hits[last].second);
        if (word < 0 || word >= wordCount)
            continue;
        if (inWindow[static_cast<std::size_t>(word)]++ == 0)
            ++inside;
        while (inside == held) {
            best = std::min(best, hits[last].first - hits[first].first + 1);
            const int leaving = wordOf(hits[first].second);
            if (leaving >= 0 && leaving < wordCount && --inWindow[static_cast<std::size_t>(leaving)] == 0)
                --inside;
            ++first;
        }
    }
    return {held, best};
}

namespace {

// What a query's score needs of it, worked out once for every row, and the
// buffers a row's score fills, kept from one row to the next.
class Scorer {
public:
    explicit Scorer(const RelevanceQuery& query) : m_query(query), m_wordIdfs(wordIdfs(query))
    {
        for (const RankedTerm& term : query.terms) {
            m_termIdfs.push_back(InverseDocumentFrequency(query.documents, term.documents));
            m_wordOfTerm.push_back(term.word);
        }
        m_frequencies.resize(query.terms.size());
        m_held.resize(query.words.size());
    }

    double content(const DocumentTerms& document)
    {
        const bool sampled = document.read < document.length;
        const double scale =
            sampled && document.read > 0 ? static_cast<double>(document.length) / static_cast<double>(document.read)
                                         : 1.0;
        std::fill(m_frequencies.begin(), m_frequencies.end(), 0.0);
        for (const auto& hit : document.hits)
            if (hit.second < m_frequencies.size())
                m_frequencies[hit.second] += scale;
        if (sampled)
            holdAtLeastOnce();
        const double normalised = 1.0 - kBm25B + kBm25B * static_cast<double>(document.length) /
                                                     std::max(m_query.averageLength, 1.0);
        double score = 0;
        for (std::size_t t = 0; t < m_frequencies.size(); ++t) {
            const double tf = m_frequencies[t];
            if (tf > 0)
                score += m_termIdfs[t] * tf * (kBm25K1 + 1.0) / (tf + kBm25K1 * normalised);
        }
        const int wordCount = static_cast<int>(m_query.words.size());
        const auto [held, span] = ShortestCover(document.hits, m_wordOfTerm, wordCount);
        if (held >= 2 && span > 0) {
            std::fill(m_held.begin(), m_held.end(), 0);
            for (const auto& hit : document.hits)
                if (hit.second < m_wordOfTerm.size() && m_wordOfTerm[hit.second] >= 0 &&
                    m_wordOfTerm[hit.second] < wordCount)
                    m_held[static_cast<std::size_t>(m_wordOfTerm[hit.second])] = 1;
            double idfSum = 0;
            for (std::size_t w = 0; w < m_wordIdfs.size(); ++w)
                idfSum += m_held[w] ? m_wordIdfs[w] : 0.0;
            score += kProximityWeight * (idfSum / held) * (held - 1) * held / static_cast<double>(span);
        }
        return score;
    }

    double path(std::string_view label)
    {
        m_lower.assign(label);
        for (char& c : m_lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        // A folder row ends in '/': its name is its last folder.
        std::string_view path = m_lower;
        if (path.size() > 1 && path.back() == '/')
            path.remove_suffix(1);
        const std::size_t slash = path.rfind('/');
        const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        const std::string_view folder =
            slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
        const std::string_view stem = name.substr(0, name.find('.'));
        double score = 0;
        for (std::size_t w = 0; w < m_query.words.size(); ++w) {
            const std::string& word = m_query.words[w];
            if (runBeginsWith(name, word))
                score += kNameWeight * m_wordIdfs[w];
            if (!word.empty() && stem == word)
                score += kNameIsWordWeight * m_wordIdfs[w];
            if (runBeginsWith(folder, word))
                score += kFolderWeight * m_wordIdfs[w];
        }
        return score;
    }

private:
    // The postings listed the document, so it holds what they promise even when
    // the entries read do not show it: a long list's query word may come only
    // after them. Such a term counts once, the least a holder can have.
    void holdAtLeastOnce()
    {
        if (m_frequencies.empty())
            return;
        if (m_query.everyTermHeld) {
            for (double& tf : m_frequencies)
                tf = std::max(tf, 1.0);
            return;
        }
        // One word at least: the one that weighs least, so that the score stays a
        // floor whichever word the document holds.
        if (std::any_of(m_frequencies.begin(), m_frequencies.end(), [](double tf) { return tf > 0; }))
            return;
        const auto commonest = std::min_element(m_termIdfs.begin(), m_termIdfs.end());
        m_frequencies[static_cast<std::size_t>(commonest - m_termIdfs.begin())] = 1.0;
    }

    const RelevanceQuery& m_query;
    std::vector<double> m_wordIdfs;
    std::vector<double> m_termIdfs;
    std::vector<int> m_wordOfTerm;
    std::vector<double> m_frequencies;
    std::vector<char> m_held;
    std::string m_lower;
};

} // namespace

double ContentScore(const RelevanceQuery& query, const DocumentTerms& document)
{
    return Scorer(query).content(document);
}

double PathScore(const RelevanceQuery& query, std::string_view label)
{
    return Scorer(query).path(label);
}

std::vector<RankedRow> BestRows(std::span<const double> scores, std::size_t limit)
{
    limit = std::min(limit, scores.size());
    std::vector<RankedRow> best;
    if (limit == 0)
        return best;
    best.reserve(limit);
    // A heap whose top is the worst row kept: a row better than it takes its place.
    for (std::size_t row = 0; row < scores.size(); ++row) {
        const RankedRow candidate{row, scores[row]};
        if (best.size() < limit) {
            best.push_back(candidate);
            std::push_heap(best.begin(), best.end(), ranksBefore);
        } else if (ranksBefore(candidate, best.front())) {
            std::pop_heap(best.begin(), best.end(), ranksBefore);
            best.back() = candidate;
            std::push_heap(best.begin(), best.end(), ranksBefore);
        }
    }
    std::sort_heap(best.begin(), best.end(), ranksBefore);
    return best;
}

std::vector<RankedRow> RelevanceOrder(SearchSession& session, std::size_t limit)
{
    const ResultList& results = session.results();
    app::Workspace& workspace = session.workspace();
    const std::vector<RelevanceQuery>& queries = session.run().relevanceQueries();
    std::vector<double> scores(results.size(), 0.0);
    if (results.empty())
        return {};
    if (queries.empty())
        return BestRows(scores, limit);
    // Rows of the current archive are scored whole; others on their path, by the
    // query as the last archive searched found it.
    const RelevanceQuery* current = nullptr;
    for (const RelevanceQuery& query : queries)
        if (query.archiveNumber == workspace.ArchiveNumber)
            current = &query;
    const RelevanceQuery& pathQuery = current != nullptr ? *current : queries.back();

    std::vector<std::pair<std::uint32_t, std::size_t>> documents;  // number, row
    Scorer pathScorer(pathQuery);
    for (std::size_t row = 0; row < results.size(); ++row) {
        scores[row] = pathScorer.path(results.label(row));
        if (current == nullptr)
            continue;
        if (const auto listed = results.listedDocument(row); listed && listed->archiveNumber == current->archiveNumber)
            documents.emplace_back(listed->number, row);
    }
    if (documents.empty())
        return BestRows(scores, limit);

    archive::ArchiveStore& store = workspace.store();
    const bool wasOpen = store.isOpen();
    if (!wasOpen && !store.open())
        return BestRows(scores, limit);
    sortRuns(documents);
    Scorer scorer(*current);
    std::vector<std::uint32_t> nodes;
    for (const RankedTerm& term : current->terms)
        nodes.push_back(term.node);
    const app::StopCode before = workspace.BreakCode;
    archive::DocRecord record;
    archive::DocRecord next;
    DocumentTerms terms;
    // The length of a long list, told by where the next document's list begins
    // (a run writes a document's list right after the one before), when the
    // end mark stands there; zero when not.
    auto lengthByNextList = [&](std::uint32_t number, std::uint32_t start) -> std::uint32_t {
        for (std::uint32_t later = number + 1; later <= number + 4 && later <= store.documentCount(); ++later) {
            if (!store.readDocumentInto(later, next))
                return 0;
            if (next.wordList == 0)
                continue;
            if (next.wordList <= start + 8 || (next.wordList - start) % 4 != 0)
                return 0;
            const std::uint32_t entries = (next.wordList - start) / 4 - 2;
            return store.wordListEndsAt(start, entries) ? entries : 0;
        }
        return 0;
    };
    for (const auto& [number, row] : documents) {
        // Damage shows its message and leaves that row on its path's score.
        if (!store.readDocumentInto(number, record) || record.wordList == 0) {
            store.consumeDamage();
            continue;
        }
        auto [read, whole] = store.findInWordList(record.wordList, nodes, terms.hits, kScoredEntries);
        terms.read = read;
        terms.length = read;
        if (!whole && !store.consumeDamage()) {
            const std::uint32_t length = lengthByNextList(number, record.wordList);
            if (length > read)
                terms.length = length;
            else
                std::tie(terms.read, whole) =
                    store.findInWordList(record.wordList, nodes, terms.hits, std::numeric_limits<std::uint32_t>::max());
            if (terms.length < terms.read)
                terms.length = terms.read;
        }
        if (store.consumeDamage())
            continue;
        scores[row] += scorer.content(terms);
    }
    workspace.BreakCode = before;
    if (!wasOpen)
        store.close();
    return BestRows(scores, limit);
}

} // namespace vedra::search
