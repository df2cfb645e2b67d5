// The folder listing over real folders in a temporary folder: byte order of raw
// names, dot names, each kind of link, entries that cannot be looked at, folders
// that cannot be read.
#include "core/app/FolderListing.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::writeFile;
using Names = std::vector<std::string>;

class FolderListingTest : public ::testing::Test {
protected:
    FolderListing list(ListingOptions options = {}) { return listFolder(tmp.path(), options); }

    static Names names(const FolderListing& listing)
    {
        Names out;
        for (const ListedEntry& entry : listing.entries)
            out.push_back(entry.name);
        return out;
    }

    static const ListedEntry* find(const FolderListing& listing, const std::string& name)
    {
        for (const ListedEntry& entry : listing.entries)
            if (entry.name == name)
                return &entry;
        return nullptr;
    }

    static ListingOptions with(SymbolicLinks links, UnreadableEntries unreadable = UnreadableEntries::Skip)
    {
        ListingOptions options;
        options.links = links;
        options.unreadable = unreadable;
        return options;
    }

    TempFolder tmp;
};

TEST_F(FolderListingTest, NamesComeInByteOrderWithFoldersAmongFilesAndRawBytesKept)
{
    // Upper case before lower case, UTF-8 "é" (C3 A9) after every ASCII name and
    // before a cp1252 "é" (E9): unsigned bytes, no locale, no case folding.
    for (const char* name : {"b", "\xE9t\xE9", "a", "B", "\xC3\xA9t\xC3\xA9", "~", "10", "9", "e", "\xFF"})
        writeFile(tmp.path() / name, "x");
    fs::create_directory(tmp.path() / "M");

    FolderListing listing = list();
    EXPECT_TRUE(listing.opened);
    EXPECT_EQ(listing.error, 0);
    EXPECT_EQ(names(listing),
              (Names{"10", "9", "B", "M", "a", "b", "e", "~", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9", "\xFF"}));
    EXPECT_EQ(find(listing, "M")->kind, EntryKind::Folder);
    EXPECT_EQ(find(listing, "\xE9t\xE9")->kind, EntryKind::File);
    // With or without the trailing '/', the same folder.
    EXPECT_EQ(names(listFolder(tmp.slash())), names(listing));
}

TEST_F(FolderListingTest, DotNamesAreKeptOrSkippedButNeverTheFolderAndItsParent)
{
    writeFile(tmp.path() / ".hidden", "x");
    fs::create_directory(tmp.path() / ".config");
    writeFile(tmp.path() / "shown", "x");

    ListingOptions options;
    EXPECT_EQ(names(list(options)), (Names{".config", ".hidden", "shown"}));
    options.dotNames = DotNames::Skip;
    EXPECT_EQ(names(list(options)), Names{"shown"});
}

TEST_F(FolderListingTest, KindsPickFilesOrFoldersAndOtherEntriesAreNeverListed)
{
    writeFile(tmp.path() / "file", "12345");
    fs::create_directory(tmp.path() / "sub");
    ASSERT_EQ(::mkfifo((tmp.path() / "fifo").c_str(), 0600), 0);
    const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 123'456'700}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (tmp.path() / "file").c_str(), times, 0), 0);

    ListingOptions options;
    FolderListing both = list(options);
    EXPECT_EQ(names(both), (Names{"file", "sub"}));
    const ListedEntry& file = both.entries[0];
    EXPECT_EQ(file.sizeBytes, 5u);
    EXPECT_EQ(file.modifiedSeconds, 1'000'000'000);
    EXPECT_EQ(file.modifiedNanoseconds, 123'456'700);
    EXPECT_FALSE(file.isLink);

    options.kinds = ListedKinds::Files;
    EXPECT_EQ(names(list(options)), Names{"file"});
    options.kinds = ListedKinds::Folders;
    EXPECT_EQ(names(list(options)), Names{"sub"});
}

class FolderListingLinksTest : public FolderListingTest {
protected:
    void SetUp() override
    {
        writeFile(tmp.path() / "target", "12345");
        fs::create_directory(tmp.path() / "folder");
        ASSERT_EQ(::mkfifo((tmp.path() / "fifo").c_str(), 0600), 0);
        fs::create_symlink("target", tmp.path() / "to-file");
        fs::create_directory_symlink("folder", tmp.path() / "to-folder");
        fs::create_symlink("fifo", tmp.path() / "to-fifo");
        fs::create_symlink("missing", tmp.path() / "dangling");
        fs::create_symlink("loop-b", tmp.path() / "loop-a");
        fs::create_symlink("loop-a", tmp.path() / "loop-b");
        // The folder itself: a walk that entered it would never end.
        fs::create_directory_symlink(".", tmp.path() / "up");
    }
};

TEST_F(FolderListingLinksTest, SkippedLinksLeaveOnlyRealEntriesEvenWhenUnreadableOnesAreListed)
{
    EXPECT_EQ(names(list(with(SymbolicLinks::Skip))), (Names{"folder", "target"}));
    EXPECT_EQ(names(list(with(SymbolicLinks::Skip, UnreadableEntries::List))), (Names{"folder", "target"}));
}

TEST_F(FolderListingLinksTest, FilesOnlyListsALinkToAFileAsThatFileAndNoLinkToAFolder)
{
    FolderListing listing = list(with(SymbolicLinks::FilesOnly));
    ASSERT_EQ(names(listing), (Names{"folder", "target", "to-file"}));
    const ListedEntry& link = listing.entries[2];
    EXPECT_EQ(link.kind, EntryKind::File);
    EXPECT_TRUE(link.isLink);
    EXPECT_EQ(link.sizeBytes, 5u);  // the target's, not the link's own length

    // A link leading nowhere cannot be looked at; a link to a folder is still out.
    listing = list(with(SymbolicLinks::FilesOnly, UnreadableEntries::List));
    EXPECT_EQ(names(listing), (Names{"dangling", "folder", "loop-a", "loop-b", "target", "to-file"}));
    EXPECT_EQ(find(listing, "dangling")->kind, EntryKind::Unknown);
    EXPECT_EQ(find(listing, "dangling")->error, ENOENT);
    EXPECT_EQ(find(listing, "loop-a")->error, ELOOP);
    EXPECT_TRUE(find(listing, "loop-b")->isLink);
}

TEST_F(FolderListingLinksTest, FollowListsLinksAsWhatTheyLeadToAndMarksThem)
{
    FolderListing listing = list(with(SymbolicLinks::Follow));
    EXPECT_EQ(names(listing), (Names{"folder", "target", "to-file", "to-folder", "up"}));
    EXPECT_EQ(find(listing, "to-folder")->kind, EntryKind::Folder);
    EXPECT_TRUE(find(listing, "up")->isLink);
    EXPECT_FALSE(find(listing, "folder")->isLink);

    ListingOptions folders = with(SymbolicLinks::Follow);
    folders.kinds = ListedKinds::Folders;
    EXPECT_EQ(names(list(folders)), (Names{"folder", "to-folder", "up"}));
}

// A walk wants no folder's figures and only some files': those entries are
// listed by the kind the folder gives, with no look at them, and say so.
TEST_F(FolderListingLinksTest, FiguresNotWantedTakeTheKindFromTheFolderAndLeaveLinksAndFifosOut)
{
    writeFile(tmp.path() / "paper.pdf", "1234567");
    const timespec times[2] = {{1'000'000'000, 0}, {1'100'000'000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (tmp.path() / "paper.pdf").c_str(), times, 0), 0);
    ListingOptions options = with(SymbolicLinks::Skip, UnreadableEntries::List);
    options.folderDetails = false;
    std::vector<std::string> asked;
    options.fileDetails = [&asked](const std::string& name) {
        asked.push_back(name);
        return name.ends_with(".pdf");
    };
    FolderListing listing = list(options);
    ASSERT_EQ(names(listing), (Names{"folder", "paper.pdf", "target"}));
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (Names{"paper.pdf", "target"})) << "asked about regular files only";

    const ListedEntry* folder = find(listing, "folder");
    EXPECT_EQ(folder->kind, EntryKind::Folder);
    EXPECT_FALSE(folder->detailed);
    const ListedEntry* target = find(listing, "target");
    EXPECT_EQ(target->kind, EntryKind::File);
    EXPECT_FALSE(target->detailed);
    EXPECT_EQ(target->sizeBytes, 0u);
    const ListedEntry* paper = find(listing, "paper.pdf");
    EXPECT_TRUE(paper->detailed);
    EXPECT_EQ(paper->sizeBytes, 7u);
    EXPECT_EQ(paper->modifiedSeconds, 1'100'000'000);
    EXPECT_EQ(paper->modifiedNanoseconds, 5);

    // Links to files, with their figures, when links are taken; still no folder link.
    options.links = SymbolicLinks::FilesOnly;
    options.unreadable = UnreadableEntries::Skip;
    options.fileDetails = {};
    listing = list(options);
    EXPECT_EQ(names(listing), (Names{"folder", "paper.pdf", "target", "to-file"}));
    EXPECT_TRUE(find(listing, "to-file")->isLink);
    EXPECT_EQ(find(listing, "to-file")->sizeBytes, 5u);
    EXPECT_TRUE(find(listing, "target")->detailed) << "every file's figures when no choice is given";

    options.kinds = ListedKinds::Folders;
    EXPECT_EQ(names(list(options)), Names{"folder"});
}

TEST_F(FolderListingTest, AFolderThatCannotBeOpenedListsNothingAndSaysWhy)
{
    writeFile(tmp.path() / "file", "x");
    FolderListing missing = listFolder(tmp.path() / "missing");
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.error, ENOENT);
    FolderListing notFolder = listFolder(tmp.path() / "file");
    EXPECT_FALSE(notFolder.opened);
    EXPECT_EQ(notFolder.error, ENOTDIR);
    EXPECT_TRUE(notFolder.entries.empty());
}

