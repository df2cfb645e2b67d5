// Every kind of token the indexer cuts, indexed for real into an archive and
// searched for real as a user would type it: the document is found, or the user
// is told what was searched and why nothing can be found.
#include "core/search/SearchRun.h"

#include "core/search/HitFinder.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

// One document per kind of token (cp1252 text).
const std::map<std::string, std::string> kWordClassDocuments = {
    {"letters.txt", "kernel modules load\n"},
    {"digits.txt", "released in 2012, version 7\n"},
    {"lettersdigits.txt", "the amd64 port on ext4 and iso9660 images\n"},
    {"digitsletters.txt", "serial 2012abc and 7zip\n"},
    {"folded.txt", "Citt\xE0 pi\xF9 perch\xE9\n"},
    {"unfolded.txt", "F\xE1" "brica\n"},
    {"unfoldedsmall.txt", "una l\xEDnea\n"},
    {"unfoldedcapital.txt", "L\xEDnea uno\n"},
    {"long.txt", "supercalifragilisticexpialidocious\n"},
    {"capital.txt", "Via DI Roma\n"},
    {"small.txt", "casa di Roma\n"},
    {"stopword.txt", "the lantern\n"},
    {"severalruns.txt", "builds for x86_64 and arm64\n"},
    {"amdonly.txt", "amd processor\n"},
    {"bits.txt", "64 bits\n"},
};

const char* const kRoots = "kernel modules load released version port ext and iso images serial abc zip citta piu "
                           "perche brica nea supercalifragilistic via di roma casa lantern builds for arm amd processor bits";

struct WordClassCase {
    const char* name;
    const char* typed;                // cp1252, as the words box gives it
    bool andWords;
    std::set<std::string> found;      // file names listed
    const char* notice;               // English, "" when the words are searched as typed
};

// A failing case is named, not dumped as bytes.
void PrintTo(const WordClassCase& c, std::ostream* out)
{
    *out << c.name;
}

