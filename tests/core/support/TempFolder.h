// A fresh temporary folder per test, removed afterwards, and small file helpers.
#pragma once

#include "core/app/SystemProbe.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <ctime>
#include <utime.h>

namespace vedra::testing {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vedratest-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder with a trailing '/', as the engine keeps folders.
    std::string slash() const { return m_path.string() + "/"; }

private:
    std::filesystem::path m_path;
};

inline void writeFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets a file's last-write (and access) time to `seconds` since the epoch.
inline void setModifiedTime(const std::filesystem::path& file, std::time_t seconds)
{
    struct utimbuf times {seconds, seconds};
    if (::utime(file.c_str(), &times) != 0)
        throw std::runtime_error("utime failed: " + file.string());
}

inline void writeExecutable(const std::filesystem::path& file)
{
    writeFile(file, "#!/bin/sh\nexit 0\n");
    ::chmod(file.c_str(), 0755);
}

// A probe that answers from the test, never from the machine: a small memory so
// the work buffers stay small, plenty of disk, no PATH, no drive roots.
inline app::SystemProbe testProbe(const std::filesystem::path& currentDirectory)
{
    app::SystemProbe probe;
    std::string folder = currentDirectory.string();
    probe.currentDirectory = [folder] { return folder; };
    probe.homeFolder = [folder] { return folder + "/home"; };
    probe.availableMemoryBytes = [] { return std::uint64_t{64} << 20; };
    probe.freeDiskBytes = [](const std::string&) { return std::uint64_t{100} << 30; };
    probe.driveRoots = [] { return std::vector<std::string>{}; };
    probe.searchPath = [] { return std::vector<std::string>{}; };
    return probe;
}

} // namespace vedra::testing
