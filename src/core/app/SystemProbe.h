// What the engine asks of the operating system at start-up and when it looks for
// programs. Each question is a replaceable function so that tests can make it
// answer otherwise (little memory, a full disk, no PATH, other drive roots).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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

    static SystemProbe real();
};

// True for a regular file that this user may execute.
bool isExecutableFile(const std::string& path);

// Lower-cased copy (ASCII letters only; other bytes unchanged).
std::string lowerAscii(std::string text);

// Ensures a trailing '/'.
std::string withTrailingSlash(std::string folder);

// The text up to its first NUL byte.
std::string textUntilNul(const char* bytes, std::size_t size);

} // namespace vedra::app
