// What the run may delete: only a folder it made (with its mark), never a folder of
// the user's named alike, never what a link inside points at.
#include "core/indexing/UnpackFolder.h"

#include "core/indexing/OutsideTools.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/stat.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class UnpackFolderTest : public ::testing::Test {
protected:
    std::string folder(const std::string& name) const { return tmp.slash() + name + "/"; }
    testing::TempFolder tmp;
};

TEST_F(UnpackFolderTest, OnlyAMarkedFolderOfTheRightNameIsTheProgramsAndOnlyItIsRemoved)
{
    const std::string unpack = folder("a.zip_vedratemp");
    ASSERT_EQ(PrepareUnpackFolder(unpack), UnpackFolderState::Ready);
    EXPECT_TRUE(IsOwnUnpackFolder(unpack));
    EXPECT_EQ(OwnUnpackFolderOf(unpack + "sub/deeper/x.txt"), unpack);
    writeFile(unpack + "sub/x.txt", "member");
    ::chmod((unpack + "sub").c_str(), 0500);  // a member folder left read-only
    EXPECT_TRUE(RemoveOwnUnpackFolder(unpack));
    EXPECT_FALSE(fs::exists(unpack));

    // The user's: no mark, or a mark in a folder of another name.
    const std::string mine = folder("notes_vedratemp");
    writeFile(mine + "n.txt", "mine");
    EXPECT_FALSE(IsOwnUnpackFolder(mine));
    EXPECT_FALSE(RemoveOwnUnpackFolder(mine));
    EXPECT_EQ(OwnUnpackFolderOf(mine + "n.txt"), "");
    const std::string marked = folder("vedratemp_notes");
    writeFile(marked + std::string(kUnpackMarkName), "");
    writeFile(marked + "n.txt", "mine");
    EXPECT_FALSE(RemoveOwnUnpackFolder(marked));
    EXPECT_EQ(readFile(mine + "n.txt"), "mine");
    EXPECT_EQ(readFile(marked + "n.txt"), "mine");
}

