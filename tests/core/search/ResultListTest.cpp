// The result list model: top and end insertion, lookup by label, selection that
// follows its rows, "Clean from list" and the column titles.
#include "core/search/ResultList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vedra::search {
namespace {

ResultRow rowFor(std::string path)
{
    ResultRow row;
    row[ResultColumn::Path] = std::move(path);
    return row;
}

class ResultListModel : public ::testing::Test {
protected:
    std::vector<std::string> labels() const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < list.size(); ++i)
            out.push_back(list.row(i).label());
        return out;
    }
    void fill(std::initializer_list<const char*> paths)
    {
        for (const char* path : paths)
            list.append(rowFor(path));
    }

    using Labels = std::vector<std::string>;
    ResultList list;
};

TEST_F(ResultListModel, AppendAndInsertKeepDisplayOrder)
{
    fill({"/a", "/b"});
    EXPECT_EQ(list.insert(0, rowFor("/top")), 0u);
    EXPECT_EQ(list.insert(2, rowFor("/mid")), 2u);
    EXPECT_EQ(list.insert(99, rowFor("/end")), 4u);
    EXPECT_EQ(labels(), (Labels{"/top", "/a", "/mid", "/b", "/end"}));
}

TEST_F(ResultListModel, RowsKeepKindArchiveAndColumns)
{
    ResultRow row = rowFor("http://example.org/");
    row.pathKind = 'w';
    row.archiveNumber = 3;
    row[ResultColumn::Words] = "casa ";
    list.append(row);
    EXPECT_EQ(list.row(0).pathKind, 'w');
    EXPECT_EQ(list.row(0).archiveNumber, 3);
    EXPECT_EQ(list.row(0)[ResultColumn::Words], "casa ");
    EXPECT_THROW(list.row(1), std::out_of_range);
}

TEST_F(ResultListModel, LookupByLabelIsExact)
{
    fill({"/home/a.txt", "/home/B.txt", "/home/a.txt"});
    EXPECT_EQ(list.findLabel("/home/a.txt"), 0u);
    EXPECT_EQ(list.findLabel("/home/B.txt"), 1u);
    EXPECT_FALSE(list.findLabel("/home/b.txt"));
    EXPECT_FALSE(list.findLabel("/home/a.tx"));
    EXPECT_FALSE(list.containsLabel("/home/a.txt2"));
    list.insert(0, rowFor("/home/B.txt"));
    EXPECT_EQ(list.findLabel("/home/B.txt"), 0u);
}

TEST_F(ResultListModel, SelectionFollowsRowsWhenInsertingAbove)
{
    fill({"/a", "/b", "/c"});
    list.setSelected(1, true);
    list.setSelected(7, true);
    list.insert(0, rowFor("/top"));
    EXPECT_EQ(list.selectedRows(), (std::vector<std::size_t>{2}));
    EXPECT_TRUE(list.isSelected(2));
    EXPECT_FALSE(list.isSelected(1));
    EXPECT_FALSE(list.isSelected(99));
    list.clearSelection();
    EXPECT_TRUE(list.selectedRows().empty());
}

TEST_F(ResultListModel, CleanFromListDeletesFromFirstToLastSelected)
{
    fill({"/0", "/1", "/2", "/3", "/4", "/5"});
    list.setSelected(1, true);
    list.setSelected(3, true);
    EXPECT_EQ(list.CleanFromList(), 3u);
    EXPECT_EQ(labels(), (Labels{"/0", "/4", "/5"}));
    EXPECT_TRUE(list.selectedRows().empty());
    // The deleted labels are forgotten, the kept ones still found.
    EXPECT_FALSE(list.containsLabel("/2"));
    EXPECT_EQ(list.findLabel("/4"), 1u);
}

TEST_F(ResultListModel, CleanFromListSingleRowAndLastRow)
{
    fill({"/0", "/1", "/2"});
    list.setSelected(2, true);
    EXPECT_EQ(list.CleanFromList(), 1u);
    EXPECT_EQ(labels(), (Labels{"/0", "/1"}));
}

TEST_F(ResultListModel, CleanFromListWithoutSelectionDeletesAll)
{
    fill({"/0", "/1"});
    EXPECT_EQ(list.CleanFromList(), 2u);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.containsLabel("/0"));
    EXPECT_EQ(list.CleanFromList(), 0u);
}

TEST_F(ResultListModel, DuplicateLabelStaysFoundUntilItsLastRowGoes)
{
    fill({"/same", "/other", "/same"});
    list.setSelected(0, true);
    list.CleanFromList();
    EXPECT_EQ(list.findLabel("/same"), 1u);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.containsLabel("/same"));
}

TEST(ResultListTitles, ByLanguage)
{
    using Titles = std::array<std::string_view, 6>;
    EXPECT_EQ(ResultList::ColumnTitles(0),
              (Titles{"Files/Dir", "Ultima modifica", "Dim. bytes", "Parole", "Archivio", "N.pos."}));
    EXPECT_EQ(ResultList::ColumnTitles(1),
              (Titles{"Files/Dir", "Last updating", "Size (bytes)", "Words", "Archive", "N.pos."}));
    EXPECT_EQ(ResultList::ColumnTitles(2),
              (Titles{"Files/Dir", "Ultima modificacion", "Dim. bytes", "Palabras", "Archivo", "N.pos."}));
}

} // namespace
} // namespace vedra::search
