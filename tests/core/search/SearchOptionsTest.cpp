// The search options: their start values, the contiguity distance's range, and the
// popup menu's rows and toggles, which leave at most one scope option on.
#include "core/search/SearchOptions.h"

#include "core/app/SearchTarget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vedra::search {
namespace {

using app::SearchTarget;

int scopeOptionsOn(const SearchOptions& options)
{
    return (options.allArchives != 0) + (options.inTheFile != 0) + (options.wordsOr != 0) +
           (options.inTheIndex != 0) + (options.inThePath != 0);
}

TEST(SearchOptionDefaults, StartValues)
{
    SearchOptions options;
    EXPECT_NE(options.andWords, 0);
    EXPECT_EQ(scopeOptionsOn(options), 0);
    EXPECT_EQ(options.contiguity, '*');
    EXPECT_EQ(options.directOnDisk, 0);
    EXPECT_EQ(options.contiguityDistance(), 20);
    EXPECT_FALSE(options.fileNameSearch);
    EXPECT_FALSE(options.folderNameSearch);
    EXPECT_EQ(app::kStartSearchTarget, SearchTarget::Notes);
    // The values the notes box and the notes page store.
    EXPECT_EQ(static_cast<int>(SearchTarget::Archive), 0);
    EXPECT_EQ(static_cast<int>(SearchTarget::Memorandum), 1);
    EXPECT_EQ(static_cast<int>(SearchTarget::Notes), 3);
}

TEST(SearchOptionDefaults, ContiguityDistanceOutsideRangeIsRefused)
{
    SearchOptions options;
    EXPECT_FALSE(options.setContiguityDistance(4));
    EXPECT_FALSE(options.setContiguityDistance(501));
    EXPECT_FALSE(options.setContiguityDistance(-20));
    EXPECT_EQ(options.contiguityDistance(), 20);
    EXPECT_TRUE(options.setContiguityDistance(5));
    EXPECT_EQ(options.contiguityDistance(), 5);
    EXPECT_TRUE(options.setContiguityDistance(500));
    EXPECT_EQ(options.contiguityDistance(), 500);
}

TEST(SearchOptionDefaults, ContiguityBoxStoresStar)
{
    SearchOptions options;
    options.setContiguity(false);
    EXPECT_EQ(options.contiguity, 0);
    options.setContiguity(true);
    EXPECT_EQ(options.contiguity, '*');
}

const std::string kSeparator(60, '-');

TEST(SearchOptionMenu, EnglishRowsShowTheOptionStates)
{
    SearchOptions options;
    options.wordsOr = 1;
    const std::vector<std::string> rows = SearchMenuRows(options, 1, true);
    ASSERT_EQ(rows.size(), 30u);
    const std::vector<std::string> expected = {"*AND",        " In all the archives", " In the file", "*In the words -OR-",
                                               " In the path", kSeparator,            "*Contiguous ", " Clean preview",
                                               " Clean from list"};
    EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 9), expected);
    for (std::size_t i = 9; i < rows.size(); ++i)
        EXPECT_TRUE(rows[i].empty()) << i;
}

TEST(SearchOptionMenu, ContiguityRowOnlyWhenTheQueryHasABlank)
{
    SearchOptions options;
    const std::vector<std::string> rows = SearchMenuRows(options, 1, false);
    EXPECT_EQ(rows[6], " Clean preview");
    for (const std::string& row : rows)
        EXPECT_EQ(row.find("Contiguous"), std::string::npos);
}

TEST(SearchOptionMenu, ItalianAndSpanishRows)
{
    SearchOptions options;
    options.andWords = 0;
    options.contiguity = 0;
    options.inTheIndex = 1;
    const std::vector<std::string> italian = SearchMenuRows(options, 0, true);
    EXPECT_EQ(std::vector<std::string>(italian.begin(), italian.begin() + 11),
              (std::vector<std::string>{" AND", " In tutti gli archivi", " Nel file", " Nelle parole -OR-",
                                        "*Nell'indice", " Nel percorso", kSeparator, " Contigue ",
                                        " Pulisci prewiev", " Cancella lista files", ""}));
    const std::vector<std::string> spanish = SearchMenuRows(options, 2, true);
    EXPECT_EQ(std::vector<std::string>(spanish.begin(), spanish.begin() + 9),
              (std::vector<std::string>{" AND", " En el file", " En las palabras -OR-", "*En el indice", kSeparator,
                                        " Contiguo ", " Borrar preview", " Eliminar files de lista", ""}));
}

TEST(SearchOptionMenu, AndTogglesAlone)
{
    SearchOptions options;
    options.inThePath = 1;
    options.fileNameSearch = true;
    EXPECT_EQ(ApplySearchMenuRow(options, "*AND"), SearchMenuItem::And);
    EXPECT_EQ(options.andWords, 0);
    EXPECT_NE(options.inThePath, 0);
    EXPECT_TRUE(options.fileNameSearch);
    EXPECT_EQ(ApplySearchMenuRow(options, " AND"), SearchMenuItem::And);
    EXPECT_NE(options.andWords, 0);
}

