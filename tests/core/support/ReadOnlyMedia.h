// Read-only media in tests. CI runs as root, and chmod does not stop root, so a
// test refuses writing through the workspace's probe: WriteRefusal wraps a probe
// so that opening for writing under chosen paths fails as on a read-only disk,
// and records every open for writing it saw there. Where the machine allows it,
// ReallyReadOnly makes files read-only for real (the immutable attribute as root,
// chmod a-w otherwise) and undoes it when destroyed, so nothing immutable is left
// behind in /tmp.
#pragma once

#include "core/app/SystemProbe.h"
#include "core/io/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/fs.h>
#include <map>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vedra::testing {

class WriteRefusal {
public:
    // Refuses opens for writing of `paths` and of everything under them, with
    // `error` (EROFS, EACCES, EPERM), while refusing() is on (from the start).
    explicit WriteRefusal(std::vector<std::string> paths, int error = EROFS) : m_state(std::make_shared<State>())
    {
        m_state->paths = std::move(paths);
        m_state->error = error;
    }

    // `probe` with its openFile going through this refusal. The returned probe
    // shares the refusal's state: switching it later acts on that probe too.
    app::SystemProbe wrap(app::SystemProbe probe) const
    {
        auto state = m_state;
        auto open = probe.openFile;
        probe.openFile = [state, open](const std::filesystem::path& path, io::OpenMode mode)
            -> std::optional<io::FileHandle> {
            if (app::opensForWriting(mode) && state->covers(path.string())) {
                state->writeOpens.push_back(path.string());
                if (state->refusing) {
                    errno = state->error;
                    return std::nullopt;
                }
            }
            return open(path, mode);
        };
        return probe;
    }

    void setRefusing(bool refusing) { m_state->refusing = refusing; }
    void setPaths(std::vector<std::string> paths) { m_state->paths = std::move(paths); }
    void setError(int error) { m_state->error = error; }
    // Every open for writing of a covered path, refused or not, in order.
    const std::vector<std::string>& writeOpens() const { return m_state->writeOpens; }
    void forgetWriteOpens() { m_state->writeOpens.clear(); }

private:
    struct State {
        std::vector<std::string> paths;
        int error = EROFS;
        bool refusing = true;
        std::vector<std::string> writeOpens;

        bool covers(const std::string& path) const
        {
            const std::string normal = std::filesystem::path(path).lexically_normal().string();
            for (const std::string& covered : paths) {
                std::string prefix = std::filesystem::path(covered).lexically_normal().string();
                if (normal == prefix || (!prefix.empty() && prefix.back() == '/' && normal.rfind(prefix, 0) == 0) ||
                    normal.rfind(prefix + "/", 0) == 0)
                    return true;
            }
            return false;
        }
    };
    std::shared_ptr<State> m_state;
};

// Files and folders made read-only for real for the guard's life. As root the
// immutable attribute is set (ext4 and most local file systems support it);
// otherwise write permission is taken away. active() is false when neither holds
// (a file system without the attribute, say): the test should then skip.
class ReallyReadOnly {
public:
    explicit ReallyReadOnly(std::vector<std::filesystem::path> paths) : m_asRoot(::geteuid() == 0)
    {
        for (const auto& path : paths) {
            Saved saved{path};
            if (!(m_asRoot ? setImmutable(path, true, &saved.flags) : dropWrite(path, &saved.mode)))
                break;
            m_done.push_back(saved);
        }
        m_active = m_done.size() == paths.size() && !paths.empty();
        for (const auto& path : paths)
            m_active = m_active && cannotWrite(path);
    }
    ~ReallyReadOnly()
    {
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) {
            if (m_asRoot)
                setImmutable(it->path, false, nullptr);
            else
                ::chmod(it->path.c_str(), it->mode);
        }
    }
    ReallyReadOnly(const ReallyReadOnly&) = delete;
    ReallyReadOnly& operator=(const ReallyReadOnly&) = delete;

    bool active() const { return m_active; }
    const char* how() const { return m_asRoot ? "immutable attribute" : "chmod a-w"; }

private:
    struct Saved {
        std::filesystem::path path;
        int flags = 0;
        mode_t mode = 0;
    };

    static bool setImmutable(const std::filesystem::path& path, bool on, int* before)
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok && before != nullptr)
            *before = flags;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    static bool dropWrite(const std::filesystem::path& path, mode_t* before)
    {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return false;
        *before = info.st_mode & 07777;
        return ::chmod(path.c_str(), *before & ~static_cast<mode_t>(0222)) == 0;
    }

    // The proof: the system itself refuses to write the file or into the folder.
    static bool cannotWrite(const std::filesystem::path& path)
    {
        if (std::filesystem::is_directory(path))
            return ::access(path.c_str(), W_OK) != 0;
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return false;
        }
        return true;
    }

    bool m_asRoot;
    bool m_active = false;
    std::vector<Saved> m_done;
};

// The bytes of every regular file under `folder` (or of the file itself), by path.
inline std::map<std::string, std::string> filesUnder(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    auto take = [&](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        files[path.string()] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    if (std::filesystem::is_regular_file(folder))
        take(folder);
    else
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                take(entry.path());
    return files;
}

} // namespace vedra::testing
