// The walk's folder table: every folder found again with its path the right way
// round after the table and the path blocks have grown, and notes that start unknown.
#include "core/search/FolderPaths.h"

#include <gtest/gtest.h>

#include <string>

namespace vedra::search {
namespace {

std::string reversedOf(std::string text)
{
    return {text.rbegin(), text.rend()};
}

TEST(FolderPaths, EveryFolderComesBackAfterGrowthWithItsOwnPathAndNotes)
{
    FolderPaths folders;
    EXPECT_EQ(folders.find(40), -1) << "an empty table finds nothing";
    // Offsets a node size apart, as the archive gives them, and paths that fill
    // several blocks; one longer than a block on its own.
    const std::string longFolder = "/deep/" + std::string(20000, 'x') + "/";
    auto pathOf = [&](int i) { return i == 777 ? longFolder : "/usr/share/doc/package-" + std::to_string(i) + "/"; };
    constexpr int kFolders = 5000;
    for (int i = 0; i < kFolders; ++i) {
        const int entry = folders.add(static_cast<std::uint32_t>(40 + 72 * i), reversedOf(pathOf(i)));
        ASSERT_EQ(entry, i);
        if (i % 3 == 0)
            folders.notes(entry).holdsQueryWord = 1;
    }
    EXPECT_EQ(folders.add(40 + 72 * 12, "ignored"), 12) << "a folder added again keeps its entry";
    ASSERT_EQ(folders.size(), static_cast<std::size_t>(kFolders));
    for (int i = 0; i < kFolders; ++i) {
        const int entry = folders.find(static_cast<std::uint32_t>(40 + 72 * i));
        ASSERT_EQ(entry, i);
        ASSERT_EQ(folders.path(entry), pathOf(i));
        ASSERT_EQ(folders.notes(entry).holdsQueryWord, i % 3 == 0 ? 1 : -1);
        ASSERT_EQ(folders.notes(entry).inExtracts, -1);
    }
    EXPECT_EQ(folders.find(41), -1) << "an offset between folders";
    EXPECT_EQ(folders.find(40 + 72 * kFolders), -1);

    folders.forgetNotes();
    EXPECT_EQ(folders.notes(0).holdsQueryWord, -1) << "notes belong to one set of words";
    EXPECT_EQ(folders.path(0), pathOf(0)) << "forgetting notes keeps the paths";
    folders.clear();
    EXPECT_EQ(folders.find(40), -1);
    EXPECT_EQ(folders.add(40, reversedOf("/b/")), 0);
    EXPECT_EQ(folders.path(0), "/b/");
}

} // namespace
} // namespace vedra::search
