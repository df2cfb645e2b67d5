// The orders of the result list's columns: natural, folded paths; dates by their
// moment across years and kinds; sizes past 32 bits; empty cells last both ways;
// ties in the search's order; and "Clean from list" and the export on a sorted list.
#include "core/search/ResultOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vedra::search {
namespace {

constexpr std::uint64_t fileTimeOf(std::int64_t unixSeconds)
{
    return static_cast<std::uint64_t>(unixSeconds + 11'644'473'600) * 10'000'000;
}

class ResultOrderTest : public ::testing::Test {
protected:
    // A row as a search lists it, its texts made only when read.
    void add(std::string path, std::optional<std::int64_t> unixSeconds = {}, std::optional<std::uint64_t> size = {},
             std::string words = {}, std::string archive = {}, std::int64_t number = 0, char kind = 'f')
    {
        ResultRowInput input;
        input.path = std::move(path);
        if (unixSeconds)
            input.lastWrite = kind == 'w' ? static_cast<std::uint64_t>(*unixSeconds) : fileTimeOf(*unixSeconds);
        input.documentKind = kind;
        input.sizeBytes = size;
        input.wordsText = std::move(words);
        input.archiveName = std::move(archive);
        input.documentNumber = number;
        list.append(std::move(input));
    }
    std::vector<std::string> paths(const std::vector<std::size_t>& order) const
    {
        std::vector<std::string> out;
        for (std::size_t row : order)
            out.emplace_back(list.label(row));
        return out;
    }
    std::vector<std::string> sorted(ResultColumn column, SortDirection direction = SortDirection::Ascending) const
    {
        return paths(SortedRows(list, column, direction));
    }

    using Paths = std::vector<std::string>;
    ResultList list;
};

TEST(ResultOrderText, FoldsCaseAndAccentsInBothEncodings)
{
    EXPECT_EQ(FoldForSorting("ÉcoLE/Ñandú"), "ecole/nandu");
    EXPECT_EQ(FoldForSorting("\xC9" "cole"), "ecole");  // cp1252 É
    EXPECT_EQ(FoldForSorting("\x8A" "koda"), "skoda");  // cp1252 Š
    EXPECT_EQ(FoldForSorting("Škoda"), "skoda");
    // Letters without a plain form and bytes of no letter stay as they are.
    EXPECT_EQ(FoldForSorting("日本"), "日本");
    EXPECT_EQ(FoldForSorting("a\xC3"), "aa");  // a lone lead byte is cp1252 Ã
}

TEST(ResultOrderText, NumbersInsideTextCompareByValue)
{
    EXPECT_LT(CompareNaturally("file9", "file10"), 0);
    EXPECT_LT(CompareNaturally("file19", "file100"), 0);
    EXPECT_LT(CompareNaturally("a1", "a10"), 0);
    EXPECT_GT(CompareNaturally("a10", "a9b"), 0);
    EXPECT_EQ(CompareNaturally("a007", "a7"), 0);
    EXPECT_LT(CompareNaturally("a", "a0"), 0);
    EXPECT_LT(CompareNaturally("v2.9/x", "v2.10/a"), 0);
    EXPECT_LT(CompareNaturally("", "a"), 0);
    EXPECT_EQ(CompareNaturally("same", "same"), 0);
    // Bytes above ASCII come after it, not before.
    EXPECT_LT(CompareNaturally("z", "\xE6"), 0);
    // A number longer than any integer still compares.
    EXPECT_LT(CompareNaturally("n99999999999999999999999", "n100000000000000000000000"), 0);
}

TEST_F(ResultOrderTest, PathsNaturalCaseAndAccentsFolded)
{
    add("/doc/zeta.txt");
    add("/doc/Éte.txt");
    add("/doc/file10.txt");
    add("/doc/ete.txt");
    add("/doc/File9.txt");
    add("/doc/\xE9" "tude.txt");  // cp1252 é
    add("/doc/alpha.txt");
    EXPECT_EQ(sorted(ResultColumn::Path), (Paths{"/doc/alpha.txt", "/doc/ete.txt", "/doc/Éte.txt",
                                                 "/doc/\xE9" "tude.txt", "/doc/File9.txt", "/doc/file10.txt",
                                                 "/doc/zeta.txt"}));
    // Descending is the same order turned round: the folded tie is broken by the bytes.
    EXPECT_EQ(sorted(ResultColumn::Path, SortDirection::Descending),
              (Paths{"/doc/zeta.txt", "/doc/file10.txt", "/doc/File9.txt", "/doc/\xE9" "tude.txt", "/doc/Éte.txt",
                     "/doc/ete.txt", "/doc/alpha.txt"}));
}

TEST_F(ResultOrderTest, DatesByTheirMomentAcrossYearsAndKinds)
{
    // As texts, day first, "31/12/2023" would come after "01/01/2024".
    add("/a", 1'704'067'140);  // 2023-12-31 23:59 UTC
    add("/b", 1'704'067'260);  // 2024-01-01 00:01 UTC
    add("/c");                 // no record: no date
    add("/d", -86'400 * 365);  // 1969, before the calendar's start
    add("/e", 4'102'444'800);  // 2100
    add("http://site/page", 1'704'067'200, {}, {}, {}, 0, 'w');  // a web page's calendar time
    add("http://site/none", 0, {}, {}, {}, 0, 'w');               // a web page without a time
    EXPECT_EQ(sorted(ResultColumn::LastUpdating), (Paths{"/d", "/a", "http://site/page", "/b", "/e", "/c",
                                                         "http://site/none"}));
    EXPECT_EQ(sorted(ResultColumn::LastUpdating, SortDirection::Descending),
              (Paths{"/e", "/b", "http://site/page", "/a", "/d", "/c", "http://site/none"}));
}

TEST_F(ResultOrderTest, SizesAsNumbersPastFourGibibytesWithTiesInSearchOrder)
{
    add("/big", 1, 5'000'000'000ULL);
    add("/small", 1, 9);
    add("/ten", 1, 10);
    add("/none");
    add("/four", 1, 4'294'967'296ULL);
    add("/tie-first", 1, 10);
    // A row given whole, its size as its text, after its texts were made.
    ResultRow whole;
    whole[ResultColumn::Path] = "/whole";
    whole[ResultColumn::Size] = "4294967295";
    list.append(whole);
    EXPECT_EQ(sorted(ResultColumn::Size),
              (Paths{"/small", "/ten", "/tie-first", "/whole", "/four", "/big", "/none"}));
    EXPECT_EQ(sorted(ResultColumn::Size, SortDirection::Descending),
              (Paths{"/big", "/four", "/whole", "/ten", "/tie-first", "/small", "/none"}));
    // The order read before the rows' texts are made is the one after.
    for (std::size_t i = 0; i < list.size(); ++i)
        list.row(i);
    EXPECT_EQ(sorted(ResultColumn::Size),
              (Paths{"/small", "/ten", "/tie-first", "/whole", "/four", "/big", "/none"}));
}

TEST_F(ResultOrderTest, WordsArchiveAndPositionColumns)
{
    add("/1", 100, 1, "casa ", "Zeta", 12);
    add("/2", 100, 1, "Albero ", "alfa", 3);
    add("/3", 100, 1, "", "", 0);
    add("/4", 100, 1, "casa ", "Alfa", 100);
    add("/5", {}, 1, "Dir/File", "alfa", 7);  // no record: no N.pos.
    EXPECT_EQ(sorted(ResultColumn::Words), (Paths{"/2", "/1", "/4", "/5", "/3"}));
    EXPECT_EQ(sorted(ResultColumn::Words, SortDirection::Descending), (Paths{"/5", "/1", "/4", "/2", "/3"}));
    // "Alfa" and "alfa" fold together; their bytes put the capital first.
    EXPECT_EQ(sorted(ResultColumn::Archive), (Paths{"/4", "/2", "/5", "/1", "/3"}));
    EXPECT_EQ(sorted(ResultColumn::Position), (Paths{"/3", "/2", "/1", "/4", "/5"}));
    EXPECT_EQ(sorted(ResultColumn::Position, SortDirection::Descending), (Paths{"/4", "/1", "/2", "/3", "/5"}));
    // A rewritten column is sorted by what it shows now.
    list.setColumn(2, ResultColumn::Words, "zucca ");
    EXPECT_EQ(sorted(ResultColumn::Words).back(), "/3");
}

TEST_F(ResultOrderTest, TheSortAgreesWithTheComparisonOnManyShortAndSharedTexts)
{
    // Short texts, shared beginnings, digit runs of every length and zeros: where
    // the sort's shortcuts on the first bytes past the common prefix could go wrong.
    std::mt19937 random(7);
    const std::string letters[] = {"a", "B", "0", "1", "9", "00", "10", ".", "/", "é", "E"};
    std::vector<std::string> texts;
    for (int i = 0; i < 600; ++i) {
        std::string text = i % 3 == 0 ? "/home/x/" : "/home/";
        for (std::size_t n = random() % 9; n > 0; --n)
            text += letters[random() % std::size(letters)];
        if (list.containsLabel(text))
            continue;
        texts.push_back(text);
        add(text);
    }
    for (SortDirection direction : {SortDirection::Ascending, SortDirection::Descending}) {
        std::vector<std::string> expected = texts;
        std::stable_sort(expected.begin(), expected.end(), [direction](const std::string& left, const std::string& right) {
            int order = CompareNaturally(FoldForSorting(left), FoldForSorting(right));
            if (order == 0)
                order = left.compare(right);
            return direction == SortDirection::Ascending ? order < 0 : order > 0;
        });
        EXPECT_EQ(sorted(ResultColumn::Path, direction), expected);
    }
}

TEST_F(ResultOrderTest, EmptyAndOneRowLists)
{
    EXPECT_TRUE(SortedRows(list, ResultColumn::Path, SortDirection::Ascending).empty());
    add("/only");
    EXPECT_EQ(sorted(ResultColumn::LastUpdating), (Paths{"/only"}));
}

TEST_F(ResultOrderTest, CleanFromListAndExportFollowTheShownOrder)
{
    for (const char* path : {"/e", "/a", "/d", "/b", "/c"})
        add(path);
    const std::vector<std::size_t> shown = SortedRows(list, ResultColumn::Path, SortDirection::Ascending);
    // Shown a b c d e; "b" and "d" selected: "c" goes with them, "e" and "a" stay,
    // though in the search's order "e" lies between nothing and "a" between them.
    list.setSelected(3, true);  // "/b"
    list.setSelected(2, true);  // "/d"
    EXPECT_EQ(paths(SelectedRowsShown(list, shown)), (Paths{"/b", "/d"}));
    EXPECT_EQ(CleanFromShownList(list, shown), 3u);
    EXPECT_EQ(paths({0, 1}), (Paths{"/e", "/a"}));
    EXPECT_TRUE(list.containsLabel("/a"));
    EXPECT_FALSE(list.containsLabel("/c"));
    // An order of another length is not the list's: the list's own rule holds.
    list.setSelected(1, true);
    EXPECT_EQ(CleanFromShownList(list, {7, 8, 9}), 1u);
    EXPECT_EQ(paths({0}), (Paths{"/e"}));
    // Nothing selected: everything goes.
    EXPECT_EQ(CleanFromShownList(list, {0}), 1u);
    EXPECT_TRUE(list.empty());
}

} // namespace
} // namespace vedra::search
