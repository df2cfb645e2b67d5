// POSIX implementation of FileHandle and the whole-file helpers.
#include "core/io/FileHandle.h"

#include "core/io/FaultPoint.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::io {
namespace {

// A stream (a FIFO, a pipe, a terminal) has no offsets: pread and pwrite refuse it
// with ESPIPE, and it is read and written in order instead.
ssize_t readSome(int fd, char* buffer, std::size_t count, std::uint64_t offset, bool& stream)
{
    if (!stream) {
        ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (n >= 0 || errno != ESPIPE)
            return n;
        stream = true;
    }
    return ::read(fd, buffer, count);
}

ssize_t writeSome(int fd, const char* buffer, std::size_t count, std::uint64_t offset, bool& stream)
{
    if (!stream) {
        ssize_t n = ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
        if (n >= 0 || errno != ESPIPE)
            return n;
        stream = true;
    }
    return ::write(fd, buffer, count);
}

} // namespace

FileHandle::~FileHandle()
{
    close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

std::optional<FileHandle> FileHandle::open(const std::filesystem::path& path, OpenMode mode)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::ReadOnly: flags |= O_RDONLY; break;
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::ReadWriteCreate: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    // A folder opens read-only on Linux; it is never a usable file here.
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return std::nullopt;
    }
    return FileHandle(fd);
}

std::int64_t FileHandle::size() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t FileHandle::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    if (m_fd < 0)
        return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    bool stream = false;
    while (done < count) {
        ssize_t n = readSome(m_fd, out + done, count - done, offset + done, stream);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool FileHandle::writeAt(std::uint64_t offset, const void* buffer, std::size_t count)
{
    if (m_fd < 0)
        return false;
    faultPoint();
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    bool stream = false;
    while (done < count) {
        ssize_t n = writeSome(m_fd, in + done, count - done, offset + done, stream);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FileHandle::append(std::string_view bytes)
{
    std::int64_t end = size();
    return end >= 0 && writeAt(static_cast<std::uint64_t>(end), bytes);
}

bool FileHandle::truncate(std::uint64_t length)
{
    if (m_fd >= 0)
        faultPoint();
    return m_fd >= 0 && ::ftruncate(m_fd, static_cast<off_t>(length)) == 0;
}

bool FileHandle::sync()
{
    return m_fd >= 0 && ::fsync(m_fd) == 0;
}

void FileHandle::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                                         const FileOpener& open)
{
    auto file = open(path, OpenMode::ReadOnly);
    if (!file)
        return std::nullopt;
    std::int64_t fileSize = file->size();
    if (fileSize < 0)
        return std::nullopt;
    std::size_t want = std::min(static_cast<std::size_t>(fileSize), maxBytes);
    std::string bytes(want, '\0');
    std::int64_t got = file->readAt(0, bytes.data(), want);
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

bool syncFolder(const std::filesystem::path& folder)
{
    int fd;
    do {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace vedra::io
