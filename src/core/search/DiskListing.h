// The archive dialog's Dir and Files: every folder, or every file, below a root
// folder listed in the result list by name, through the disk scan. On Linux the
// dialog's disk field names a root folder rather than a drive letter.
#pragma once

#include <cstddef>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class ResultList;

enum class DiskListingKind { Folders, Files };

// Appends one row per folder (Folders) or per file (Files, mask "*.*") found
// below `root`, walked breadth first with the archive's folder exclusions when an
// archive is current. An empty root means "/". The walk pumps messages and stops
// on BreakCode, keeping the rows listed so far. Returns the rows added.
std::size_t ListDiskRoot(app::Workspace& workspace, ResultList& results, const std::string& root,
                         DiskListingKind kind);

} // namespace vedra::search