class IndexedWordClasses : public ::testing::TestWithParam<WordClassCase> {
protected:
    void SetUp() override
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", kRoots);
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "classes";
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
        for (const auto& [name, text] : kWordClassDocuments)
            testing::writeFile(tree / name, text);
        ASSERT_TRUE(testing::indexFolder(*ws, tree));
        host.clearMessages();
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_P(IndexedWordClasses, WhatTheUserTypesFindsTheDocumentOrIsExplained)
{
    const WordClassCase& c = GetParam();
    ResultList results;
    SearchRun run(*ws, results);
    run.options().andWords = c.andWords ? 1 : 0;
    run.RunSearch(c.typed);

    std::set<std::string> found;
    for (std::size_t i = 0; i < results.size(); ++i)
        found.insert(fs::path(results.row(i).label()).filename().string());
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(run.queryNotice(), c.notice);
    if (*c.notice != '\0') {
        ASSERT_EQ(host.notices().size(), 1u) << "shown once, when the search starts";
        EXPECT_EQ(host.notices()[0], c.notice);
    } else {
        EXPECT_TRUE(host.notices().empty());
    }
    // Nothing listed is never silent: the search says it has ended.
    const bool ended = !host.messages().empty() && host.messages().back().text == "The search has ended.";
    EXPECT_EQ(ended, c.found.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryTokenClass, IndexedWordClasses,
    ::testing::Values(
        WordClassCase{"Letters", "kernel", true, {"letters.txt"}, ""},
        WordClassCase{"LettersInCapitals", "KERNEL", true, {"letters.txt"}, ""},
        WordClassCase{"Digits", "2012", true, {"digits.txt", "digitsletters.txt"}, ""},
        WordClassCase{"OneDigit", "7", true, {"digits.txt", "digitsletters.txt"}, ""},
        WordClassCase{"LettersThenDigits", "amd64", true, {"lettersdigits.txt"}, "Searched for: amd 64."},
        WordClassCase{"LettersThenOneDigit", "ext4", true, {"lettersdigits.txt"}, "Searched for: ext 4."},
        WordClassCase{"LettersThenDigitsInCapitals", "ISO9660", true, {"lettersdigits.txt"},
                      "Searched for: iso 9660."},
        WordClassCase{"DigitsThenLetters", "2012abc", true, {"digitsletters.txt"}, "Searched for: 2012 abc."},
        WordClassCase{"OneDigitThenLetters", "7zip", true, {"digitsletters.txt"}, "Searched for: 7 zip."},
        WordClassCase{"FoldedAccent", "citt\xE0", true, {"folded.txt"}, ""},
        WordClassCase{"FoldedAccentTypedPlain", "citta perche", true, {"folded.txt"}, ""},
        WordClassCase{"AccentThatIsNotFolded", "f\xE1" "brica", true, {"unfolded.txt"},
                      "Searched for: brica. Not searched: f (too short)."},
        // The indexer kept "L" of "Línea" only, and passed over "í" with it: "l" is not asked for.
        WordClassCase{"CapitalisedShortPartOfAnUnfoldedWord", "l\xEDnea", true,
                      {"unfoldedsmall.txt", "unfoldedcapital.txt"}, "Searched for: nea. Not searched: l (too short)."},
        WordClassCase{"LongerThanTheTruncation", "supercalifragilisticexpialidocious", true, {"long.txt"},
                      "Searched for: supercalifragili."},
        WordClassCase{"TruncationLengthTyped", "supercalifragili", true, {"long.txt"}, ""},
        WordClassCase{"CapitalisedShortWord", "DI roma", true, {"capital.txt"}, ""},
        WordClassCase{"CapitalisedShortWordTypedSmall", "di", true, {"capital.txt"}, ""},
        WordClassCase{"StopWordBesideAWord", "the lantern", true, {"stopword.txt"},
                      "Searched for: lantern. Not searched: the (stop word)."},
        WordClassCase{"StopWordAlone", "the", true, {}, "No word to search. Not searched: the (stop word)."},
        WordClassCase{"ShortWordAlone", "of", true, {}, "No word to search. Not searched: of (too short)."},
        WordClassCase{"SeveralRuns", "x86_64", true, {"severalruns.txt"},
                      "Searched for: 6 64. Not searched: x (too short), 8 (after a short word)."},
        WordClassCase{"SeveralRunsInCapitals", "X86_64 ARM64", true, {"severalruns.txt"},
                      "Searched for: 6 64 arm 64. Not searched: x (too short), 8 (after a short word)."},
        WordClassCase{"RunWithNoRegisteredPart", "ab1 kernel", true, {"letters.txt"},
                      "Searched for: kernel. Not searched: ab (too short), 1 (after a short word)."},
        WordClassCase{"LongestRunHasNoRegisteredPart", "aa1aa1aa1 kernel modules", true, {"letters.txt"},
                      "Searched for: kernel modules. Not searched: aa (too short), 1 (after a short word)."},
        // OR: a word wants all its parts in one document; amd alone or 64 alone is not amd64.
        WordClassCase{"OrKeepsTheWordsPartsTogether", "amd64 lantern", false, {"lettersdigits.txt", "stopword.txt"},
                      "Searched for: amd 64 lantern."},
        WordClassCase{"AndWithAMissingPart", "arm64 kernel", true, {}, "Searched for: arm 64 kernel."}),
    [](const ::testing::TestParamInfo<WordClassCase>& info) { return std::string(info.param.name); });

// The fixtures below index corpora of their own.
class IndexedWordLimits : public ::testing::Test {
protected:
    void make(int truncationLength, const std::map<std::string, std::string>& documents, const char* roots)
    {
        testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", roots);
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        indexing::NewArchive request;
        request.name = "limits";
        request.truncationLength = truncationLength;
        ASSERT_EQ(indexing::CreateArchive(*ws, request).number, 1);
        for (const auto& [name, text] : documents)
            testing::writeFile(tree / name, text);
        ASSERT_TRUE(testing::indexFolder(*ws, tree));
        // As a later session finds it: opening takes the archive's own limits.
        ASSERT_TRUE(ws->OpenArchive(1));
        host.clearMessages();
    }

    std::vector<std::string> search(const std::string& typed, bool andWords = true)
    {
        SearchRun run(*ws, results);
        run.options().andWords = andWords ? 1 : 0;
        results.clear();
        run.RunSearch(typed);
        notice = run.queryNotice();
        std::vector<std::string> names;
        for (std::size_t i = 0; i < results.size(); ++i)
            names.push_back(fs::path(results.row(i).label()).filename().string());
        return names;
    }

    testing::TempFolder folder;
    fs::path tree = folder.path() / "corpus";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    ResultList results;
    std::string notice;
};

TEST_F(IndexedWordLimits, WordsAboveTheTrimThresholdAreFoundInAnArchiveThatKeepsThem)
{
    make(20, {{"long.txt", "internationalizing precipitevolissimevolmente\n"}}, "internationalizing precipitevole");
    ASSERT_EQ(ws->maxWordLength, 20);
    EXPECT_EQ(search("internationalizing"), std::vector<std::string>{"long.txt"});
    EXPECT_EQ(notice, "");
    EXPECT_EQ(results.row(0)[ResultColumn::Words], "internationalizinx ") << "the trim still shows";
    EXPECT_EQ(search("precipitevolissimevolmente"), std::vector<std::string>{"long.txt"});
    EXPECT_EQ(notice, "Searched for: precipitevolissimevo.");
}

TEST_F(IndexedWordLimits, CuttingNeverTakesMoreThanTenPlacesAndTheEleventhWordIsNamed)
{
    make(16, {{"ten.txt", "amd64 ext4 iso9660 arm64 2012abc 7zip mp3 h264 utf8 ipv6 win32\n"}},
         "amd ext iso arm abc zip utf ipv win");
    // Ten words cut into sixteen parts, and an eleventh word.
    EXPECT_EQ(search("amd64 ext4 iso9660 arm64 2012abc 7zip mp3 h264 utf8 ipv6 win32"),
              std::vector<std::string>{"ten.txt"});
    EXPECT_EQ(notice, "Searched for: amd 64 ext 4 iso 9660 arm 64 2012 abc 7 zip 64 utf 8 ipv 6. "
                      "Not searched: mp (too short), 3 (after a short word), h (too short), 2 (after a short word), "
                      "win32 (past the tenth word).");
    // The eleventh word is really left out: a document without it is found too.
    EXPECT_EQ(search("amd64 ext4 iso9660 arm64 2012abc 7zip mp3 h264 utf8 ipv6 nowhere"),
              std::vector<std::string>{"ten.txt"});
}

TEST_F(IndexedWordLimits, TheArchiveCannotTellPartsApartSoTheHitSearchWantsThemTogether)
{
    make(16, {{"joined.txt", "the amd64 port\n"}, {"apart.txt", "amd and 64 bits\n"}}, "amd and bits port");
    // The archive holds no positions: both documents hold amd and 64.
    std::vector<std::string> names = search("amd64");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), (std::set<std::string>{"joined.txt", "apart.txt"}));
    // The hit search (extracts, preview, contiguity) looks for the typed word whole.
    QueryWordTable table;
    ParseQueryWords("amd64 port", false, 0, QueryLimits{}, nullptr, table);
    SearchOptions options;
    options.setContiguity(true);
    const std::vector<HitWord> words = HitWordsFrom(table);
    const HitOptions hitOptions = HitOptionsFrom(options, 16);
    EXPECT_TRUE(FileHasHits(*ws, (tree / "joined.txt").string(), words, hitOptions, 4096));
    ParseQueryWords("amd64", false, 0, QueryLimits{}, nullptr, table);
    EXPECT_FALSE(FileHasHits(*ws, (tree / "apart.txt").string(), HitWordsFrom(table), hitOptions, 4096));
}

