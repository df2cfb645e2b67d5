// Linux implementation of the folder listing: getdents64 for the names and, where
// the file system gives it, their kind; then at most one fstatat per name against
// the open folder, so a long path is not walked again for every entry.
#include "core/app/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::app {
namespace {

// getdents64 fills a block with records laid out as glibc's struct dirent64.
constexpr std::size_t kDirectoryBlockBytes = 32 * 1024;
constexpr std::size_t kLengthOffset = offsetof(struct dirent64, d_reclen);
constexpr std::size_t kTypeOffset = offsetof(struct dirent64, d_type);
constexpr std::size_t kNameOffset = offsetof(struct dirent64, d_name);

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

// What the kind readdir gave settles without a look: an entry the options leave
// out whatever it is, or a folder or regular file whose figures are not wanted.
enum class Settled { Look, Drop, Folder, File };

Settled settledByType(unsigned char type, const std::string& name, const ListingOptions& options)
{
    switch (type) {
    case DT_DIR:
        if (!wanted(options.kinds, EntryKind::Folder))
            return Settled::Drop;
        return options.folderDetails ? Settled::Look : Settled::Folder;
    case DT_REG:
        if (!wanted(options.kinds, EntryKind::File))
            return Settled::Drop;
        return options.fileDetails && !options.fileDetails(name) ? Settled::File : Settled::Look;
    case DT_LNK: return options.links == SymbolicLinks::Skip ? Settled::Drop : Settled::Look;
    case DT_FIFO:
    case DT_SOCK:
    case DT_CHR:
    case DT_BLK: return Settled::Drop;
    default: return Settled::Look;  // DT_UNKNOWN: the file system does not say
    }
}

// An entry of a folder without search permission cannot be looked at, so the
// listing leaves it out (or lists it as unreadable) whatever its kind: the kind
// readdir gives stands for a look only where a look would have succeeded.
bool searchable(int folderFd)
{
    return ::faccessat(folderFd, ".", X_OK, 0) == 0;
}

} // namespace

FolderListing listFolder(const std::filesystem::path& folder, const ListingOptions& options)
{
    FolderListing listing;
    // Read with getdents64 on a plain descriptor: opendir would add an fstat of
    // every folder, and a walk lists each folder twice when it looks ahead.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        listing.error = errno;
        return listing;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    listing.opened = true;

    struct Name {
        std::string text;
        unsigned char type;
    };
    std::vector<Name> names;
    std::vector<char> block(kDirectoryBlockBytes);
    for (;;) {
        const ssize_t got = ::getdents64(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            listing.error = got < 0 ? errno : 0;
            break;
        }
        // Each record: d_ino, d_off, d_reclen (16 bits), d_type, then the name
        // ending in NUL; d_reclen takes the reader to the next one.
        for (std::size_t at = 0; at + kNameOffset <= static_cast<std::size_t>(got);) {
            std::uint16_t length = 0;
            std::memcpy(&length, block.data() + at + kLengthOffset, sizeof length);
            if (length <= kNameOffset || at + length > static_cast<std::size_t>(got))
                break;
            const auto type = static_cast<unsigned char>(block[at + kTypeOffset]);
            const char* text = block.data() + at + kNameOffset;
            const std::string_view name(text, ::strnlen(text, length - kNameOffset));
            at += length;
            if (name.empty() || name == "." || name == "..")
                continue;
            if (options.dotNames == DotNames::Skip && name.front() == '.')
                continue;
            names.push_back({std::string(name), type});
        }
    }
    if (options.namesRead)
        options.namesRead();

    std::optional<bool> canSearch;
    for (Name& name : names) {
        ListedEntry entry;
        entry.name = std::move(name.text);
        const Settled settled = settledByType(name.type, entry.name, options);
        if (settled != Settled::Look) {
            if (!canSearch)
                canSearch = searchable(fd);
            if (*canSearch) {
                if (settled == Settled::Drop)
                    continue;
                entry.kind = settled == Settled::Folder ? EntryKind::Folder : EntryKind::File;
                entry.detailed = false;
                listing.entries.push_back(std::move(entry));
                continue;
            }
        }
        if (describe(fd, entry, options))
            listing.entries.push_back(std::move(entry));
    }
    // std::string compares its chars as unsigned char, which is byte order.
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const ListedEntry& a, const ListedEntry& b) { return a.name < b.name; });
    return listing;
}

} // namespace vedra::app
