// The archive's editable list files ("FIL.", "DIR.", "NIN.", "SCM.", "CMP.",
// "FMM.") as the filters page shows and saves them. The files are cp1252 text,
// each entry followed by CR LF; the page edits UTF-8 text, one entry a line. Every
// search and indexing run loads the lists afresh from these files, so a saved list
// is what the next one uses.
#pragma once

#include "core/archive/ArchiveFiles.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// The list slots in the order the page offers them.
inline constexpr std::array<int, 6> kEditableListSlots = {
    archive::SlotTextExtensions,       archive::SlotExcludedFolders,      archive::SlotStopWords,
    archive::SlotConvertedExtensions, archive::SlotCompressedExtensions, archive::SlotMediaExtensions};

// True for a slot of kEditableListSlots.
bool IsEditableListSlot(int slot);

// The file bytes as the page shows them: one line per line of the file, its CR
// dropped; a line that is valid UTF-8 is taken as UTF-8, any other as cp1252.
std::string ListTextForDisplay(std::string_view fileBytes);

// The page's text as the file is written: each line converted to cp1252 (a
// character without a cp1252 form becomes a blank), trailing blanks, tabs and CRs
// cut, empty lines dropped, and every entry followed by CR LF.
std::string ListFileBytes(std::string_view displayText);

// The current archive's file of `slot`, read for display; an empty text for a list
// file that does not exist yet. nullopt without a current archive, for a slot that
// is not an editable list, or when the file exists but cannot be read.
std::optional<std::string> ReadListFile(app::Workspace& workspace, int slot);

// Writes `displayText` (as ListFileBytes makes it) over the current archive's file
// of `slot`, through a temporary file and a rename. False when nothing was
// written: without a current archive MsgNeedArchive is shown; a file that cannot be
// written (an archive on read-only media, a full disk) shows MsgWriteError and sets
// BreakCode Break, and the old file stays as it was.
bool SaveListFile(app::Workspace& workspace, int slot, std::string_view displayText);

// Whether the current archive's "FIL." (as much of it as is read) holds the
// more-types marker (MoreTypes.h); false without a current archive or list file.
bool CurrentArchiveReadsMoreTypes(app::Workspace& workspace);

} // namespace vedra::indexing
