// A word gets at most one posting per document, which addPosting decides from
// the word's head posting; the store answers that from what the run wrote where
// it can. Checked against a plain model of the lists over passes of documents
// that come back, runs that reopen the archive, and every cache size.
#include "core/archive/ArchiveStore.h"

#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace vedra::archive {
namespace {

using testing::ArchiveFixture;

struct Step {
    std::uint32_t document;
    std::vector<int> words;  // indexes into the vocabulary, repeats included
};

// Passes of documents in an order with returns: some documents come back after
// others (as an update or a second pass in the same run would bring them).
std::vector<Step> passes(std::mt19937& random, int count)
{
    std::vector<Step> steps;
    std::uniform_int_distribution<int> word(0, 29);
    std::uniform_int_distribution<int> length(1, 12);
    std::uniform_int_distribution<std::uint32_t> back(1, 6);
    std::uint32_t next = 1;
    for (int i = 0; i < count; ++i) {
        Step step;
        // One pass in four goes back to a document met before.
        step.document = (i % 4 == 3 && next > 1) ? std::max<std::uint32_t>(1, next - back(random)) : next++;
        for (int n = length(random); n > 0; --n)
            step.words.push_back(word(random));
        steps.push_back(std::move(step));
    }
    return steps;
}

class PostingHeads : public ::testing::TestWithParam<CacheSizes> {};

TEST_P(PostingHeads, OnePostingPerWordAndDocumentAcrossPassesAndRuns)
{
    ArchiveFixture fx(1);
    std::mt19937 random(19);
    std::map<int, std::vector<std::uint32_t>> model;  // word -> documents, oldest first
    std::size_t written = 0;
    std::size_t refused = 0;
    // Three runs over the same archive: the later ones meet heads older than themselves.
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(fx.openForIndexing(GetParam()));
        for (const Step& step : passes(random, 40)) {
            for (int w : step.words) {
                auto lookup = fx.store->findOrAddWord("word" + std::to_string(w) + "x");
                ASSERT_TRUE(lookup);
                auto& list = model[w];
                const bool expected = list.empty() || list.back() != step.document;
                ASSERT_EQ(fx.store->addPosting(*lookup, step.document), expected)
                    << "run " << run << ", document " << step.document << ", word " << w;
                if (expected)
                    list.push_back(step.document);
                expected ? ++written : ++refused;
            }
        }
        ASSERT_TRUE(fx.store->close());
    }
    EXPECT_GT(written, 300u);
    EXPECT_GT(refused, 50u) << "the sequence repeats words inside a pass";

    ASSERT_TRUE(fx.store->open());
    for (const auto& [w, documents] : model) {
        auto lookup = fx.store->findWord("word" + std::to_string(w) + "x");
        ASSERT_TRUE(lookup);
        std::vector<std::uint32_t> newestFirst(documents.rbegin(), documents.rend());
        EXPECT_EQ(fx.store->readPostings(lookup->postings), newestFirst) << "word " << w;
    }
    EXPECT_FALSE(fx.store->consumeDamage());
}

// A document whose pass comes back after another one's, in the same run, still
// gets no second posting for a word whose head it already holds.
TEST(PostingHeadsReturn, ADocumentBackInTheSameRunIsNotPostedTwice)
{
    ArchiveFixture fx(1);
    ASSERT_TRUE(fx.openForIndexing(CacheSizes{0, 0, 0, 0, 0}));
    auto alpha = fx.store->findOrAddWord("alpha");
    ASSERT_TRUE(alpha);
    EXPECT_TRUE(fx.store->addPosting(*alpha, 1));
    auto beta = fx.store->findOrAddWord("beta");
    ASSERT_TRUE(beta);
    EXPECT_TRUE(fx.store->addPosting(*beta, 2));
    alpha = fx.store->findOrAddWord("alpha");
    EXPECT_FALSE(fx.store->addPosting(*alpha, 1)) << "alpha's head still carries document 1";
    beta = fx.store->findOrAddWord("beta");
    EXPECT_TRUE(fx.store->addPosting(*beta, 1));
    EXPECT_TRUE(fx.store->close());
    ASSERT_TRUE(fx.store->open());
    EXPECT_EQ(fx.store->readPostings(fx.store->findWord("alpha")->postings), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(fx.store->readPostings(fx.store->findWord("beta")->postings), (std::vector<std::uint32_t>{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(Caches, PostingHeads,
                         ::testing::Values(CacheSizes{0, 0, 0, 0, 0}, CacheSizes{27000, 64, 26100, 26100, 16},
                                           CacheSizes{64 << 20, 64 << 20, 64 << 20, 64 << 20, 1 << 20}));

} // namespace
} // namespace vedra::archive
