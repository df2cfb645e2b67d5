// POSIX implementation of the folder listing: readdir for the names, then one
// fstatat per name against the open folder, so a long path is not walked again
// for every entry.
#include "core/app/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace vedra::app {
namespace {

bool wanted(ListedKinds kinds, EntryKind kind)
{
    switch (kinds) {
    case ListedKinds::Files: return kind == EntryKind::File;
    case ListedKinds::Folders: return kind == EntryKind::Folder;
    case ListedKinds::FilesAndFolders: return kind == EntryKind::File || kind == EntryKind::Folder;
    }
    return false;
}

EntryKind kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISREG(mode))
        return EntryKind::File;
    return EntryKind::Unknown;
}

// Looks the entry up as the options say; false when it is left out.
bool describe(int folderFd, ListedEntry& entry, const ListingOptions& options)
{
    struct stat st {};
    if (::fstatat(folderFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.error = errno;
        return options.unreadable == UnreadableEntries::List;
    }
    if (S_ISLNK(st.st_mode)) {
        if (options.links == SymbolicLinks::Skip)
            return false;
        entry.isLink = true;
        if (::fstatat(folderFd, entry.name.c_str(), &st, 0) != 0) {
            entry.error = errno;
            return options.unreadable == UnreadableEntries::List;
        }
        if (options.links == SymbolicLinks::FilesOnly && !S_ISREG(st.st_mode))
            return false;
    }
    entry.kind = kindOf(st.st_mode);
    if (!wanted(options.kinds, entry.kind))
        return false;
    entry.sizeBytes = static_cast<std::uint64_t>(st.st_size);
    entry.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    entry.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return true;
}

} // namespace

FolderListing listFolder(const std::filesystem::path& folder, const ListingOptions& options)
{
    FolderListing listing;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        listing.error = errno;
        return listing;
    }
    listing.opened = true;

    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir.get());
        if (item == nullptr) {
            listing.error = errno;
            break;
        }
        std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        if (options.dotNames == DotNames::Skip && name.front() == '.')
            continue;
        names.emplace_back(name);
    }
    if (options.namesRead)
        options.namesRead();

    const int fd = ::dirfd(dir.get());
    for (std::string& name : names) {
        ListedEntry entry;
        entry.name = std::move(name);
        if (describe(fd, entry, options))
            listing.entries.push_back(std::move(entry));
    }
    // std::string compares its chars as unsigned char, which is byte order.
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const ListedEntry& a, const ListedEntry& b) { return a.name < b.name; });
    return listing;
}

} // namespace vedra::app
