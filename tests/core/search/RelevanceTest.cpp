// The relevance order on archives made for each case: what a word's count, a
// file's name and the words' nearness do to the order, ties in the archive's
// order, and the best rows of a bounded heap against a whole sort.
#include "core/search/Relevance.h"

#include "core/search/SearchSession.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kEveryRow = std::numeric_limits<std::size_t>::max();

// `count` words of filler, `word` at each of `at` (positions below count).
std::string textWith(std::size_t count, const std::vector<std::pair<std::size_t, std::string>>& at)
{
    std::vector<std::string> words(count, "mango");
    for (const auto& [position, word] : at)
        words.at(position) = word;
    std::string text;
    for (const std::string& word : words)
        text += word + ' ';
    return text + '\n';
}

// What one occurrence of the query's `term` alone earns in a list of `length`
// entries read whole: no other word, so no nearness bonus.
double onceAlone(const RelevanceQuery& query, std::size_t term, std::uint32_t length)
{
    RelevanceQuery single = query;
    single.words = {query.words.at(static_cast<std::size_t>(query.terms.at(term).word))};
    single.terms = {query.terms[term]};
    single.terms[0].word = 0;
    DocumentTerms once;
    once.length = once.read = length;
    once.hits = {{length / 2, 0}};
    return ContentScore(single, once);
}

class RelevanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "zebra yak mango quilt");
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "rank";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
    }

    void write(const std::string& name, const std::string& text) { testing::writeFile(tree / name, text); }

    // The file names of the rows of a search of `query`: in the archive's order,
    // and in relevance order (with the scores).
    struct Orders {
        std::vector<std::string> archive;
        std::vector<std::string> relevance;
        std::vector<double> scores;
    };
    Orders search(const std::string& query, bool andWords = true, std::size_t limit = kEveryRow)
    {
        if (!indexed) {
            EXPECT_TRUE(testing::indexFolder(*ws, tree));
            indexed = true;
        }
        SearchSession session(*ws);
        session.run().options().andWords = andWords ? 1 : 0;
        session.run().RunSearch(query);
        Orders orders;
        const ResultList& results = session.results();
        for (std::size_t row = 0; row < results.size(); ++row)
            orders.archive.push_back(fs::path(std::string(results.label(row))).filename().string());
        for (const RankedRow& ranked : RelevanceOrder(session, limit)) {
            orders.relevance.push_back(orders.archive.at(ranked.row));
            orders.scores.push_back(ranked.score);
        }
        return orders;
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    bool indexed = false;
};

TEST_F(RelevanceTest, FiveOccurrencesRankAboveOneInDocumentsOfTheSameLength)
{
    write("a.txt", textWith(60, {{3, "zebra"}}));
    write("b.txt", textWith(60, {{3, "zebra"}, {15, "zebra"}, {27, "zebra"}, {39, "zebra"}, {51, "zebra"}}));
    write("c.txt", textWith(60, {{40, "yak"}}));
    // The same count in a document four times as long weighs less.
    write("d.txt", textWith(240, {{3, "zebra"}}));
    const Orders orders = search("zebra");
    ASSERT_EQ(orders.archive.size(), 3u);
    EXPECT_EQ(orders.relevance, (std::vector<std::string>{"b.txt", "a.txt", "d.txt"}));
    EXPECT_GT(orders.scores[0], orders.scores[1]);
    EXPECT_GT(orders.scores[1], orders.scores[2]);
}

TEST_F(RelevanceTest, AFileNamedAfterTheWordRanksFirst)
{
    std::vector<std::pair<std::size_t, std::string>> many;
    for (std::size_t at = 0; at < 40; at += 4)
        many.push_back({at, "zebra"});
    write("a.txt", textWith(40, many));
    write("b.txt", textWith(40, many));
    write("zebra.txt", textWith(200, {{100, "zebra"}}));
    write("zebra-notes.txt", textWith(200, {{100, "zebra"}}));
    // A word in the folder counts too, less than one in the name.
    write("zebra/c.txt", textWith(200, {{100, "zebra"}}));
    write("d.txt", textWith(200, {{100, "zebra"}}));
    const Orders orders = search("zebra");
    ASSERT_EQ(orders.relevance.size(), 6u);
    EXPECT_EQ(orders.relevance[0], "zebra.txt");
    EXPECT_EQ(orders.relevance[1], "zebra-notes.txt");
    EXPECT_EQ(orders.relevance.back(), "d.txt");
    EXPECT_EQ(orders.relevance[orders.relevance.size() - 2], "c.txt");
}

