// POSIX implementation of AtomicFile and writeFileAtomically.
#include "core/io/AtomicFile.h"

#include "core/io/FaultPoint.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::io {
namespace {

// A rename is durable once the folder that holds the name is synced. Some file
// systems refuse to sync a folder; the rename itself has happened by then.
void syncFolderOf(const std::filesystem::path& file)
{
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::filesystem::path followLink(const std::filesystem::path& target)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(target, error))
        return target;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
    return error ? target : resolved;
}

} // namespace

std::filesystem::path AtomicFile::temporaryPathFor(const std::filesystem::path& target)
{
    std::filesystem::path temporary = target;
    temporary += ".tmp~";
    return temporary;
}

AtomicFile::AtomicFile(std::filesystem::path target, std::filesystem::path temporary, FileHandle file)
    : m_target(std::move(target)), m_temporary(std::move(temporary)), m_file(std::move(file))
{
}

std::optional<AtomicFile> AtomicFile::begin(const std::filesystem::path& path, const FileOpener& open)
{
    std::filesystem::path target = followLink(path);
    // A file the user made read-only is refused as writing it in place would be; the
    // rename alone would not ask.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return std::nullopt;
    std::filesystem::path temporary = temporaryPathFor(target);
    // A temporary left by a crash is ours to replace. Unlinked and created anew (never
    // opened as it is), so a link planted under its name is not followed.
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT)
        return std::nullopt;
    int fd;
    do {
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    auto file = open(temporary, OpenMode::ReadWrite);
    if (!file) {
        int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return std::nullopt;
    }
    AtomicFile replacement(std::move(target), std::move(temporary), std::move(*file));
    if (exists && S_ISREG(old.st_mode))
        replacement.m_mode = old.st_mode & 07777;
    return replacement;
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_target(std::move(other.m_target)), m_temporary(std::move(other.m_temporary)), m_file(std::move(other.m_file)),
      m_size(other.m_size), m_mode(other.m_mode), m_failed(other.m_failed)
{
    other.m_file.reset();
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        abandon();
        m_target = std::move(other.m_target);
        m_temporary = std::move(other.m_temporary);
        m_file = std::move(other.m_file);
        m_size = other.m_size;
        m_mode = other.m_mode;
        m_failed = other.m_failed;
        other.m_file.reset();
    }
    return *this;
}

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::append(std::string_view bytes)
{
    if (!m_file || m_failed)
        return false;
    if (!m_file->writeAt(m_size, bytes)) {
        m_failed = true;
        return false;
    }
    m_size += bytes.size();
    return true;
}

bool AtomicFile::commit()
{
    if (!m_file)
        return false;
    // The replaced file keeps its permissions.
    bool ok = !m_failed && (m_mode < 0 || ::fchmod(m_file->descriptor(), static_cast<mode_t>(m_mode)) == 0) &&
              ::fsync(m_file->descriptor()) == 0;
    m_file->close();
    m_file.reset();
    if (ok)
        faultPoint();
    if (ok && ::rename(m_temporary.c_str(), m_target.c_str()) == 0) {
        syncFolderOf(m_target);
        return true;
    }
    int error = errno;
    ::unlink(m_temporary.c_str());
    errno = error;
    return false;
}

void AtomicFile::abandon()
{
    if (!m_file)
        return;
    m_file->close();
    m_file.reset();
    ::unlink(m_temporary.c_str());
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, const FileOpener& open)
{
    auto file = AtomicFile::begin(path, open);
    return file && file->append(bytes) && file->commit();
}

} // namespace vedra::io
