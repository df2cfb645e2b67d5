// Linux answers to the start-up questions: /proc/meminfo, statvfs, /proc/mounts.
#include "core/app/SystemProbe.h"

#include "core/io/FileHandle.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vedra::app {
namespace {

std::string realCurrentDirectory()
{
    std::string buffer(4096, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string realHomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/tmp";
}

std::uint64_t realAvailableMemory()
{
    auto text = io::readFileBytes("/proc/meminfo", 1 << 16);
    if (text) {
        std::istringstream lines(*text);
        std::string key;
        std::uint64_t kib = 0;
        std::string unit;
        while (lines >> key >> kib) {
            std::getline(lines, unit);
            if (key == "MemAvailable:")
                return kib * 1024;
        }
    }
    long pages = ::sysconf(_SC_AVPHYS_PAGES);
    long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
}

std::uint64_t realFreeDisk(const std::string& path)
{
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

// Mount points of file systems backed by a device, never the kernel's own trees.
std::vector<std::string> realDriveRoots()
{
    std::vector<std::string> roots{"/"};
    auto text = io::readFileBytes("/proc/mounts", 1 << 20);
    if (!text)
        return roots;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        fields >> device >> mountPoint;
        if (device.empty() || device[0] != '/' || mountPoint.empty() || mountPoint == "/")
            continue;
        bool kernelTree = false;
        for (const char* prefix : {"/proc", "/sys", "/dev", "/run"})
            kernelTree |= mountPoint.rfind(prefix, 0) == 0;
        if (kernelTree)
            continue;
        bool known = false;
        for (const auto& root : roots)
            known |= root == mountPoint;
        if (!known)
            roots.push_back(mountPoint);
    }
    return roots;
}

std::vector<std::string> realSearchPath()
{
    std::vector<std::string> folders;
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return folders;
    std::string all(path);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos)
            end = all.size();
        if (end > start)
            folders.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

} // namespace

SystemProbe SystemProbe::real()
{
    SystemProbe probe;
    probe.currentDirectory = realCurrentDirectory;
    probe.homeFolder = realHomeFolder;
    probe.availableMemoryBytes = realAvailableMemory;
    probe.freeDiskBytes = realFreeDisk;
    probe.driveRoots = realDriveRoots;
    probe.searchPath = realSearchPath;
    probe.programFolders = [] { return UsualProgramFolders(realHomeFolder()); };
    return probe;
}

bool isWriteRefusal(int error)
{
    return error == EROFS || error == EACCES || error == EPERM;
}

bool opensForWriting(io::OpenMode mode)
{
    return mode != io::OpenMode::ReadOnly;
}

std::optional<io::FileHandle> openForWriting(const SystemProbe& probe, const std::filesystem::path& path, io::OpenMode mode,
                                         std::string* refusedPath)
{
    if (refusedPath != nullptr)
        refusedPath->clear();
    std::optional<io::FileHandle> file = probe.openFile(path, mode);
    const int error = errno;
    if (file || refusedPath == nullptr || !isWriteRefusal(error))
        return file;
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
        *refusedPath = withTrailingSlash(path.parent_path().string());
    else if (probe.openFile(path, io::OpenMode::ReadOnly))
        *refusedPath = path.string();
    // A file that cannot even be read is not a matter of writing.
    errno = error;
    return std::nullopt;
}

std::vector<std::string> UsualProgramFolders(const std::string& home)
{
    std::vector<std::string> folders{"/usr/local/bin", "/usr/bin",  "/bin",      "/usr/local/sbin",
                                      "/usr/sbin",      "/sbin",     "/usr/games", "/snap/bin",
                                      "/var/lib/flatpak/exports/bin"};
    if (!home.empty() && home[0] == '/') {
        folders.push_back(withTrailingSlash(home) + ".local/bin");
        folders.push_back(withTrailingSlash(home) + "bin");
    }
    return folders;
}

bool isExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string withTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string textUntilNul(const char* bytes, std::size_t size)
{
    const void* nul = std::memchr(bytes, '\0', size);
    return std::string(bytes, nul ? static_cast<const char*>(nul) - bytes : size);
}

std::optional<std::uint64_t> ParseMemoryMegabytes(std::string_view text)
{
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    std::uint64_t megabytes = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        megabytes = megabytes * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (megabytes == 0 || megabytes > kMaxMemoryMegabytes)
        return std::nullopt;
    return megabytes;
}

void AssumeFreeMemory(SystemProbe& probe, std::uint64_t megabytes)
{
    probe.availableMemoryBytes = [bytes = megabytes << 20] { return bytes; };
}

} // namespace vedra::app
