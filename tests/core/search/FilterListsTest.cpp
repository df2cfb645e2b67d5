// The Files and Directories boxes parsed into the filters of a search: the "*.*"
// shortcut, the trim below '.', the 2..63 length rule and the ten slots.
#include "core/search/FilterLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vedra::search {
namespace {

using Patterns = std::vector<std::string>;

TEST(FileFilterList, EmptyOrBlankBoxGivesNoFilter)
{
    EXPECT_TRUE(ParseFileFilterList("").patterns.empty());
    EXPECT_TRUE(ParseFileFilterList("").isEmpty());
    EXPECT_TRUE(ParseFileFilterList("  ,  ,").patterns.empty());
}

TEST(FileFilterList, StarDotStarAnywhereLetsEverythingThrough)
{
    EXPECT_EQ(ParseFileFilterList("doc, *.*, pdf").patterns, (Patterns{"*.*"}));
    EXPECT_TRUE(ParseFileFilterList("doc,*.*").letsEverythingThrough());
}

TEST(FileFilterList, PiecesAreTrimmedOfBytesBelowDot)
{
    EXPECT_EQ(ParseFileFilterList(".pdf , doc").patterns, (Patterns{".pdf", "doc"}));
    // '*' lies below '.', so a wildcard in front is trimmed away.
    EXPECT_EQ(ParseFileFilterList("*.pdf").patterns, (Patterns{".pdf"}));
    EXPECT_EQ(ParseFileFilterList("!\"#abc-+ ").patterns, (Patterns{"abc"}));
    // Inner bytes stay, and bytes above 127 are not below '.'.
    EXPECT_EQ(ParseFileFilterList(" my file ,\xE0x").patterns, (Patterns{"my file", "\xE0x"}));
    // '/' is above '.', so it is kept.
    EXPECT_EQ(ParseFileFilterList("/tmp/").patterns, (Patterns{"/tmp/"}));
}

TEST(FileFilterList, PiecesMustHoldTwoToSixtyThreeBytes)
{
    EXPECT_EQ(ParseFileFilterList("c").patterns, Patterns{});
    EXPECT_EQ(ParseFileFilterList("c, db, *.").patterns, (Patterns{"db"}));
    const std::string longest(63, 'a');
    const std::string tooLong(64, 'b');
    EXPECT_EQ(ParseFileFilterList(longest + "," + tooLong + ",ok").patterns, (Patterns{longest, "ok"}));
}

TEST(FileFilterList, TenPiecesAtMost)
{
    EXPECT_EQ(ParseFileFilterList("a1,a2,x,a3,a4,a5,a6,a7,a8,a9,a10,a11,a12").patterns,
              (Patterns{"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9", "a10"}));
}

TEST(FileFilterList, OnlyTheWorkAreaIsRead)
{
    EXPECT_EQ(ParseFileFilterList(std::string(1020, ' ') + ",abcdef").patterns, (Patterns{"ab"}));
    // A "*.*" past the work area does not count.
    EXPECT_EQ(ParseFileFilterList(std::string(1020, ' ') + ",ab*.*").patterns, (Patterns{"ab"}));
}

TEST(FolderFilterList, EmptyBoxGivesNoFilter)
{
    EXPECT_TRUE(ParseFolderFilterList("").patterns.empty());
}

TEST(FolderFilterList, DotStarAnywhereLetsEverythingThrough)
{
    EXPECT_EQ(ParseFolderFilterList("src,/home/a.*").patterns, (Patterns{"*.*"}));
}

TEST(FolderFilterList, PiecesAreNotTrimmedAndMustBeginAboveBlank)
{
    EXPECT_EQ(ParseFolderFilterList("src,docs/").patterns, (Patterns{"src", "docs/"}));
    EXPECT_EQ(ParseFolderFilterList("src, docs").patterns, (Patterns{"src"}));
    EXPECT_EQ(ParseFolderFilterList("a b ,c").patterns, (Patterns{"a b ", "c"}));
    // A one-byte piece is enough here.
    EXPECT_EQ(ParseFolderFilterList("x").patterns, (Patterns{"x"}));
}

TEST(FolderFilterList, OnlyTenPiecesAreExamined)
{
    EXPECT_EQ(ParseFolderFilterList(",,,,,,,,,,late").patterns, Patterns{});
    EXPECT_EQ(ParseFolderFilterList("a,b,c,d,e,f,g,h,i,j,k").patterns,
              (Patterns{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
}

TEST(FolderFilterList, LongPiecesAreCutToSixtyThreeBytes)
{
    EXPECT_EQ(ParseFolderFilterList(std::string(70, 'f')).patterns, (Patterns{std::string(63, 'f')}));
}

} // namespace
} // namespace vedra::search
