// The six texts AddResultRow writes: dates by language and record kind in local
// time, size, words, archive and N.pos., and the counters the rows feed.
#include "core/search/ResultRowFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace vedra::search {
namespace {

// 2024-03-05 14:07:09 UTC, plus a fraction of a second that the minutes ignore.
constexpr std::uint64_t kFileTime = 133541212291234567ULL;
constexpr std::uint64_t kUnixTime = 1709647629ULL;

// Dates are local: each test pins the zone and puts the process's back.
class ResultRowFormatting : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* zone = std::getenv("TZ"))
            m_savedZone = zone;
        setZone("UTC0");
    }
    void TearDown() override
    {
        if (m_savedZone)
            ::setenv("TZ", m_savedZone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static void setZone(const char* zone)
    {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

    static ResultRowInput documentInput(int language)
    {
        ResultRowInput input;
        input.sizeText = SizeText(4096);
        input.wordsText = "casa tetto ";
        input.path = "/home/u/doc.txt";
        input.lastWrite = kFileTime;
        input.documentKind = 'f';
        input.documentNumber = 42;
        input.archiveName = "C_PROVA_3";
        input.archiveNumber = 3;
        input.languageIndex = language;
        return input;
    }

private:
    std::optional<std::string> m_savedZone;
};

TEST_F(ResultRowFormatting, DiskDocumentInThreeLanguages)
{
    const ResultRow english = FormatResultRow(documentInput(1));
    EXPECT_EQ(english.columns, (std::array<std::string, 6>{"/home/u/doc.txt", "03/05/2024  14:07", "4096",
                                                           "casa tetto ", "C_PROVA_3", "42"}));
    EXPECT_EQ(english.pathKind, 'f');
    EXPECT_EQ(english.archiveNumber, 3);
    EXPECT_EQ(FormatResultRow(documentInput(0))[ResultColumn::LastUpdating], "05/03/2024  14:07");
    EXPECT_EQ(FormatResultRow(documentInput(2))[ResultColumn::LastUpdating], "05/03/2024  14:07");
}

TEST_F(ResultRowFormatting, DateIsLocalTime)
{
    setZone("CET-1");
    EXPECT_EQ(FormatResultRow(documentInput(1))[ResultColumn::LastUpdating], "03/05/2024  15:07");
    setZone("EST5");
    ResultRowInput early = documentInput(0);
    early.lastWrite = 125911586400000000ULL;  // 2000-01-01 00:04 in UTC, still 1999 in EST
    EXPECT_EQ(FormatResultRow(early)[ResultColumn::LastUpdating], "31/12/1999  19:04");
}

TEST_F(ResultRowFormatting, SingleDigitsArePadded)
{
    ResultRowInput input = documentInput(1);
    input.lastWrite = (1'000'000'000ULL - 23ULL * 3600 + 11'644'473'600ULL) * 10'000'000ULL;  // 2001-09-08 02:46:40
    EXPECT_EQ(FormatResultRow(input)[ResultColumn::LastUpdating], "09/08/2001  02:46");
}

TEST_F(ResultRowFormatting, MarkedDiskDocumentKeepsFileTime)
{
    ResultRowInput input = documentInput(0);
    input.documentKind = 'c';
    const ResultRow row = FormatResultRow(input);
    EXPECT_EQ(row[ResultColumn::LastUpdating], "05/03/2024  14:07");
    EXPECT_EQ(row.pathKind, 'f');
}

TEST_F(ResultRowFormatting, WebPageTimeIsACalendarTime)
{
    ResultRowInput input = documentInput(1);
    input.documentKind = 'w';
    input.path = "http://example.org/page";
    input.lastWrite = kUnixTime;
    const ResultRow row = FormatResultRow(input);
    EXPECT_EQ(row[ResultColumn::LastUpdating], "05/03/2024 14:07:09");
    EXPECT_EQ(row.pathKind, 'w');
    EXPECT_EQ(row[ResultColumn::Position], "42");

    input.lastWrite = 0;
    EXPECT_EQ(FormatResultRow(input)[ResultColumn::LastUpdating], "");
    EXPECT_EQ(FormatResultRow(input)[ResultColumn::Position], "42");
    // A FILETIME read as seconds lies past any year the calendar holds: left out.
    input.lastWrite = kFileTime;
    EXPECT_EQ(FormatResultRow(input)[ResultColumn::LastUpdating], "");
}

TEST_F(ResultRowFormatting, RowWithoutTimeHasNoDateNorPosition)
{
    ResultRowInput input = documentInput(1);
    input.lastWrite.reset();
    input.sizeText.clear();
    input.wordsText = std::string(kNameRowWords);
    const ResultRow row = FormatResultRow(input);
    EXPECT_EQ(row.columns, (std::array<std::string, 6>{"/home/u/doc.txt", "", "", "Dir/File", "C_PROVA_3", ""}));
}

TEST_F(ResultRowFormatting, InTheIndexLeavesArchiveEmpty)
{
    ResultRowInput input = documentInput(1);
    input.inTheIndex = true;
    const ResultRow row = FormatResultRow(input);
    EXPECT_EQ(row[ResultColumn::Archive], "");
    EXPECT_EQ(row[ResultColumn::Words], "casa tetto ");
}

TEST_F(ResultRowFormatting, SizeText)
{
    EXPECT_EQ(SizeText(0), "0");
    EXPECT_EQ(SizeText(4294967295ULL), "4294967295");
}

TEST(ResultRowCounters, DocumentsAndNameRowsAreCountedApart)
{
    ResultCounters counters;
    ResultRow row;
    row[ResultColumn::Words] = "casa ";
    counters.count(row);
    row[ResultColumn::Words] = "Dir/File";
    counters.count(row);
    counters.count(row);
    row[ResultColumn::Words] = "";
    counters.count(row);
    EXPECT_EQ(counters.documents, 1);
    EXPECT_EQ(counters.nameRows, 2);
    counters.reset();
    EXPECT_EQ(counters.documents, 0);
    EXPECT_EQ(counters.nameRows, 0);
}

} // namespace
} // namespace vedra::search
