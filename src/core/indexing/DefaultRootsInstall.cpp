// Installing the built-in roots into a working folder that has none.
#include "core/indexing/DefaultRoots.h"

#include "core/io/FileHandle.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;

// The loader's own test of "this folder has roots": any regular file, whatever its name.
bool holdsRegularFile(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error))
            return true;
    return false;
}

// Moves `from` to `to` unless `to` exists. A plain rename would replace a file that
// appeared since the folder was looked at; file systems without RENAME_NOREPLACE
// (NFS among them) still refuse a hard link over an existing name.
bool moveWithoutReplacing(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

bool writeNewFile(const fs::path& temporary, std::string_view bytes)
{
    auto file = io::FileHandle::open(temporary, io::OpenMode::ReadWrite);
    return file && ::fchmod(file->descriptor(), 0644) == 0 && file->writeAt(0, bytes) &&
           ::fsync(file->descriptor()) == 0;
}

} // namespace

bool InstallDefaultRoots(const std::string& workingFolder, const std::string& dataFolder)
{
    const fs::path lemmi = fs::path(workingFolder) / "Lemmi";
    const fs::path folder = lemmi / "Radici";
    if (holdsRegularFile(folder))
        return true;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return false;

    // Written beside the roots folder, not in it: the loader takes every regular file
    // there, so a half-written or left-over temporary would pass for the user's roots.
    std::string temporary = (lemmi / ".RadiciParole.txt.XXXXXX").string();
    int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return false;
    ::close(descriptor);
    std::optional<std::string> installed;
    if (!dataFolder.empty())
        installed = io::readFileBytes(fs::path(dataFolder) / "RadiciParole.txt");
    const std::string_view roots = installed && !installed->empty() ? std::string_view(*installed) : DefaultWordRoots();
    if (!writeNewFile(temporary, roots) || !moveWithoutReplacing(temporary, folder / "RadiciParole.txt"))
        ::unlink(temporary.c_str());
    // Another writer may have filled the folder meanwhile: what counts is what is there.
    return holdsRegularFile(folder);
}

} // namespace vedra::indexing
