#include "core/search/WordStatistics.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/archive/Records.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

using testing::TempFolder;
using testing::testProbe;
using testing::writeFile;

std::string message(int language, app::MessageKey key)
{
    return app::utf8ToCp1252(app::MessageTable(language).text(key));
}

std::vector<std::string> listedWords(const WordStatisticsReport& report)
{
    std::vector<std::string> words;
    for (const WordCount& entry : report.wordList)
        words.push_back(entry.word);
    return words;
}

class WordStatistics : public ::testing::Test {
protected:
    // A request for `content` written to `name`, searched for `query`.
    WordStatisticsRequest request(const std::string& content, const std::string& query, std::string name = "doc.txt")
    {
        writeFile(folder.path() / name, content);
        WordStatisticsRequest r;
        r.queryText = query;
        ParseQueryWords(QueryTextToCp1252(query), true, 0, r.limits, nullptr, r.queryWords);
        r.listedDocuments = 4;
        r.elapsedTimeText = "1,5 sec";
        r.statusText = "doc";
        r.archiveName = "C_DOCS_1";
        r.documentPath = folder.path() / name;
        r.textBufferBytes = 4096;
        return r;
    }

    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
};

TEST_F(WordStatistics, WholeWordsUnlessWordsOr)
{
    WordStatisticsRequest r = request("casa, la casa e il casale", "casa");
    WordStatisticsReport whole = BuildWordStatistics(workspace, r);
    ASSERT_EQ(whole.outcome, WordStatisticsOutcome::Complete);
    EXPECT_EQ(whole.queryCounts[0].count, 2u);
    EXPECT_NE(whole.body.text().find("Results of casa: 2\n"), std::string::npos);
    r.wordsOr = true;
    EXPECT_EQ(BuildWordStatistics(workspace, r).queryCounts[0].count, 3u);

    // Digits belong to the word as in the word list; other signs do not.
    EXPECT_EQ(BuildWordStatistics(workspace, request("casa1 CASA_ 2casa casa", "casa")).queryCounts[0].count, 2u);
    // A word past the archive's cut is counted and listed as the dictionary spells it.
    WordStatisticsReport cut = BuildWordStatistics(workspace, request("internazionalizzazione", "internazionalizzazione"));
    EXPECT_EQ(cut.queryCounts[0].count, 1u);
    EXPECT_EQ(listedWords(cut), std::vector<std::string>{"internazionalizz"});
}

class WordStatisticsLanguage : public WordStatistics, public ::testing::WithParamInterface<int> {};

TEST_P(WordStatisticsLanguage, HeadingsTitleAndRedListHeading)
{
    int language = GetParam();
    WordStatisticsRequest r = request("Città e città", "città");
    r.languageIndex = language;
    WordStatisticsReport report = BuildWordStatistics(workspace, r);
    using app::MessageKey;
    EXPECT_EQ(report.title, message(language, MessageKey::MsgWordsSearched) + "citt\xe0");
    std::string expected = message(language, MessageKey::MsgFilesFound) + "4\n" +
                           message(language, MessageKey::MsgElapsedTime) + "1,5 sec\n" +
                           message(language, MessageKey::MsgFileSelected) + "doc\nBytes: 15\n" +
                           message(language, MessageKey::MsgEventsOf) + "citta: 2\n" +
                           message(language, MessageKey::MsgWordStatistics) + "citta: 2\ne: 1\n" +
                           message(language, MessageKey::MsgDifferentCount) + "2" +
                           message(language, MessageKey::MsgTotalCount) + "3\n";
    EXPECT_EQ(report.body.text(), expected);

    ASSERT_EQ(report.body.spans().size(), 1u);
    const MarkedSpan& span = report.body.spans()[0];
    EXPECT_TRUE(span.bold && span.underline && span.colour == Colour::Red);
    std::string heading = message(language, MessageKey::MsgWordStatistics);
    EXPECT_EQ(report.body.text().substr(span.start, span.length),
              heading.substr(heading.find_first_not_of(" \n"), span.length));
    EXPECT_EQ(report.body.text()[span.start + span.length], '\n');
}

INSTANTIATE_TEST_SUITE_P(ThreeLanguages, WordStatisticsLanguage, ::testing::Values(0, 1, 2));

TEST_F(WordStatistics, HeadingFollowsTheLastSearch)
{
    WordStatisticsRequest r = request("casa", "casa");
    r.inTheFile = true;
    WordStatisticsReport inFile = BuildWordStatistics(workspace, r);
    EXPECT_EQ(inFile.title, "C_DOCS_1");
    EXPECT_EQ(inFile.body.text().rfind("Past time: 1,5 sec\n", 0), 0u);
    EXPECT_EQ(inFile.body.text().find("Results of"), std::string::npos);
    EXPECT_EQ(inFile.queryCounts[0].count, 1u);

    r.folderSearch = true;
    r.folderCount = 7;
    EXPECT_EQ(BuildWordStatistics(workspace, r).body.text().rfind("Folders found :7\nPast time", 0), 0u);

    WordStatisticsRequest names = request("casa", "");
    names.nameSearch = true;
    EXPECT_EQ(BuildWordStatistics(workspace, names).body.text().rfind("Files found :4\n", 0), 0u);
}