TEST_F(RelevanceTest, EqualScoresKeepTheArchiveOrderWhateverTheLimit)
{
    for (const char* name : {"e.txt", "a.txt", "d.txt", "b.txt", "c.txt"})
        write(name, textWith(30, {{7, "zebra"}, {20, "quilt"}}));
    write("z.txt", textWith(30, {{7, "zebra"}}));  // a row of another score among them
    for (bool andWords : {true, false}) {
        const Orders orders = search("zebra quilt", andWords);
        std::vector<std::string> ties = orders.archive;
        std::erase(ties, "z.txt");
        std::vector<std::string> ranked = orders.relevance;
        std::erase(ranked, "z.txt");
        EXPECT_EQ(ranked, ties) << (andWords ? "AND" : "OR");
        EXPECT_EQ(orders.relevance.size(), orders.archive.size());
        for (std::size_t limit = 0; limit <= orders.archive.size() + 1; ++limit) {
            const Orders first = search("zebra quilt", andWords, limit);
            const std::size_t expected = std::min(limit, orders.relevance.size());
            EXPECT_EQ(first.relevance, std::vector<std::string>(orders.relevance.begin(),
                                                                orders.relevance.begin() + static_cast<long>(expected)))
                << "limit " << limit;
        }
    }
}

TEST_F(RelevanceTest, WordsCloseTogetherRankAboveTheSameWordsFarApart)
{
    write("a.txt", textWith(200, {{10, "zebra"}, {180, "yak"}}));
    write("b.txt", textWith(200, {{100, "zebra"}, {101, "yak"}}));
    write("c.txt", textWith(200, {{10, "zebra"}, {14, "yak"}}));
    const Orders orders = search("zebra yak");
    EXPECT_EQ(orders.relevance, (std::vector<std::string>{"b.txt", "c.txt", "a.txt"}));
    // Reversed in the query, the same order.
    EXPECT_EQ(search("yak zebra").relevance, orders.relevance);
}

TEST_F(RelevanceTest, ALongListWithTheWordsPastItsReadPartStillScoresThem)
{
    // The words only past the entries a long list is read for, then a list after
    // it, which tells its length.
    const std::size_t length = 3 * kScoredEntries;
    const std::uint32_t late = 2 * kScoredEntries + 5;
    write("long.txt", textWith(length, {{late, "zebra"}, {late + 60, "yak"}}));
    write("m.txt", textWith(40, {{1, "zebra"}, {2, "yak"}}));
    for (const std::string query : {"zebra", "zebra yak"}) {
        const bool both = query != "zebra";
        const Orders orders = search(query);
        ASSERT_EQ(orders.relevance.size(), 2u) << query;
        const auto at = std::find(orders.relevance.begin(), orders.relevance.end(), "long.txt");
        ASSERT_NE(at, orders.relevance.end());
        const double score = orders.scores[static_cast<std::size_t>(at - orders.relevance.begin())];
        // At least what one occurrence of each word earns in a list read whole.
        SearchSession session(*ws);
        session.run().RunSearch(query);
        ASSERT_EQ(session.run().relevanceQueries().size(), 1u);
        const RelevanceQuery& ranked = session.run().relevanceQueries().front();
        ASSERT_TRUE(ranked.everyTermHeld);
        ASSERT_EQ(ranked.terms.size(), both ? 2u : 1u);
        double floor = 0;
        for (std::size_t term = 0; term < ranked.terms.size(); ++term)
            floor += onceAlone(ranked, term, static_cast<std::uint32_t>(length));
        EXPECT_GT(floor, 0.0);
        EXPECT_GE(score + 1e-9, floor) << query;
    }
}