TEST(SearchOptionMenu, ScopeRowSwitchesTheOtherScopesOff)
{
    SearchOptions options;
    options.wordsOr = 1;
    options.inThePath = 1;
    options.fileNameSearch = true;
    options.folderNameSearch = true;
    EXPECT_EQ(ApplySearchMenuRow(options, " In the file"), SearchMenuItem::InTheFile);
    EXPECT_NE(options.inTheFile, 0);
    EXPECT_EQ(scopeOptionsOn(options), 1);
    EXPECT_FALSE(options.fileNameSearch);
    EXPECT_FALSE(options.folderNameSearch);
    EXPECT_NE(options.andWords, 0);

    EXPECT_EQ(ApplySearchMenuRow(options, "*In the file"), SearchMenuItem::InTheFile);
    EXPECT_EQ(scopeOptionsOn(options), 0);
}

TEST(SearchOptionMenu, ContiguityRowTogglesAndClearsScopes)
{
    SearchOptions options;
    options.allArchives = 1;
    EXPECT_EQ(ApplySearchMenuRow(options, "*Contigue "), SearchMenuItem::Contiguity);
    EXPECT_EQ(options.contiguity, 0);
    EXPECT_EQ(options.allArchives, 0);
    EXPECT_EQ(ApplySearchMenuRow(options, " Contiguous "), SearchMenuItem::Contiguity);
    EXPECT_NE(options.contiguity, 0);
}

TEST(SearchOptionMenu, RowsAreMatchedWithoutRegardToCase)
{
    SearchOptions options;
    EXPECT_EQ(ApplySearchMenuRow(options, " in THE path"), SearchMenuItem::InThePath);
    EXPECT_NE(options.inThePath, 0);
    EXPECT_EQ(SearchMenuItemOf(" CLEAN FROM LIST"), SearchMenuItem::CleanFromList);
}

TEST(SearchOptionMenu, ActionRowsSeparatorAndEmptyRowsChangeNoOption)
{
    SearchOptions options;
    options.wordsOr = 1;
    const std::vector<std::string> rows = {" Clean from list", " Pulisci prewiev", std::string(kSeparator), "",
                                           " Unknown"};
    for (const std::string& row : rows) {
        SearchOptions before = options;
        ApplySearchMenuRow(options, row);
        EXPECT_EQ(options.wordsOr, before.wordsOr) << row;
        EXPECT_EQ(options.andWords, before.andWords) << row;
    }
    EXPECT_EQ(SearchMenuItemOf(" Cancella lista files"), SearchMenuItem::CleanFromList);
    EXPECT_EQ(SearchMenuItemOf(" Borrar preview"), SearchMenuItem::CleanPreview);
    EXPECT_EQ(SearchMenuItemOf(kSeparator), SearchMenuItem::None);
}

// Clicking every row of every language, in turn, from the rows the options produce,
// flips the clicked option and never leaves two scope options on.
TEST(SearchOptionMenu, EveryClickFlipsItsOptionAndKeepsOneScope)
{
    for (int language = 0; language < 3; ++language) {
        SearchOptions options;
        for (int round = 0; round < 3; ++round) {
            for (std::size_t i = 0; i < 30; ++i) {
                const std::string row = SearchMenuRows(options, language, true)[i];
                const bool showedOn = !row.empty() && row[0] == '*';
                const SearchMenuItem item = ApplySearchMenuRow(options, row);
                EXPECT_LE(scopeOptionsOn(options), 1) << language << " " << row;
                if (item == SearchMenuItem::None || item == SearchMenuItem::CleanPreview ||
                    item == SearchMenuItem::CleanFromList)
                    continue;
                const std::string after = SearchMenuRows(options, language, true)[i];
                EXPECT_EQ(after[0] == '*', !showedOn) << language << " " << row;
            }
        }
    }
}

TEST(SearchOptionDisk, DirectOnDiskIsTheOneScopeAndAllArchivesEndsIt)
{
    SearchOptions options;
    options.allArchives = 1;
    options.wordsOr = 1;
    options.inThePath = 1;
    options.fileNameSearch = true;
    options.setDirectOnDisk(true);
    EXPECT_NE(options.directOnDisk, 0);
    EXPECT_EQ(options.allArchives + options.wordsOr + options.inThePath, 0);
    EXPECT_FALSE(options.fileNameSearch);
    EXPECT_NE(options.andWords, 0) << "AND is no scope";

    // AND and contiguity leave the disk alone; all archives turned on ends it.
    ApplySearchMenuRow(options, " AND");
    ApplySearchMenuRow(options, "*Contiguous ");
    EXPECT_NE(options.directOnDisk, 0);
    ApplySearchMenuRow(options, " In all the archives");
    EXPECT_NE(options.allArchives, 0);
    EXPECT_EQ(options.directOnDisk, 0);
    options.setDirectOnDisk(true);
    EXPECT_EQ(options.allArchives, 0);
    // Only all archives turned on ends it: the row shown on, clicked, turns it off.
    ApplySearchMenuRow(options, "*In all the archives");
    EXPECT_EQ(options.allArchives, 0);
    EXPECT_NE(options.directOnDisk, 0);
    options.setDirectOnDisk(false);
    EXPECT_EQ(options.directOnDisk, 0);
}

} // namespace
} // namespace vedra::search