TEST_F(WordStatistics, BlockBordersCountEachWordOnce)
{
    std::string utf8;
    std::string withNuls;
    for (int i = 0; i < 12; ++i) {
        utf8 += "la casa del casale, caf\xc3\xa8 e citt\xc3\xa0 1234567 casa-casa ";
        withNuls += "la casa del casale, caffe e citta 1234567 casa-casa ";
    }
    // In a ".doc" single NULs are dropped, so blocks shrink and give back nothing.
    for (std::size_t at = 3; at < withNuls.size(); at += 7)
        withNuls.insert(at, 1, '\0');
    for (const auto& [name, content] : {std::pair{"doc.txt", utf8}, std::pair{"doc.doc", withNuls}}) {
        for (bool wordsOr : {false, true}) {
            WordStatisticsRequest r = request(content, "casa citta 1234567", name);
            r.wordsOr = wordsOr;
            WordStatisticsReport reference = BuildWordStatistics(workspace, r);
            ASSERT_EQ(reference.totalWords, 12u * 10);
            ASSERT_EQ(reference.queryCounts[0].count, wordsOr ? 48u : 36u);
            ASSERT_EQ(reference.queryCounts[1].count, 12u);
            for (r.textBufferBytes = 260; r.textBufferBytes < 390; ++r.textBufferBytes) {
                WordStatisticsReport blocks = BuildWordStatistics(workspace, r);
                ASSERT_EQ(blocks.body.text(), reference.body.text()) << name << ", blocks of " << r.textBufferBytes - 10;
            }
        }
    }
}

TEST_F(WordStatistics, NulBytesSeparateWordsInTextAndAreDroppedInWordDocuments)
{
    EXPECT_EQ(BuildWordStatistics(workspace, request(std::string("casa\0casa", 9), "casa")).queryCounts[0].count, 2u);
    const char wide[] = "c\0a\0s\0a\0\0\0c\0a\0s\0a\0";
    WordStatisticsReport utf16 = BuildWordStatistics(workspace, request(std::string(wide, sizeof wide - 1), "casa", "w.doc"));
    EXPECT_EQ(utf16.queryCounts[0].count, 2u);
    EXPECT_EQ(listedWords(utf16), std::vector<std::string>{"casa"});
}

TEST_F(WordStatistics, MissingEmptyOrUnreadableDocumentEndsAfterTheHeading)
{
    const std::string heading = "Files found :4\nPast time: 1,5 sec\n";
    WordStatisticsRequest r = request("", "casa");
    WordStatisticsReport empty = BuildWordStatistics(workspace, r);
    EXPECT_EQ(empty.outcome, WordStatisticsOutcome::EmptyDocument);
    EXPECT_EQ(empty.body.text(), heading + "File selected: doc\nBytes: 0\n");

    r.documentPath = folder.path() / "missing.txt";
    WordStatisticsReport missing = BuildWordStatistics(workspace, r);
    EXPECT_EQ(missing.outcome, WordStatisticsOutcome::DocumentUnreadable);
    EXPECT_EQ(missing.body.text(), heading);
    r.documentPath = folder.path();
    EXPECT_EQ(BuildWordStatistics(workspace, r).body.text(), heading);
    r.documentPath.reset();
    EXPECT_EQ(BuildWordStatistics(workspace, r).outcome, WordStatisticsOutcome::NoDocument);
    EXPECT_TRUE(host.messages().empty());

    r.operationInProgress = true;
    WordStatisticsReport busy = BuildWordStatistics(workspace, r);
    EXPECT_EQ(busy.outcome, WordStatisticsOutcome::NotRun);
    EXPECT_TRUE(busy.title.empty() && busy.body.empty());
}

TEST_F(WordStatistics, ListOutgrowingTheTextBufferStops)
{
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "w" + std::to_string(i) + " ";
    WordStatisticsRequest r = request(text, "w1");
    r.languageIndex = 0;
    r.textBufferBytes = 1000;
    WordStatisticsReport report = BuildWordStatistics(workspace, r);
    EXPECT_EQ(report.outcome, WordStatisticsOutcome::OutOfMemory);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, app::MessageTable(0).text(app::MessageKey::MsgOutOfMemory));
    EXPECT_LE(report.body.text().size(), 1000u);
    EXPECT_FALSE(report.wordList.empty());
    EXPECT_EQ(report.body.text().find("DIVERSE"), std::string::npos);
    EXPECT_EQ(report.queryCounts[0].count, 1u);  // the counts are whole all the same
}

TEST_F(WordStatistics, EscapeStopsTheReading)
{
    workspace.setPumpInterval(std::chrono::milliseconds(0));
    host.pressEscape();
    WordStatisticsRequest r = request(std::string(3000, 'a') + " casa", "casa");
    r.textBufferBytes = 100;
    WordStatisticsReport report = BuildWordStatistics(workspace, r);
    EXPECT_EQ(report.outcome, WordStatisticsOutcome::Stopped);
    EXPECT_TRUE(report.body.text().ends_with("Bytes: 3005\n"));
}

TEST_F(WordStatistics, ListIsInBucketOrder)
{
    // "aw" and "b" share a bucket, "awa" lies in a later one: not alphabetical.
    WordStatisticsReport report = BuildWordStatistics(workspace, request("zz awa b aw 9x a1 10 b", ""));
    std::vector<std::string> expected{"10", "9x", "a1", "aw", "b", "awa", "zz"};
    EXPECT_EQ(listedWords(report), expected);
    EXPECT_EQ(report.wordList[4].count, 2u);
    EXPECT_EQ(report.differentWords, 7u);
    EXPECT_EQ(report.totalWords, 8u);

    EXPECT_EQ(WordListBucket("zzz"), archive::kBucketCount - 1);
    EXPECT_EQ(WordListBucket("Zeta"), archive::kBucketCount);
    EXPECT_EQ(WordListBucket("_x"), archive::kBucketCount);
}

} // namespace
} // namespace vedra::search