TEST(RelevanceParts, AListReadInPartCountsWhatThePostingsPromise)
{
    RelevanceQuery query;
    query.words = {"zebra", "yak"};
    query.terms = {{0, 100, 10}, {1, 200, 400}};  // yak the commoner
    query.documents = 1000;
    query.averageLength = 500;
    auto alone = [&](std::size_t term) { return onceAlone(query, term, 4000); };
    DocumentTerms sampled;
    sampled.length = 4000;
    sampled.read = kScoredEntries;
    query.everyTermHeld = true;
    EXPECT_DOUBLE_EQ(ContentScore(query, sampled), alone(0) + alone(1));
    // An OR search's row holds one word at least: the one that weighs least.
    query.everyTermHeld = false;
    EXPECT_DOUBLE_EQ(ContentScore(query, sampled), alone(1));
    // A word the part read shows is counted from it, the others not raised.
    sampled.hits = {{5, 0}};
    const double shown = ContentScore(query, sampled);
    EXPECT_GT(shown, alone(0));
    query.everyTermHeld = true;
    EXPECT_DOUBLE_EQ(ContentScore(query, sampled), shown + alone(1));
    // A list read whole holds what it shows, whatever the postings said.
    DocumentTerms whole;
    whole.length = whole.read = 4000;
    EXPECT_DOUBLE_EQ(ContentScore(query, whole), 0.0);
}

TEST(RelevanceParts, TheShortestCoverHoldsEveryWordHeld)
{
    const std::vector<int> wordOfTerm = {0, 1, 1, 2};  // word 1 in two parts
    using Hits = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    EXPECT_EQ(ShortestCover(Hits{}, wordOfTerm, 3), (std::pair<int, std::uint32_t>{0, 0}));
    EXPECT_EQ(ShortestCover(Hits{{4, 0}, {9, 0}}, wordOfTerm, 3), (std::pair<int, std::uint32_t>{1, 0}));
    // Word 2 absent: the cover of words 0 and 1; either part of word 1 serves.
    EXPECT_EQ(ShortestCover(Hits{{0, 0}, {50, 1}, {60, 0}, {62, 2}}, wordOfTerm, 3),
              (std::pair<int, std::uint32_t>{2, 3}));
    EXPECT_EQ(ShortestCover(Hits{{0, 3}, {5, 0}, {6, 1}, {40, 3}, {41, 0}, {42, 1}}, wordOfTerm, 3),
              (std::pair<int, std::uint32_t>{3, 3}));
    // A term index past the table is no word.
    EXPECT_EQ(ShortestCover(Hits{{0, 0}, {1, 9}, {8, 1}}, wordOfTerm, 3), (std::pair<int, std::uint32_t>{2, 9}));
}

TEST(RelevanceParts, BestRowsAreTheHeadOfTheWholeOrder)
{
    std::mt19937 random(39);
    for (int round = 0; round < 50; ++round) {
        std::vector<double> scores(1 + random() % 60);
        // Few distinct values: many ties.
        for (double& score : scores)
            score = static_cast<double>(random() % 5);
        std::vector<std::size_t> whole(scores.size());
        std::iota(whole.begin(), whole.end(), std::size_t{0});
        std::stable_sort(whole.begin(), whole.end(), [&](std::size_t a, std::size_t b) { return scores[a] > scores[b]; });
        for (std::size_t limit : {std::size_t{0}, std::size_t{1}, scores.size() / 2, scores.size(), scores.size() + 3}) {
            const std::vector<RankedRow> best = BestRows(scores, limit);
            ASSERT_EQ(best.size(), std::min(limit, scores.size()));
            for (std::size_t i = 0; i < best.size(); ++i) {
                EXPECT_EQ(best[i].row, whole[i]) << "round " << round << " limit " << limit;
                EXPECT_EQ(best[i].score, scores[whole[i]]);
            }
        }
    }
}

TEST(RelevanceParts, AWordInTheNameOrFolderCountsAsARunOfTheName)
{
    RelevanceQuery query;
    query.words = {"zebra"};
    query.terms = {{0, 100, 10}};
    query.documents = 1000;
    const double idf = InverseDocumentFrequency(1000, 10);
    EXPECT_DOUBLE_EQ(PathScore(query, "/doc/zebra.html"), (kNameWeight + kNameIsWordWeight) * idf);
    EXPECT_DOUBLE_EQ(PathScore(query, "/doc/Zebras_2.html"), kNameWeight * idf);
    EXPECT_DOUBLE_EQ(PathScore(query, "/doc/crazebra.html"), 0.0);  // inside a run, not its start
    EXPECT_DOUBLE_EQ(PathScore(query, "/zebra/doc/a.html"), kFolderWeight * idf);
    EXPECT_DOUBLE_EQ(PathScore(query, "/doc/zebra/"), (kNameWeight + kNameIsWordWeight) * idf);
    EXPECT_DOUBLE_EQ(PathScore(query, ""), 0.0);
}

} // namespace
} // namespace vedra::search
