// The screen of the search on disk: it may only rule out files the hit search
// would not list. Checked at the read boundaries it has, and against FileHasHits on
// random bytes.
#include "core/search/DiskWordScreen.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/search/QueryWords.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace vedra::search {
namespace {

using testing::TempFolder;
using testing::testProbe;
using testing::writeFile;

std::vector<HitWord> wordsOf(const std::string& query)
{
    QueryWordTable table;
    ParseQueryWords(query, false, 0, QueryLimits{}, nullptr, table);
    return HitWordsFrom(table);
}

class DiskWordScreenTest : public ::testing::Test {
protected:
    ScreenVerdict screen(const std::string& content, const std::string& query, HitOptions options = {},
                         std::size_t blockBytes = 4096, std::size_t readBytes = 0, const std::string& name = "doc.txt")
    {
        return DiskWordScreen(wordsOf(query), options, blockBytes, readBytes).screenBytes(name, content);
    }

    bool hitSearch(const std::string& content, const std::string& query, HitOptions options, std::size_t blockBytes,
                   const std::string& name = "doc.txt")
    {
        writeFile(folder.path() / name, content);
        return FileHasHits(workspace, (folder.path() / name).string(), wordsOf(query), options, blockBytes);
    }

    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
};

constexpr ScreenVerdict kNo = ScreenVerdict::NoHit;
constexpr ScreenVerdict kMay = ScreenVerdict::MayHit;

TEST_F(DiskWordScreenTest, AWholeWordInAnyCaseAtTheStartOrEndOfTheFile)
{
    EXPECT_EQ(screen("quokka lives here", "quokka"), kMay);
    EXPECT_EQ(screen("lives here: QuOkKa", "quokka"), kMay);
    EXPECT_EQ(screen("(quokka)", "quokka"), kMay);
    EXPECT_EQ(screen("quokkas and xquokka and quokka2", "quokka"), kNo) << "inside longer words";
    EXPECT_EQ(screen("", "quokka"), kNo);
    EXPECT_EQ(screen("quokk", "quokka"), kNo) << "cut by the end of the file";
    // Words OR: a word may sit inside a longer one.
    HitOptions inside;
    inside.wordsOr = true;
    EXPECT_EQ(screen("xquokkas", "quokka", inside), kMay);
    // A word shortened past the trim threshold matches as a prefix.
    EXPECT_EQ(screen("precipitevolissimevolmente", "precipitevolissimevolmente"), kMay);
    EXPECT_EQ(screen("precipitevolissimevolmentissimo", "precipitevolissimevolmente"), kMay);
}

TEST_F(DiskWordScreenTest, AndWantsEveryWordOrWantsOne)
{
    HitOptions any;
    any.andWords = false;
    EXPECT_EQ(screen("alpha only", "alpha bravo"), kNo);
    EXPECT_EQ(screen("alpha only", "alpha bravo", any), kMay);
    EXPECT_EQ(screen("bravo, then alpha", "alpha bravo"), kMay);
    EXPECT_EQ(screen("neither", "alpha bravo", any), kNo);
}

TEST_F(DiskWordScreenTest, AccentedFormsInCp1252AndUtf8AreFoldedAsTheHitSearchFoldsThem)
{
    EXPECT_EQ(screen("la citt\xe0 \xe8 bella", "citta"), kMay);
    EXPECT_EQ(screen("la citt\xc3\xa0 \xc3\xa8 bella", "citta"), kMay);
    EXPECT_EQ(screen("l'\xc3\xa9" "cole normale", "ecole"), kMay) << "the accent on the first letter";
    EXPECT_EQ(screen("l'\xe9" "cole normale", "ecole"), kMay);
    // The hit search folds small accented letters only: nor does the screen.
    EXPECT_EQ(screen("\xc3\x89" "cole normale", "ecole"), kNo);
    EXPECT_EQ(screen("\xc9" "cole normale", "ecole"), kNo);
    EXPECT_EQ(screen("caf\xc3\xa9s", "cafe"), kNo) << "an accented letter continues the word";
    EXPECT_EQ(screen("\xe9" "cafe", "cafe"), kNo);
    EXPECT_EQ(screen("na\xc3\xafve caf\xc3\xa9", "cafe"), kMay);
    // A UTF-8 file whose other characters are not plain: the word itself is.
    EXPECT_EQ(screen("\xe2\x80\x9cquokka\xe2\x80\x9d", "quokka"), kMay);
    EXPECT_EQ(screen("\xe2\x80\x9cquokkas\xe2\x80\x9d", "quokka"), kNo);
}

TEST_F(DiskWordScreenTest, AWordAcrossTheSeamOfTwoReadsIsSeenWhole)
{
    // A file larger than the hit search's block is read in pieces of 8 bytes.
    const std::string padding = "abc def ghi jkl ";  // 16 bytes
    for (std::size_t shift = 0; shift < 9; ++shift) {
        std::string content = padding.substr(0, shift) + " quokka " + padding + padding;
        EXPECT_EQ(screen(content, "quokka", {}, 16, 8), kMay) << "shift " << shift;
    }
    // Inside a longer word away from a seam.
    EXPECT_EQ(screen(padding + "xx quokkas xx " + padding, "quokka", {}, 16, 8), kNo);
    // At the very end of a file of several pieces.
    EXPECT_EQ(screen(padding + padding + "quokka", "quokka", {}, 16, 8), kMay);
    // Not plain ASCII in a file of several pieces: the hit search must look.
    EXPECT_EQ(screen(padding + padding + "\xe9t\xe9", "quokka", {}, 16, 8), kMay);
}

TEST_F(DiskWordScreenTest, NulSqueezedDocumentsAndUnreadableFilesAreLeftToTheHitSearch)
{
    EXPECT_EQ(screen(std::string("q\0u\0o\0k\0k\0a\0", 12), "quokka", {}, 4096, 0, "old.doc"), kMay);
    DiskWordScreen screenWords(wordsOf("quokka"), {}, 4096);
    EXPECT_EQ(screenWords.screenFile((folder.path() / "absent.txt").string()), ScreenVerdict::CannotOpen);
    // A folder named like a file is never read as one.
    std::filesystem::create_directories(folder.path() / "folder.txt");
    EXPECT_EQ(screenWords.screenFile((folder.path() / "folder.txt").string()), ScreenVerdict::CannotOpen);
    writeFile(folder.path() / "empty.txt", "");
    EXPECT_EQ(screenWords.screenFile((folder.path() / "empty.txt").string()), kNo);
    writeFile(folder.path() / "hit.txt", "a QUOKKA.");
    EXPECT_EQ(screenWords.screenFile((folder.path() / "hit.txt").string()), kMay);
}

// Random bytes of the kinds that matter (letters of both cases, cp1252 and UTF-8
// accented letters, digits, blanks, NUL, stray high bytes), random words and
// options, small blocks: the screen never rules out a file the hit search lists,
// and on whole blocks it rules out nearly all it does not.
TEST_F(DiskWordScreenTest, NeverRulesOutAFileTheHitSearchLists)
{
    const std::vector<std::string> pieces = {"a", "c", "e", "k", "t", "A", "C", "E", "K", "T", " ", "1",
                                             "\xe9", "\xc9", "\xc3\xa9", "\xc3\x89", "\xe0", "\xc3\xa0", std::string(1, '\0'),
                                             "\x93", "-", "ca", "te", "ke", "cat", "\xe2\x80\x9c"};
    const std::vector<std::string> queries = {"cat", "tea", "kate", "ace", "cake", "cat tea", "eke", "ta1"};
    std::mt19937 random(40);
    int hits = 0;
    int ruledOut = 0;
    int misses = 0;
    for (int round = 0; round < 1000; ++round) {
        std::string content;
        int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i)
            content += pieces[random() % pieces.size()];
        if (content.find('\0') != std::string::npos && random() % 2)
            content.erase(std::remove(content.begin(), content.end(), '\0'), content.end());
        const std::string& query = queries[random() % queries.size()];
        HitOptions options;
        options.andWords = random() % 3 != 0;
        options.wordsOr = random() % 4 == 0;
        const std::size_t blockBytes = random() % 2 ? 4096 : 16 + random() % 24;
        const std::size_t readBytes = 8 + random() % 12;
        const bool found = hitSearch(content, query, options, blockBytes);
        const ScreenVerdict verdict = screen(content, query, options, blockBytes, readBytes);
        ASSERT_FALSE(found && verdict == kNo) << "round " << round << " query " << query << " text "
                                              << ::testing::PrintToString(content);
        hits += found ? 1 : 0;
        ruledOut += verdict == kNo ? 1 : 0;
        misses += !found ? 1 : 0;
    }
    EXPECT_GT(hits, 40);
    EXPECT_GT(ruledOut, misses / 2) << "a screen that rules nothing out saves nothing";
}

} // namespace
} // namespace vedra::search