TEST_F(UnpackFolderTest, AFolderInTheWayIsLeftAloneUnlessALeftoverOfTheProgram)
{
    const std::string users = folder("b.zip_vedratemp");
    writeFile(users + "keep.txt", "mine");
    EXPECT_EQ(PrepareUnpackFolder(users), UnpackFolderState::NotOurs);
    EXPECT_EQ(readFile(users + "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(users + std::string(kUnpackMarkName))) << "no mark put into the user's folder";

    const std::string leftover = folder("c.zip_vedratemp");
    writeFile(leftover + std::string(kUnpackMarkName), "");
    writeFile(leftover + "old.txt", "stale");
    EXPECT_EQ(PrepareUnpackFolder(leftover), UnpackFolderState::Ready);
    EXPECT_FALSE(fs::exists(leftover + "old.txt"));
    EXPECT_TRUE(IsOwnUnpackFolder(leftover));

    EXPECT_EQ(PrepareUnpackFolder(tmp.slash() + "missing/parent/d.zip_vedratemp/"), UnpackFolderState::Failed);

    // Empty and unmarked: a run killed between making the folder and marking it.
    const std::string unmarked = folder("g.zip_vedratemp");
    fs::create_directory(unmarked);
    EXPECT_EQ(PrepareUnpackFolder(unmarked), UnpackFolderState::Ready);
    EXPECT_TRUE(IsOwnUnpackFolder(unmarked));
    // Only a folder: a link to an empty one stays, and so does the folder.
    const std::string target = folder("empty-target");
    fs::create_directory(target);
    fs::create_directory_symlink(target, tmp.slash() + "h.zip_vedratemp");
    EXPECT_EQ(PrepareUnpackFolder(folder("h.zip_vedratemp")), UnpackFolderState::NotOurs);
    EXPECT_TRUE(fs::is_symlink(tmp.slash() + "h.zip_vedratemp"));
    EXPECT_TRUE(fs::is_empty(target));
}

// Whenever the removal is cut off (a kill), what is left is marked or empty: never
// members in a folder that no longer says it is the program's.
TEST_F(UnpackFolderTest, TheMarkIsRemovedLast)
{
    const std::string unpack = folder("i.zip_vedratemp");
    ASSERT_EQ(PrepareUnpackFolder(unpack), UnpackFolderState::Ready);
    for (int i = 0; i < 1000; ++i)
        writeFile(unpack + "m" + std::to_string(i) + ".txt", "member");
    const fs::path mark = unpack + std::string(kUnpackMarkName);
    std::atomic<bool> done{false};
    std::thread remover([&] {
        RemoveOwnUnpackFolder(unpack);
        done = true;
    });
    int unmarkedWithMembers = 0;
    int looks = 0;
    while (!done) {
        std::error_code error;
        if (fs::exists(fs::symlink_status(mark, error)))
            continue;
        ++looks;
        fs::directory_iterator it(unpack, error);
        if (!error && it != fs::directory_iterator())
            ++unmarkedWithMembers;
    }
    remover.join();
    EXPECT_EQ(unmarkedWithMembers, 0) << "members were left unmarked in " << looks << " looks";
    EXPECT_FALSE(fs::exists(unpack));
}

TEST_F(UnpackFolderTest, LinksAreRemovedNeverFollowed)
{
    const std::string outside = folder("outside");
    writeFile(outside + "precious.txt", "mine");
    const std::string unpack = folder("e.zip_vedratemp");
    ASSERT_EQ(PrepareUnpackFolder(unpack), UnpackFolderState::Ready);
    fs::create_directory_symlink(outside, unpack + "link");
    fs::create_symlink(outside + "precious.txt", unpack + "file-link");
    EXPECT_TRUE(RemoveOwnUnpackFolder(unpack));
    EXPECT_EQ(readFile(outside + "precious.txt"), "mine");

    // A link named like an unpack folder is not one.
    fs::create_directory_symlink(outside, tmp.slash() + "f.zip_vedratemp");
    writeFile(outside + std::string(kUnpackMarkName), "");
    EXPECT_FALSE(IsOwnUnpackFolder(folder("f.zip_vedratemp")));
    EXPECT_FALSE(RemoveOwnUnpackFolder(folder("f.zip_vedratemp")));
    EXPECT_EQ(readFile(outside + "precious.txt"), "mine");
}

TEST_F(UnpackFolderTest, TheDetourKeepsThePathAndOnlyEmptyFoldersOfTheProgramGo)
{
    EXPECT_EQ(MirroredUnpackFolderFor("/w/vedratemp", "/usr/share/doc/x/changelog.gz"),
              "/w/vedratemp/usr/share/doc/x/changelog.gz_vedratemp/");
    EXPECT_EQ(MirroredUnpackFolderFor("/w/vedratemp/", "/a.zip"), "/w/vedratemp/a.zip_vedratemp/");

    const std::string top = tmp.slash() + "vedratemp";
    fs::create_directories(top + "/usr/share/doc/x");
    fs::create_directories(top + "/usr/share/doc/y");
    RemoveEmptyFoldersUpTo(top + "/usr/share/doc/x/changelog.gz_vedratemp/", top);
    EXPECT_FALSE(fs::exists(top + "/usr/share/doc/x"));
    EXPECT_TRUE(fs::exists(top + "/usr/share/doc/y")) << "stops at the first folder that is not empty";
    EXPECT_TRUE(fs::exists(top));
    // Never above or beside the program's folder.
    fs::create_directories(tmp.slash() + "vedratempother/z");
    RemoveEmptyFoldersUpTo(tmp.slash() + "vedratempother/z/a.zip_vedratemp/", top);
    RemoveEmptyFoldersUpTo(tmp.slash() + "elsewhere/a.zip_vedratemp/", top);
    EXPECT_TRUE(fs::exists(tmp.slash() + "vedratempother/z"));
    RemoveEmptyFoldersUpTo(top + "/usr/share/doc/y/a.zip_vedratemp/", top);
    EXPECT_FALSE(fs::exists(top + "/usr"));
    EXPECT_TRUE(fs::exists(top));
}

} // namespace
} // namespace vedra::indexing
