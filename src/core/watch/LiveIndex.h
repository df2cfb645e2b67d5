// The live index: archives kept up to date with the folders they were indexed
// from while the disk changes. Changes are gathered until the disk has been quiet
// for a moment, then run as one batch through the same incremental run as a
// manual update, folder by folder; nothing runs, and nothing wakes, while
// nothing changes. Events that were lost (a full queue, a watcher started late)
// are made up for by reading the trees again, which costs little where nothing
// changed.
#pragma once

#include "core/indexing/IndexedFolders.h"
#include "core/watch/FolderWatcher.h"
#include "core/watch/WatchState.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::watch {

struct LiveIndexSettings {
    std::vector<int> archives;         // empty: the current archive
    std::vector<std::string> folders;  // given: watched for every archive; empty: the indexed folders
    // A batch starts when no event came for `quiet`, or `longest` after its first event.
    std::chrono::milliseconds quiet{300};
    std::chrono::milliseconds longest{1500};
    // Changed folders a batch may gather; more count as lost events (a rescan),
    // which keeps the watcher's memory bounded during a flood.
    std::size_t pendingLimit = 50000;
    // A manual run holds the archive: the batch is tried again after this.
    std::chrono::milliseconds busyRetry{1000};
    bool rescanAtStart = true;
};

// Lower CPU and I/O priority for the calling process (nice 19, idle I/O class).
void BeQuiet();

// Whether `path` lies on a file system other than its parent folder's (a disk
// mounted there).
bool IsMountPoint(const std::string& path);

class LiveIndex {
public:
    // `say` gets each notice for the user (one line, no line end).
    LiveIndex(app::Workspace& workspace, LiveIndexSettings settings, std::function<void(const std::string&)> say);
    ~LiveIndex();

    // Reads the archives' folders and lists and sets up the watches. False, with
    // the reason said, when there is nothing to watch.
    bool start();
    // Watches and runs batches until stop() is asked for. 0 on a normal end.
    int run();

    // Safe from a signal handler: each sets a flag and wakes run().
    void stop();
    void pause();
    void resume();
    bool stopRequested() const { return m_stop.load(); }

    const WatchState& state() const { return m_state; }
    // Where the state is written; none when empty.
    void setStatePath(std::string path) { m_statePath = std::move(path); }
    // Called after every batch (tests wait for it).
    void setBatchObserver(std::function<void(const WatchState&)> observer) { m_batchObserver = std::move(observer); }

    // The folders watched for each archive after start().
    const std::vector<indexing::IndexedFolder>& watchedFolders() const { return m_folders; }

private:
    bool accepts(const std::string& folder) const;
    void runBatch();
    void publish(WatchPhase phase);
    void restoreUserArchive();
    void wake();

    app::Workspace& m_workspace;
    LiveIndexSettings m_settings;
    std::function<void(const std::string&)> m_say;
    std::function<void(const WatchState&)> m_batchObserver;
    std::vector<indexing::IndexedFolder> m_folders;
    // Per archive: the excluded-folder list's verdicts on a folder name.
    std::vector<std::function<bool(const std::string&)>> m_excludes;
    std::vector<std::string> m_ownFolders;  // the program's own, never watched
    FolderWatcher m_watcher;
    ChangeSet m_changes;
    WatchState m_state;
    std::string m_statePath;
    int m_wake[2] = {-1, -1};
    int m_mounts = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_pauseAsked{false};
    std::atomic<bool> m_resumeAsked{false};
    bool m_paused = false;
    int m_userArchive = -1;
};

} // namespace vedra::watch