TEST_F(FolderListingTest, AFolderWithoutPermissionsListsNothingOrOnlyUnreadableEntries)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads and searches a folder whatever its permissions";
    fs::create_directory(tmp.path() / "closed");
    writeFile(tmp.path() / "closed" / "inside", "x");
    fs::create_directory(tmp.path() / "closed" / "sub");
    ASSERT_EQ(::chmod((tmp.path() / "closed").c_str(), 0000), 0);
    FolderListing closed = listFolder(tmp.path() / "closed");
    // Names can be read without search permission, but no entry can be looked at.
    ASSERT_EQ(::chmod((tmp.path() / "closed").c_str(), 0400), 0);
    ListingOptions options;
    FolderListing namesOnly = listFolder(tmp.path() / "closed", options);
    // Without a look a folder's entries would pass for what readdir called them.
    ListingOptions noFigures;
    noFigures.folderDetails = false;
    noFigures.fileDetails = [](const std::string&) { return false; };
    FolderListing withoutLooks = listFolder(tmp.path() / "closed", noFigures);
    options.unreadable = UnreadableEntries::List;
    FolderListing unknown = listFolder(tmp.path() / "closed", options);
    ::chmod((tmp.path() / "closed").c_str(), 0700);

    EXPECT_FALSE(closed.opened);
    EXPECT_EQ(closed.error, EACCES);
    EXPECT_TRUE(closed.entries.empty());
    EXPECT_TRUE(namesOnly.opened);
    EXPECT_TRUE(namesOnly.entries.empty());
    EXPECT_TRUE(withoutLooks.entries.empty());
    ASSERT_EQ(names(unknown), (Names{"inside", "sub"}));
    EXPECT_EQ(unknown.entries[0].kind, EntryKind::Unknown);
    EXPECT_EQ(unknown.entries[0].error, EACCES);
}

