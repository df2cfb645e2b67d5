// The breadth-first walk of a folder tree that lists files and folders (the
// archive dialog's Dir and Files, the direct search on disk) or looks for a
// program by name. Its queue of folders is a work file, "CartelleRicerca.vedra",
// not "PTH." and not the C++ stack, so a deep or wide tree costs no memory.
#pragma once

#include "core/indexing/PatternFilter.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

class ArchiveLists;

enum class DiskScanMode {
    List,           // report files (and folders) through the callbacks
    LocateProgram,  // find an executable file by its exact name
};

// Whether a listed file can be opened and read, as the text search would.
enum class FileAccess { Readable, CannotOpen, CannotRead };

// A first look at a file made away from the walking thread: whether it can be
// opened and read, and whether acceptFile could take it.
enum class FileScreen { CannotOpen, CannotRead, NoHit, MayHit };

struct DiskScanOptions {
    // A folder with a trailing '/', or a folder and a file mask ("/data/*.txt",
    // "/data/notes.txt"); the mask picks files only, so sub-folders are still
    // walked. "*.*" matches every name, with or without a dot.
    std::string start;
    DiskScanMode mode = DiskScanMode::List;

    // Files are tested with HasIndexableText and PassesFolderFilter only when this
    // is on; in List mode it also decides whether files are reported at all.
    bool listFiles = true;
    // List mode: every sub-folder added to the walk is reported through onFolder.
    bool listFolders = false;
    // The caller picks the search or the indexing set of patterns (see runMode).
    PatternFilter fileFilter;
    PatternFilter folderFilter;
    // Passed to HasIndexableText: 0 when no indexing run is going on.
    int runMode = 0;

    // List mode. onFile gets the path and size of each file listed. With
    // acceptFile set (the caller searches each file's text for the query words),
    // the file is first checked with checkAccess: a file that cannot be opened is
    // reported as onFile(path + " IMPOSSIBILE APRIRE", size), one that cannot be
    // read as onFile(path + " IMPOSSIBILE LEGGERE I DATI", size), and acceptFile is
    // not asked; otherwise it is listed when acceptFile returns true. Without
    // acceptFile no file is opened and every file that passes is listed.
    std::function<void(const std::string& path, std::uint64_t sizeBytes)> onFile;
    std::function<void(const std::string& path)> onFolder;
    std::function<bool(const std::string& path)> acceptFile;
    // Replaceable so tests can make a file fail; empty means the real check (open
    // read-only, read one byte).
    std::function<FileAccess(const std::string& path)> checkAccess;
    // List mode with acceptFile (and no checkAccess, no listFolders): each file is
    // first looked at by screenFile on `screenThreads` worker threads, running ahead
    // of the walk, so reading and scanning use every core while this thread walks,
    // pumps and lists. CannotOpen and CannotRead give the rows with their suffixes,
    // NoHit leaves the file out, MayHit asks acceptFile here; the rows come in the
    // walk's order all the same. screenFile must be safe to call from several
    // threads at once and must not touch the workspace. A Break stops the workers
    // at their current file.
    std::function<FileScreen(const std::string& path)> screenFile;
    int screenThreads = 2;

    // LocateProgram mode: the wanted file name (compared exactly, case included),
    // and a file waiting to be opened with the program; when that is set each hit
    // is put to the user (MsgConfirmReadWith) and only Yes takes it.
    std::string programName;
    std::string fileToOpen;
};

struct DiskScanResult {
    bool started = false;          // the work file could be made
    bool completed = false;        // every queued folder was walked
    bool workFileFailed = false;   // a folder could not be queued: the walk stopped there
    std::uint64_t folderCount = 0; // sub-folders added to the walk
    std::uint64_t fileCount = 0;   // files met (matching the mask)
    std::string foundProgram;      // LocateProgram: the path taken, empty when none
};

class DiskScan {
public:
    DiskScan(app::Workspace& workspace, const ArchiveLists& lists);

    // Walks options.start breadth first, entries of each folder in byte order of
    // their names. Skipped: names beginning with '.', links to folders (no loops),
    // /proc, /sys, /dev, /run and anything but folders and regular files (a FIFO
    // would block the check). A sub-folder is added unless IsFolderExcluded (its
    // path) or IsSubfolderExcluded (its name, the folder filter) says so; the start
    // folder itself is always walked.
    //
    // Messages are pumped before each entry (Escape confirmed sets BreakCode Suspend) and
    // the walk stops as soon as BreakCode is not None; a scan begun with BreakCode set
    // walks nothing. Taking a program ends the walk through BreakCode Break, as the
    // program does, but the caller's BreakCode is put back afterwards: a found
    // program is a result, not a stop request; only a user's Break stays set.
    // The work file (in RedirectFolder when set, else WorkingFolder) is deleted at
    // the end, on a stop too.
    DiskScanResult run(const DiskScanOptions& options);

    static constexpr const char* kWorkFileName = "CartelleRicerca.vedra";
    // Where run() keeps its queue for this workspace.
    static std::string workFilePath(const app::Workspace& workspace);

private:
    app::Workspace& m_workspace;
    const ArchiveLists& m_lists;
};

} // namespace vedra::indexing
