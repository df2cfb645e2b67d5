// The run-in-progress mark of an archive: our own file "RUN." + archive number,
// beside the archive's files, which keep their exact bytes for any reader of the
// format. It records the sizes of the files a run writes as they were when the
// run opened, and, while the run goes on, the old bytes of every range the run
// overwrites below those sizes, each saved before its first overwrite reaches
// the file. A run killed at any moment is thus undone by the next open for
// indexing: the saved bytes are put back (newest first) and every file is cut
// back to its recorded size.
//
// RunMark, little-endian:
//    0  8 bytes    magic "VEDRARUN"
//    8  int32      layout version, 1
//   12  int32      state: 0 closed clean, 1 a run is open
//   16  8 x int64  sizes of "IND.", "ORD.", "PTH.", "PAR.", "LNK.", "RCP.", "RAD.",
//                  "NTD." (in kMarkedSlots' order): when the run opened (state 1),
//                  when it closed (state 0)
//   80  undo entries up to the end of the file, appended during the run:
//         0  int32  slot of the file
//         4  int64  offset
//        12  int32  length n
//        16  n bytes: what the file held there when the run opened
// An entry cut short by a kill lies at the end; it was written before its
// overwrite, so that overwrite never happened and the entry is ignored.
#pragma once

#include "core/archive/ArchiveFiles.h"
#include "core/io/FileHandle.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::archive {

inline constexpr std::array<int, 8> kMarkedSlots = {SlotDocuments, SlotDocumentKeys, SlotFolders,  SlotWords,
                                                    SlotPostings,  SlotWordLists,    SlotRoots,    SlotResume};

// The place of a slot in kMarkedSlots, or -1.
int markedIndex(int slot);

using MarkedSizes = std::array<std::uint64_t, kMarkedSlots.size()>;

struct UndoEntry {
    int slot = 0;
    std::uint64_t offset = 0;
    std::string bytes;
};

struct RunMark {
    static constexpr std::size_t kHeadSize = 80;
    static constexpr std::size_t kEntryHeadSize = 16;
    static constexpr std::int32_t kVersion = 1;
    static constexpr std::int32_t kClosed = 0;
    static constexpr std::int32_t kRunOpen = 1;

    std::int32_t state = kClosed;
    MarkedSizes sizes{};
    std::vector<UndoEntry> entries;
    // Bytes after the last whole entry (a cut entry, or one that does not fit
    // the recorded sizes): ignored.
    std::size_t ignoredTail = 0;

    std::string encodeHead() const;
    static std::string encodeEntry(int slot, std::uint64_t offset, std::string_view bytes);
    // Empty optional when the bytes are not a mark of this layout (wrong magic or
    // version, an unknown state, a size beyond what an archive file can hold).
    static std::optional<RunMark> decode(std::string_view bytes);
};

// The writer's side during a run.
class RunJournal {
public:
    bool isActive() const { return m_active; }
    // Replaces the mark by one in state 1 with `sizes` and no entries (a temporary
    // file renamed over it, both synced), then keeps it open for entries.
    bool begin(const std::filesystem::path& markPath, const MarkedSizes& sizes);
    std::uint64_t committedSize(int slot) const;
    // Called before `count` bytes at `offset` of a slot's file are overwritten by
    // `bytes`: saves the file's old bytes in every part below the slot's recorded
    // size that the new bytes change and that is not saved yet, in one write that
    // precedes the overwrite. Bytes rewritten unchanged need nothing: they still
    // hold what the run opened with. False when the journal cannot be written.
    bool protect(int slot, const io::FileHandle& file, std::uint64_t offset, const void* bytes, std::size_t count);
    // Saves a small file's whole content (the resume point, which the run rewrites
    // by truncating it).
    bool saveWhole(int slot, std::string_view bytes);
    bool sync();
    // Replaces the mark by one in state 0 with `sizes`; the journal ends.
    bool finish(const MarkedSizes& sizes);
    // Ends without touching the mark (a failed close leaves it for the next open).
    void abandon();

    std::uint64_t entryBytes() const { return m_end > RunMark::kHeadSize ? m_end - RunMark::kHeadSize : 0; }

private:
    bool appendEntries(const std::string& entries);
    void markSaved(std::size_t index, std::uint64_t from, std::uint64_t to);

    bool m_active = false;
    std::filesystem::path m_path;
    io::FileHandle m_file;
    std::uint64_t m_end = 0;
    MarkedSizes m_committed{};
    // Per marked slot, the ranges already saved: start -> end, disjoint.
    std::array<std::map<std::uint64_t, std::uint64_t>, kMarkedSlots.size()> m_saved;
};

// Writes a mark file whole, as begin and finish do (temporary file, rename, both synced).
bool writeMarkFile(const std::filesystem::path& markPath, const std::string& bytes);

} // namespace vedra::archive
