// The one listing of a folder's entries for the whole engine: the indexing walk,
// the disk scan, a folder opened from the result list, and the window's folder
// trees. Entries come sorted by the bytes of their names, so that runs and
// archives are the same on every machine; which entries are listed, and how links
// count, is the caller's choice. It sits in core/app, below every other engine
// folder, and includes none of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vedra::app {

// Only folders and regular files are ever listed: a FIFO, a socket or a device
// could block a reader or mean nothing as a document.
enum class ListedKinds { Files, Folders, FilesAndFolders };

// "." and ".." are never listed, whichever is chosen.
enum class DotNames { Keep, Skip };

enum class SymbolicLinks {
    // A link is left out, whatever it leads to: no target is met twice and no walk
    // loops through a link.
    Skip,
    // A link to a regular file is listed as that file (the target's size and time);
    // a link to a folder is left out, so a walk cannot loop through it.
    FilesOnly,
    // A link is listed as what it leads to, file or folder. A walk that enters
    // linked folders must guard against loops itself.
    Follow,
};

// An entry that cannot be looked at: removed since its name was read, in a folder
// without search permission, a dangling link or a loop of links when links are
// followed.
enum class UnreadableEntries {
    Skip,
    // Listed as EntryKind::Unknown with its errno, whatever `kinds` asks for (its
    // kind is not known); a link left out by SymbolicLinks::Skip stays out.
    List,
};

enum class EntryKind { File, Folder, Unknown };

struct ListedEntry {
    std::string name;  // the raw bytes the file system gives, never transcoded
    EntryKind kind = EntryKind::Unknown;
    bool isLink = false;  // the entry is a link; kind, size and time are its target's
    std::uint64_t sizeBytes = 0;  // as stat gives it; a folder's means nothing
    std::int64_t modifiedSeconds = 0;  // last modification, since 1970-01-01 UTC
    std::int64_t modifiedNanoseconds = 0;
    // False when size and time were not asked for (ListingOptions::folderDetails,
    // fileDetails): the kind is the folder's own word and the figures are 0.
    bool detailed = true;
    int error = 0;  // EntryKind::Unknown: why it could not be looked at (errno)
};

struct ListingOptions {
    ListedKinds kinds = ListedKinds::FilesAndFolders;
    DotNames dotNames = DotNames::Keep;
    SymbolicLinks links = SymbolicLinks::Skip;
    UnreadableEntries unreadable = UnreadableEntries::Skip;
    // Whether a folder's or a file's size and time are wanted (fileDetails gets the
    // name; empty means every file's). An entry whose kind the folder itself gives
    // and whose figures are not wanted costs no look at the disk, which is what a
    // walk of a large tree spends its time on; links and entries of unknown kind
    // are always looked at. Such an entry is listed as the folder said it was when
    // its name was read, so one removed since then may still be listed.
    bool folderDetails = true;
    std::function<bool(const std::string& name)> fileDetails;
    // Called once every name is read and before any entry is looked at. Another
    // program may change the folder in that gap; a test does it here.
    std::function<void()> namesRead;
};

struct FolderListing {
    // Sorted by name, compared as unsigned bytes ("B" < "a" < "\xE9").
    std::vector<ListedEntry> entries;
    // False when the folder could not be opened (missing, not a folder, no read
    // permission); entries is then empty.
    bool opened = false;
    // errno: why the folder could not be opened, or why reading its names stopped
    // part way (entries then holds what was read before). 0 when all went well.
    int error = 0;
};

// Lists `folder` (with or without a trailing '/'). Never throws for anything the
// file system does; the result says what could not be read.
FolderListing listFolder(const std::filesystem::path& folder, const ListingOptions& options = {});

} // namespace vedra::app
