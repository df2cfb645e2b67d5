// One small RAII wrapper over a POSIX descriptor: reads and writes at explicit
// offsets, loops over short transfers and EINTR, never leaks into child processes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::io {

enum class OpenMode {
    ReadOnly,
    ReadWrite,        // existing file only
    ReadWriteCreate,  // created empty when missing, kept otherwise
    CreateTruncate,   // created or emptied
};

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Empty optional when the file cannot be opened (errno tells why).
    static std::optional<FileHandle> open(const std::filesystem::path& path, OpenMode mode);

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }

    // Size in bytes, or -1 on error.
    std::int64_t size() const;

    // Reads up to `count` bytes at `offset`; returns the bytes read (fewer at the end
    // of the file), or -1 on error. A stream (a FIFO, a pipe) ignores `offset`: it is
    // read in order, until `count` bytes came or the writer closed it.
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;

    // Writes all `count` bytes at `offset` (in order on a stream, as readAt); false on
    // any failure, errno telling why (ENOSPC for a full disk).
    bool writeAt(std::uint64_t offset, const void* buffer, std::size_t count);
    bool writeAt(std::uint64_t offset, std::string_view bytes) { return writeAt(offset, bytes.data(), bytes.size()); }

    // Appends at the current end; false on failure.
    bool append(std::string_view bytes);

    bool truncate(std::uint64_t length);
    // Waits until the file's bytes are on the disk (fsync).
    bool sync();
    void close();

private:
    explicit FileHandle(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// How a file is opened: FileHandle::open, or a seam in its place that a test can
// make refuse (app::SystemProbe::openFile).
using FileOpener = std::function<std::optional<FileHandle>(const std::filesystem::path& path, OpenMode mode)>;

// Reads a whole file, at most maxBytes of it; empty optional when it cannot be read.
std::optional<std::string> readFileBytes(const std::filesystem::path& path,
                                         std::size_t maxBytes = static_cast<std::size_t>(-1),
                                         const FileOpener& open = &FileHandle::open);

// Replaces a file's whole content through a temporary file in the same folder and a
// rename (AtomicFile), so that a crash never leaves half a file. False when nothing
// was written: the old file is then as it was.
// The temporary is opened for writing through `open`.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const FileOpener& open = &FileHandle::open);

// Makes a folder's entries (a file created or renamed in it) durable.
bool syncFolder(const std::filesystem::path& folder);

} // namespace vedra::io
