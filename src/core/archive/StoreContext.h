// What an archive store needs from the program around it, and no more: where the
// files are, how to open them, the memory and disk it may use, and how to tell the
// user about a fault. The workspace provides it; the store never sees the rest of
// the program's state, so the archive stays below the application in the layers.
#pragma once

#include "core/io/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::archive {

// The size beyond which no file of an archive may grow: every offset is 32 bits.
inline constexpr std::uint64_t kArchiveSizeLimit = 3'999'000'000ULL;

struct StoreFolders {
    std::string root;        // holds the catalogue ("IND_ARC.PRI")
    std::string archive;     // the current archive's folder, with a trailing '/'; empty without one
    std::int32_t number = 0; // the current archive's number
    std::string numberText;  // the number as the files' names end with it
};

// The work buffers the caches of an indexing run may borrow.
struct StoreBuffers {
    std::uint8_t* dictionary = nullptr;
    std::size_t dictionaryBytes = 0;
    std::int64_t dictionaryUsable = 0;
    std::uint8_t* postings = nullptr;
    std::size_t postingsBytes = 0;
    std::int64_t postingsUsable = 0;
};

enum class StoreFault {
    WriteError,       // a write failed: the write error; the running loop stops
    CannotWrite,      // writing was refused: the message names `detail`; the caller refuses
    DiskSpaceLow,     // the disk-space check refused a flush; the running loop stops
    ArchiveTooLarge,  // a file would pass kArchiveSizeLimit; the running loop stops
    Damaged,          // a damaged tree: `detail` as it stands; the running loop stops
    DamagedFolders,   // a damaged folder tree: `detail`; the loop stops as if suspended
    KeyRefused,       // a key outside the bucket table: `detail`; the run goes on
    RunUndone,        // an earlier run was cut off and has been undone; the run goes on
    ArchiveRebuilt,   // files shorter than recorded: the index was emptied; the run goes on
    ArchiveBusy,      // another process writes the archive, named in `detail`; the caller refuses
};

class StoreContext {
public:
    virtual ~StoreContext() = default;

    virtual StoreFolders folders() const = 0;

    // Opens a file; when writing is refused (a read-only disk, no permission) the
    // file or folder refused is named in `refused` (see app::openForWriting).
    virtual std::optional<io::FileHandle> openFile(const std::filesystem::path& path, io::OpenMode mode,
                                                   std::string* refused) = 0;

    virtual StoreBuffers buffers() = 0;

    // Free bytes on the archive's disk when the program started.
    virtual std::uint64_t freeDiskBytes() const = 0;

    virtual void report(StoreFault fault, std::string_view detail = {}) = 0;
};

} // namespace vedra::archive
