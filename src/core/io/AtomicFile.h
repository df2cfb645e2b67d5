// A file replaced whole, never in place: the new bytes go to a temporary file in
// the same folder, which is synced and renamed over the old one, and the folder is
// synced after. A crash or a failed write at any moment leaves either the old file
// or the new one, never a mix; a temporary left by a crash is replaced by the next
// write.
#pragma once

#include "core/io/FileHandle.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace vedra::io {

class AtomicFile {
public:
    // The temporary beside `target`: its name with ".tmp~" added.
    static std::filesystem::path temporaryPathFor(const std::filesystem::path& target);

    // Starts replacing `target` (a symbolic link is followed: the file it names is
    // replaced). Empty optional when the temporary cannot be created or the file
    // exists and may not be written (errno tells). The temporary is opened for
    // writing through `open`.
    static std::optional<AtomicFile> begin(const std::filesystem::path& target,
                                           const FileOpener& open = &FileHandle::open);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Abandons the replacement unless it was committed.
    ~AtomicFile();

    // Adds bytes to the new content; false on failure, after which commit fails too.
    bool append(std::string_view bytes);
    std::uint64_t size() const { return m_size; }

    // Makes the new content the file's: true when the rename was done. On any failure
    // the temporary is removed and the old file is left as it was.
    bool commit();
    // Drops the new content; the old file stays.
    void abandon();

private:
    AtomicFile(std::filesystem::path target, std::filesystem::path temporary, FileHandle file);

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::optional<FileHandle> m_file;
    std::uint64_t m_size = 0;
    int m_mode = -1;  // the old file's permission bits, -1 for a new file
    bool m_failed = false;
};

} // namespace vedra::io
