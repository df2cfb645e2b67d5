// One indexing run as a user command starts it (the window's archive page, `vedra
// index`): the start path checked and completed, the current archive opened for
// indexing and closed again, and the counters summed up for the user. The run
// itself is IndexingRun's.
#pragma once

#include "core/indexing/IndexingRun.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// What the user asks for. An update is a normal run (with its resume point) whose
// rewritten records of changed files get the kind 'c', so that the result rows
// show them as updated; new files are added as in any run.
enum class IndexCommand { Normal, SingleFolder, Update };

enum class IndexStatus {
    Done,
    Stopped,      // Break, Ctrl-C or a confirmed Escape ended the run early
    NoArchive,    // no current archive: MsgNeedArchive has been shown
    MissingPath,  // the start path does not exist
    CannotOpen,   // the archive files would not open: MsgCannotLoadData has been shown, or
                  // MsgCannotWrite naming what the disk refuses to write (nothing changed)
    Busy,         // another process writes the archive: MsgArchiveBusy named it (nothing changed)
};

struct IndexFolderHooks {
    std::function<void(const IndexingCounters&)> onFile;                    // after every file
    std::function<void(const std::string& row, std::uint64_t size)> onRow;  // "ERRORE in DECOMPATTAZIONE ..."
    // The word watch: a document read by the run that registers one of these words
    // (up to ten, as the archive stores them) is reported once. None: no watch.
    std::vector<std::string> watchWords;
    std::function<void(const std::string& path)> onWatchedDocument;
};

struct IndexFolderResult {
    IndexStatus status = IndexStatus::Done;
    IndexingCounters counters;
    std::uint32_t totalDocuments = 0;  // documents in the archive after the run
    double seconds = 0;
};

// `path` made absolute and normal, a folder given its trailing '/'; none when it
// does not exist.
std::optional<std::string> IndexStartPath(const std::string& path);

// Runs `command` over `path` (a folder or one file) into the current archive. The
// run pumps messages through the workspace's host and stops when BreakCode is set;
// the archive files are closed afterwards in every case.
IndexFolderResult IndexFolder(app::Workspace& workspace, const std::string& path, IndexCommand command,
                              const IndexingOptions& options, const IndexFolderHooks& hooks = {});

// "Folders excluded: 37 (release 30, debug 7)": how many folders the
// excluded-folder list kept out of the run and which entries did it, the most
// active first, so that a user who misses documents knows which entry to edit.
std::string ExcludedFoldersLine(const app::Workspace& workspace, const IndexingCounters& counters);

// How many of the files not read the summary names; the rest only counted.
inline constexpr std::size_t kNotReadNamed = 5;

// The run's counters as the user reads them, one line each, labels from the
// message table in the workspace's language: folders scanned and indexed, folders
// excluded (ExcludedFoldersLine), file paths, new files with text, files with text,
// updated files, files not read (the first kNotReadNamed named below it, with
// their reason), words, total files, bytes read, elapsed seconds.
std::vector<std::string> IndexSummaryLines(const app::Workspace& workspace, const IndexFolderResult& result);

} // namespace vedra::indexing
