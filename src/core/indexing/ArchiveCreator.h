// Creating a new archive as the archive dialog's OK does it: the catalogue entry,
// the archive folder and its files, the word roots, then the archive opened.
#pragma once

#include <cstdint>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

struct NewArchive {
    std::string name;            // upper-cased into the identification string
    std::string description;     // written to "DescrizioneArc.vedra" when not empty (UTF-8)
    char disk = 0;               // label letter; 0 = the current drive letter
    std::int32_t number = 0;     // 0 = one above the highest in the catalogue
    int minWordLength = 2;       // "Registra parole >"
    int truncationLength = 16;   // "Tronca parole >", 4 to 30
    // Says the new archive is empty and how to fill it; a caller that fills it at
    // once has nothing to tell.
    bool announceEmpty = true;
    // The more-types rules (MoreTypes.h): their entries appended to "FIL." and
    // "SCM."; every other byte of the archive is as without them.
    bool moreTypes = false;
    // Text recognition (OcrReader.h): its marker appended to "FMM.".
    bool ocr = false;
};

struct CreatedArchive {
    std::int32_t number = -1;    // -1 when nothing was created
    std::string identification;  // "C_NAME_1"
    std::uint64_t rootFilesRead = 0;
    std::string error;           // why nothing was created (bad input), in English
    bool messageShown = false;   // the failure has been shown to the user already
};

// The highest archive number in use in the workspace's catalogue (0 when none).
std::int32_t HighestArchiveNumber(const app::Workspace& workspace);

// Creates and opens the archive. Bad input (an empty or over-long name, a name
// with a path separator, a truncation length outside 4..30, a number already in
// use) creates nothing and says why in `error`. A catalogue, folder or file that
// the disk refuses to write shows the cannot-write message naming it; a file that
// cannot be made otherwise shows the write error. Either stops the creation,
// keeping what was already written.
CreatedArchive CreateArchive(app::Workspace& workspace, const NewArchive& request);

// Loads the roots of every file in the working folder's "Lemmi/Radici/" into the
// archive's root tree (an indexing run in roots mode); returns the files read.
std::uint64_t LoadRootsFolder(app::Workspace& workspace);

// Writes an archive's description into "DescrizioneArc.vedra" in its folder
// (cp1252, no terminator); an empty text writes nothing. False when it cannot:
// a disk or folder that refuses writing shows the cannot-write message naming
// the file or folder, any other failure the write error (BreakCode Break).
bool WriteArchiveDescription(app::Workspace& workspace, const std::string& utf8Text);

// The number the archive dialog keeps when a new archive is cancelled: the number
// had been advanced for it, so it goes back by one (never below 1).
inline std::int32_t NumberAfterCancel(std::int32_t number)
{
    return number > 1 ? number - 1 : number;
}

} // namespace vedra::indexing