TEST_F(IndexedWordLimits, WordsOrLooksForEachPartOfAMixedWord)
{
    make(16, {{"joined.txt", "the amd64 port\n"}, {"other.txt", "samd 640\n"}}, "amd port sam");
    SearchRun run(*ws, results);
    run.options().wordsOr = 1;
    run.RunSearch("amd64");
    std::multiset<std::string> rows;
    for (std::size_t i = 0; i < results.size(); ++i)
        rows.insert(fs::path(results.row(i).label()).filename().string() + ":" + results.row(i)[ResultColumn::Words]);
    EXPECT_EQ(rows, (std::multiset<std::string>{"joined.txt:amd ", "joined.txt:64 ", "other.txt:samd ",
                                                "other.txt:640 "}));
    EXPECT_EQ(run.queryNotice(), "Searched for: amd 64.");
}

TEST_F(IndexedWordLimits, ATextSearchTakesTheTypedWordWholeAndSaysNothingOfParts)
{
    make(16, {{"joined.txt", "the amd64 port\n"}}, "amd port");
    SearchRun run(*ws, results);
    run.options().inThePath = 1;
    run.RunSearch("amd64");
    EXPECT_EQ(run.queryNotice(), "");
    EXPECT_TRUE(host.notices().empty());
}

} // namespace
} // namespace vedra::search
