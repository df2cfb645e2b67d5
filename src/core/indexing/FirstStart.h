// What an installed program does the first time it starts (no catalogue in its
// working folder): it makes the archive "DOCUMENTI" and indexes the machine's
// documentation into it with unpacking on, since most of /usr/share/doc is
// compressed and without unpacking a new user would find a fifth of its text; and
// with the more-types rules (MoreTypes.h), since much of it is Markdown, e-books
// and files such as README.
#pragma once

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"

#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

inline constexpr const char* kFirstArchiveName = "documenti";
inline constexpr const char* kDocumentationFolder = "/usr/share/doc";

struct FirstStartResult {
    CreatedArchive archive;  // number -1 when none was made (its message has been shown)
    IndexFolderResult run;   // the run's counters, when the archive was made
};

// True when the working folder has no catalogue yet.
bool NeedsFirstStart(const app::Workspace& workspace);

// Creates the first archive and indexes `folder` into it (a normal run with
// unpacking; the run pumps through the host, so progress shows and Break stops
// it, keeping the resume point for the next run). Does nothing when a catalogue
// exists.
FirstStartResult RunFirstStart(app::Workspace& workspace, const std::string& folder,
                               const IndexFolderHooks& hooks = {});

} // namespace vedra::indexing
