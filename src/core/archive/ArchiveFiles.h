// The file table of an archive: numbered slots, their file-name prefixes and the
// initial content each file is created with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vedra::archive {

inline constexpr int kSlotCount = 25;

// Slots that hold an archive file (the others are spare handles).
enum Slot : int {
    SlotDocuments = 0,             // "IND." document records
    SlotTextExtensions = 1,        // "FIL." extensions whose text is indexed
    SlotMediaExtensions = 2,       // "FMM." multimedia and image extensions
    SlotExcludedFolders = 3,       // "DIR." folder-name fragments not scanned
    SlotWords = 4,                 // "PAR." word tree
    SlotDocumentKeys = 5,          // "ORD." document key tree and document table
    SlotRoots = 6,                 // "RAD." word-root tree
    SlotUnused = 7,                // "ACC." named only
    SlotCatalogue = 8,             // "IND_ARC.PRI", in the root folder
    SlotResume = 11,               // "NTD." resume point of an interrupted run
    SlotFolders = 12,              // "PTH." folder tree
    SlotCompressedExtensions = 13, // "CMP." compressed-archive extensions
    SlotPrograms = 14,             // "EXE." programs for the run-with window
    SlotPostings = 15,             // "LNK." postings
    SlotWordLists = 16,            // "RCP." per-document word lists
    SlotConvertedExtensions = 17,  // "SCM." extensions converted by outside programs
    SlotStopWords = 21,            // "NIN." stop words
};

// The prefix of a slot's file ("PAR."), empty for a slot without a file.
const char* slotPrefix(int slot);

// The creation order of a new archive's files.
inline constexpr std::array<int, 14> kCreationOrder = {17, 16, 11, 4, 2, 0, 5, 12, 13, 1, 15, 3, 21, 6};

// The initial bytes of a slot's file for archive `archiveNumber` (the excluded-folder
// list of archive 1 has three extra entries first). Empty for slots not created.
std::string initialContent(int slot, std::int32_t archiveNumber);

// The initial entries of a text list, in order.
const std::vector<std::string>& initialListEntries(int slot);

} // namespace vedra::archive
