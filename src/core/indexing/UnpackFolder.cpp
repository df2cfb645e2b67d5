// Unpack folders: made with a mark, recognised by it, removed only with it.
#include "core/indexing/UnpackFolder.h"

#include "core/io/FileHandle.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <vector>
#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMarkText = "Unpacked by VedraReader for indexing; removed when the run is done.\n";

std::string withoutTrailingSlash(const std::string& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// The owner may have left members read-only, and a folder without write permission
// cannot lose its entries.
void makeWritable(const fs::path& path)
{
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ignored);
}

} // namespace

bool IsOwnUnpackFolder(const std::string& folder)
{
    // Every folder of a walk is asked about; only a name of the right form costs a
    // look at the disk.
    const std::string_view name = kUnpackFolderSuffix.substr(0, kUnpackFolderSuffix.size() - 1);
    if (!withoutTrailingSlash(folder).ends_with(name))
        return false;
    struct stat folderInfo {};
    if (::lstat(withoutTrailingSlash(folder).c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return false;
    struct stat markInfo {};
    std::string mark = (folder.empty() || folder.back() != '/' ? folder + '/' : folder) + std::string(kUnpackMarkName);
    return ::lstat(mark.c_str(), &markInfo) == 0 && S_ISREG(markInfo.st_mode);
}

std::string OwnUnpackFolderOf(std::string_view path)
{
    for (std::size_t at = path.find(kUnpackFolderSuffix); at != std::string_view::npos;
         at = path.find(kUnpackFolderSuffix, at + 1)) {
        std::string folder(path.substr(0, at + kUnpackFolderSuffix.size()));
        if (IsOwnUnpackFolder(folder))
            return folder;
    }
    return {};
}

bool RemoveOwnUnpackFolder(const std::string& folder)
{
    if (!IsOwnUnpackFolder(folder))
        return false;
    const fs::path top = withoutTrailingSlash(folder);
    std::error_code error;
    makeWritable(top);
    for (auto it = fs::recursive_directory_iterator(top, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            makeWritable(it->path());
    }
    // The mark goes last: a run killed half-way leaves a folder still marked, which
    // the next run removes, and never members in a folder that no longer says whose
    // it is (they would be walked as the user's files and stay for good).
    const fs::path mark = top / std::string(kUnpackMarkName);
    std::vector<fs::path> members;
    error.clear();
    for (fs::directory_iterator it(top, error), end; !error && it != end; it.increment(error))
        if (it->path() != mark)
            members.push_back(it->path());
    bool emptied = !error;
    for (const fs::path& member : members) {
        error.clear();
        fs::remove_all(member, error);
        emptied = emptied && !error;
    }
    if (!emptied)
        return false;
    ::unlink(mark.c_str());
    ::rmdir(top.c_str());
    return !fs::exists(fs::symlink_status(top, error));
}

void RemoveEmptyFoldersUpTo(const std::string& path, const std::string& top)
{
    const std::string base = withoutTrailingSlash(top);
    if (base.empty() || path.size() <= base.size() + 1 || path.compare(0, base.size(), base) != 0 ||
        path[base.size()] != '/')
        return;
    fs::path folder = fs::path(withoutTrailingSlash(path)).parent_path();
    while (folder.string().size() > base.size()) {
        if (::rmdir(folder.c_str()) != 0)
            return;
        folder = folder.parent_path();
    }
}

UnpackFolderState PrepareUnpackFolder(const std::string& folder)
{
    const std::string path = withoutTrailingSlash(folder);
    if (::mkdir(path.c_str(), 0755) != 0) {
        if (errno != EEXIST)
            return UnpackFolderState::Failed;
        // A leftover of a run that was killed before it could clean up: marked, or
        // empty (killed between making the folder and marking it, or between
        // unmarking and removing it). An empty folder holds nothing to lose; rmdir
        // takes nothing else, and no link.
        if (!RemoveOwnUnpackFolder(folder) && ::rmdir(path.c_str()) != 0)
            return IsOwnUnpackFolder(folder) ? UnpackFolderState::Failed : UnpackFolderState::NotOurs;
        if (::mkdir(path.c_str(), 0755) != 0)
            return UnpackFolderState::Failed;
    }
    auto mark = io::FileHandle::open(path + "/" + std::string(kUnpackMarkName), io::OpenMode::CreateTruncate);
    if (!mark || !mark->writeAt(0, kMarkText)) {
        mark.reset();
        std::error_code ignored;
        fs::remove(path + "/" + std::string(kUnpackMarkName), ignored);
        fs::remove(path, ignored);
        return UnpackFolderState::Failed;
    }
    return UnpackFolderState::Ready;
}

} // namespace vedra::indexing