TEST_F(FolderListingTest, AnEntryChangedAfterTheNamesAreReadIsListedAsItIsThen)
{
    writeFile(tmp.path() / "gone", "x");
    writeFile(tmp.path() / "becomes-folder", "x");
    writeFile(tmp.path() / "stays", "x");
    ListingOptions options;
    options.namesRead = [this] {
        fs::remove(tmp.path() / "gone");
        fs::remove(tmp.path() / "becomes-folder");
        fs::create_directory(tmp.path() / "becomes-folder");
        writeFile(tmp.path() / "added-late", "x");
    };
    FolderListing listing = list(options);
    EXPECT_EQ(names(listing), (Names{"becomes-folder", "stays"}));
    EXPECT_EQ(listing.entries[0].kind, EntryKind::Folder);

    writeFile(tmp.path() / "gone", "x");
    options.unreadable = UnreadableEntries::List;
    options.namesRead = [this] { fs::remove(tmp.path() / "gone"); };
    listing = list(options);
    ASSERT_NE(find(listing, "gone"), nullptr);
    EXPECT_EQ(find(listing, "gone")->kind, EntryKind::Unknown);
    EXPECT_EQ(find(listing, "gone")->error, ENOENT);
}

TEST_F(FolderListingTest, AnEmptyFolderIsOpenedAndListsNothing)
{
    for (ListedKinds kinds : {ListedKinds::Files, ListedKinds::Folders, ListedKinds::FilesAndFolders}) {
        ListingOptions options = with(SymbolicLinks::Follow, UnreadableEntries::List);
        options.kinds = kinds;
        FolderListing listing = list(options);
        EXPECT_TRUE(listing.opened);
        EXPECT_EQ(listing.error, 0);
        EXPECT_TRUE(listing.entries.empty());
    }
}

} // namespace
} // namespace vedra::app
