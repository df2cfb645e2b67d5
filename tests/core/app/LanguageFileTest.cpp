#include "core/app/LanguageFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::app {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

struct LanguageCase {
    const char* name;
    std::string bytes;
    int languageIndex;
    bool englishReading;
};

class LanguageFileRead : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageFileRead, GivesLanguageAndEnglishReading)
{
    TempFolder folder;
    auto file = folder.path() / kLanguageFileName;
    writeFile(file, GetParam().bytes);
    LanguageSetting setting = readOrCreateLanguageFile(file);
    EXPECT_EQ(setting.languageIndex, GetParam().languageIndex);
    EXPECT_EQ(setting.englishReading, GetParam().englishReading);
    EXPECT_EQ(readFile(file), GetParam().bytes) << "reading must not rewrite the file";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageFileRead,
    ::testing::Values(
        LanguageCase{"ItalianWithEnglishReading", "italianoinglese ", 0, true},
        LanguageCase{"EnglishWithoutEnglishReading", "inglese italiano", 1, false},
        LanguageCase{"SpanishEightBytesOnly", "spagnolo", 2, false},
        LanguageCase{"EnglishEightBytesOnly", "inglese ", 1, true},
        LanguageCase{"ItalianEightBytesOnly", "italiano", 0, false},
        LanguageCase{"SpanishWithEnglishReading", "spagnoloinglese ", 2, true},
        // A NUL before the second word would hide it from a C-string search.
        LanguageCase{"NulBeforeSecondWord", std::string("spagnolo\0italiano", 17), 2, false},
        LanguageCase{"SecondWordFoundFromByteSeven", "italianoitaliano", 0, false},
        LanguageCase{"UnknownWordReadsAsEnglish", "francaisitaliano", 1, false},
        LanguageCase{"UnknownShortWordReadsAsEnglish", "xx", 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LanguageFile, MissingFileIsCreatedEnglish)
{
    TempFolder folder;
    auto file = folder.path() / kLanguageFileName;
    LanguageSetting setting = readOrCreateLanguageFile(file);
    EXPECT_EQ(setting.languageIndex, 1);
    EXPECT_TRUE(setting.englishReading);
    EXPECT_EQ(readFile(file), "inglese inglese ");
}

TEST(LanguageFile, WriteTakesTheCheckedButtonAndReadsBack)
{
    TempFolder folder;
    auto file = folder.path() / kLanguageFileName;
    ASSERT_TRUE(writeLanguageFile(file, 2, false));
    EXPECT_EQ(readFile(file), "spagnoloitaliano");
    ASSERT_TRUE(writeLanguageFile(file, 0, true));
    EXPECT_EQ(readFile(file), "italianoinglese ");
    LanguageSetting setting = readOrCreateLanguageFile(file);
    EXPECT_EQ(setting.languageIndex, 0);
    EXPECT_TRUE(setting.englishReading);
    // No button checked (a language outside 0..2) saves English.
    ASSERT_TRUE(writeLanguageFile(file, -1, true));
    EXPECT_EQ(readFile(file), "inglese inglese ");
}

TEST(LanguageFile, FailedWriteKeepsTheOldFile)
{
    TempFolder folder;
    auto file = folder.path() / "missing-folder" / kLanguageFileName;
    EXPECT_FALSE(writeLanguageFile(file, 0, true));
    EXPECT_FALSE(std::filesystem::exists(file));

    auto good = folder.path() / kLanguageFileName;
    writeFile(good, "spagnolo");
    // A folder in the way of the temporary file makes the write fail.
    std::filesystem::create_directory(folder.path() / (std::string(kLanguageFileName) + ".tmp~"));
    EXPECT_FALSE(writeLanguageFile(good, 0, true));
    EXPECT_EQ(readFile(good), "spagnolo");
}

} // namespace
} // namespace vedra::app
