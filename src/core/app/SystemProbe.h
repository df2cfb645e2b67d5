// What the engine asks of the operating system at start-up and when it looks for
// programs, and how it opens the files of an archive. Each question is a
// replaceable function so that tests can make it answer otherwise (little memory,
// a full disk, no PATH, other drive roots, a read-only disk).
#pragma once

#include "core/io/FileHandle.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {

struct SystemProbe {
    std::function<std::string()> currentDirectory;
    std::function<std::string()> homeFolder;
    // MemAvailable of /proc/meminfo, in bytes.
    std::function<std::uint64_t()> availableMemoryBytes;
    // Bytes free to this user on the file system that holds `path`.
    std::function<std::uint64_t(const std::string& path)> freeDiskBytes;
    // The "drive roots": "/" and the mount points of real file systems.
    std::function<std::vector<std::string>()> driveRoots;
    // The folders of PATH, in order.
    std::function<std::vector<std::string>()> searchPath;
    // The folders programs are usually installed in, searched after PATH (a desktop
    // session may start the program with a short PATH). Unset: none.
    std::function<std::vector<std::string>()> programFolders;
    // Opens a file as io::FileHandle::open does (errno set on failure). Archive files,
    // the catalogue, the description and the archive folder's write test are opened
    // through it, so a test can refuse writing where root would be let through.
    std::function<std::optional<io::FileHandle>(const std::filesystem::path& path, io::OpenMode mode)> openFile =
        &io::FileHandle::open;

    static SystemProbe real();
};

// The setting that bounds the program's memory: whole megabytes, as `vedra --memory
// MB` or the environment variable kMemoryVariable give them. The work buffers are
// then sized as if that much memory were free (so small caches can be tested, and a
// user of a small machine can bound the program).
inline constexpr const char* kMemoryVariable = "VEDRA_MEMORY_MB";
inline constexpr std::uint64_t kMaxMemoryMegabytes = 1u << 20;  // 1 TiB

// The megabytes of `text`: digits only, 1 to kMaxMemoryMegabytes; empty otherwise.
std::optional<std::uint64_t> ParseMemoryMegabytes(std::string_view text);

// Makes the probe answer `megabytes` as the free memory.
void AssumeFreeMemory(SystemProbe& probe, std::uint64_t megabytes);

// True for an errno that says writing is refused: a read-only file system
// (EROFS), no permission (EACCES), an immutable file (EPERM).
bool isWriteRefusal(int error);

// True for the modes that open a file for writing.
bool opensForWriting(io::OpenMode mode);

// Opens `path` in a writing `mode` through the probe. When writing is refused,
// `refusedPath` (if given) names what cannot be written: the file when it exists
// and can still be read, else the folder that would hold it (with its '/'); it is
// left empty for any other failure. errno is kept from the failed open.
std::optional<io::FileHandle> openForWriting(const SystemProbe& probe, const std::filesystem::path& path, io::OpenMode mode,
                                         std::string* refusedPath = nullptr);

// The usual program folders of a Debian system, then the user's own under `home`
// (~/.local/bin, ~/bin); only these exact folders, never their sub-folders.
std::vector<std::string> UsualProgramFolders(const std::string& home);

// True for a regular file that this user may execute.
bool isExecutableFile(const std::string& path);

// Lower-cased copy (ASCII letters only; other bytes unchanged).
std::string lowerAscii(std::string text);

// Ensures a trailing '/'.
std::string withTrailingSlash(std::string folder);

// The text up to its first NUL byte.
std::string textUntilNul(const char* bytes, std::size_t size);

} // namespace vedra::app
