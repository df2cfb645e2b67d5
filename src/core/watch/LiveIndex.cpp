#include "core/watch/LiveIndex.h"

#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexFolder.h"
#include "core/indexing/UnpackFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vedra::watch {
namespace {

using Clock = std::chrono::steady_clock;

std::string watchLimitText()
{
    std::ifstream in("/proc/sys/fs/inotify/max_user_watches");
    std::string value;
    in >> value;
    return value.empty() ? std::string("unknown") : value;
}

std::string parentOf(const std::string& folder)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}

} // namespace

void BeQuiet()
{
    ::setpriority(PRIO_PROCESS, 0, 19);
    // ioprio_set(IOPRIO_WHO_PROCESS, self, IOPRIO_CLASS_IDLE << 13): no glibc wrapper.
    constexpr int kWhoProcess = 1;
    constexpr int kClassIdle = 3;
    ::syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << 13);
}

bool IsMountPoint(const std::string& path)
{
    struct stat self {}, parent {};
    if (::stat(path.c_str(), &self) != 0 || ::stat(parentOf(path).c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev;
}

LiveIndex::LiveIndex(app::Workspace& workspace, LiveIndexSettings settings, std::function<void(const std::string&)> say)
    : m_workspace(workspace), m_settings(std::move(settings)), m_say(std::move(say)),
      m_watcher([this](const std::string& folder) { return accepts(folder); })
{
    if (::pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
}

LiveIndex::~LiveIndex()
{
    for (int fd : {m_wake[0], m_wake[1], m_mounts})
        if (fd >= 0)
            ::close(fd);
}

void LiveIndex::wake()
{
    if (m_wake[1] >= 0) {
        [[maybe_unused]] ssize_t written = ::write(m_wake[1], "x", 1);
    }
}

void LiveIndex::stop()
{
    m_stop = true;
    wake();
}

void LiveIndex::pause()
{
    m_pauseAsked = true;
    wake();
}

void LiveIndex::resume()
{
    m_resumeAsked = true;
    wake();
}

bool LiveIndex::accepts(const std::string& folder) const
{
    std::string_view name = folder;
    name.remove_suffix(1);
    name = name.substr(name.rfind('/') + 1);
    // Hidden folders are not walked by a run either.
    if (name.empty() || name.front() == '.')
        return false;
    for (const std::string& own : m_ownFolders)
        if (folder.starts_with(own))
            return false;
    if (indexing::IsOwnUnpackFolder(folder))
        return false;
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        const indexing::IndexedFolder& entry = m_folders[i];
        if (entry.subfolders && folder.starts_with(entry.folder) && folder != entry.folder && !m_excludes[i](folder))
            return true;
    }
    return false;
}

bool LiveIndex::start()
{
    app::Workspace& ws = m_workspace;
    if (m_settings.archives.empty()) {
        if (!ws.hasCurrentArchive()) {
            m_say("no current archive: create one (vedra create NAME) or name one with --archive");
            return false;
        }
        m_settings.archives.push_back(ws.ArchiveNumber);
    }
    m_userArchive = ws.hasCurrentArchive() ? ws.ArchiveNumber : -1;
    const std::vector<indexing::IndexedFolder> listed =
        indexing::readIndexedFolders(ws.WorkingFolder + std::string(indexing::kIndexedFoldersName));
    m_ownFolders = {ws.WorkingFolder};
    std::vector<std::shared_ptr<indexing::ArchiveLists>> lists;
    for (int number : m_settings.archives) {
        if (!ws.OpenArchive(number)) {
            m_say("archive " + std::to_string(number) + " does not exist");
            return false;
        }
        m_ownFolders.push_back(ws.ArchiveFolder);
        if (!ws.RedirectFolder.empty())
            m_ownFolders.push_back(ws.RedirectFolder);
        auto archiveLists = std::make_shared<indexing::ArchiveLists>();
        archive::ArchiveStore& store = ws.store();
        if (store.open())
            archiveLists->load(store);
        store.close();
        std::size_t before = m_folders.size();
        if (!m_settings.folders.empty()) {
            for (const std::string& given : m_settings.folders) {
                std::optional<std::string> folder = indexing::IndexStartPath(given);
                if (!folder || folder->back() != '/') {
                    m_say("'" + given + "' is not a folder");
                    return false;
                }
                indexing::addIndexedFolder(m_folders, {.archive = number, .folder = *folder});
            }
        } else {
            for (const indexing::IndexedFolder& entry : listed)
                if (entry.archive == number)
                    m_folders.push_back(entry);
        }
        if (m_folders.size() == before)
            m_say("archive " + std::to_string(number) +
                  " was not indexed from any folder yet: index one (vedra index PATH) or name the folders to watch");
        while (lists.size() < m_folders.size())
            lists.push_back(archiveLists);
    }
    // The program's own files change with every batch: a tree that holds them
    // would wake the watcher for ever.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        const std::string& folder = m_folders[i].folder;
        auto own = std::find_if(m_ownFolders.begin(), m_ownFolders.end(),
                                [&](const std::string& mine) { return folder.starts_with(mine); });
        if (own != m_ownFolders.end()) {
            m_say(folder + " holds the program's own files (" + *own + "): it is not watched");
            continue;
        }
        m_folders[kept] = m_folders[i];
        lists[kept++] = lists[i];
    }
    m_folders.resize(kept);
    lists.resize(kept);
    restoreUserArchive();
    if (m_folders.empty())
        return false;
    for (const auto& archiveLists : lists)
        m_excludes.push_back([archiveLists](const std::string& folder) {
            std::string_view path = folder;
            path.remove_suffix(1);
            std::string_view name = path.substr(path.rfind('/') + 1);
            return !archiveLists->NameExclusionEntry(app::lowerAscii(std::string(name))).empty() ||
                   !archiveLists->FolderExclusionEntry(folder).empty();
        });

    if (!m_watcher.open()) {
        m_say(std::string("cannot watch folders: ") + std::strerror(errno));
        return false;
    }
    m_state.pid = static_cast<int>(::getpid());
    m_state.archives = m_settings.archives;
    publish(WatchPhase::Starting);
    for (const indexing::IndexedFolder& entry : m_folders) {
        if (!m_watcher.addRoot(entry.folder))
            m_say("cannot watch " + entry.folder + ": " + std::strerror(errno) + " (it is watched when it comes back)");
    }
    if (std::uint64_t shortfall = m_watcher.limitShortfall()) {
        std::uint64_t needed = m_watcher.watchedFolders() + shortfall;
        m_state.error = std::to_string(shortfall) + " folders are not watched: fs.inotify.max_user_watches is " +
                        watchLimitText() + ", these folders need at least " + std::to_string(needed) +
                        " (sysctl fs.inotify.max_user_watches=" + std::to_string(needed + needed / 4) + ")";
        m_say(m_state.error);
    }
    // A disk mounted or unmounted changes this file: poll(2) says so, without a timer.
    m_mounts = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    ChangeSet none;
    m_watcher.mountsChanged(none);
    if (m_settings.rescanAtStart) {
        m_changes.rescanAll();
        m_state.message = "reading the watched folders for changes made while no watcher ran";
        m_say(m_state.message);
    }
    m_state.folders = m_watcher.watchedFolders();
    m_say("watching " + std::to_string(m_state.folders) + " folders for archive" +
          (m_settings.archives.size() > 1 ? "s" : "") + " " + [&] {
              std::string numbers;
              for (int number : m_settings.archives)
                  numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
              return numbers;
          }());
    return true;
}

void LiveIndex::restoreUserArchive()
{
    // The archive the user made current stays so when the program ends and
    // saves it, whichever archives the batches opened.
    if (m_userArchive >= 0 && m_workspace.ArchiveNumber != m_userArchive)
        m_workspace.OpenArchive(m_userArchive);
}

void LiveIndex::publish(WatchPhase phase)
{
    m_state.phase = phase;
    m_state.folders = m_watcher.watchedFolders();
    m_state.pending = m_changes.size();
    if (!m_statePath.empty())
        writeWatchState(m_statePath, m_state);
}

int LiveIndex::run()
{
    Clock::time_point firstEvent{}, lastEvent{}, retryAt{};
    bool gathering = !m_changes.empty();
    if (gathering)
        firstEvent = lastEvent = Clock::now() - m_settings.longest;
    bool overflowSaid = false;
    int busyTries = 0;
    publish(gathering ? WatchPhase::Starting : WatchPhase::Watching);
    while (!m_stop) {
        if (m_pauseAsked.exchange(false) && !m_paused) {
            m_paused = true;
            m_say("paused: changes are gathered and run on resume");
            publish(WatchPhase::Paused);
        }
        if (m_resumeAsked.exchange(false) && m_paused) {
            m_paused = false;
            m_say("resumed");
            publish(m_state.error.empty() ? WatchPhase::Watching : WatchPhase::Error);
        }
        int timeout = -1;
        const Clock::time_point now = Clock::now();
        Clock::time_point due{};
        if (!m_changes.empty() && !m_paused) {
            due = std::min(lastEvent + m_settings.quiet, firstEvent + m_settings.longest);
            due = std::max(due, retryAt);
            timeout = due <= now ? 0
                                 : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
        }
        if (timeout == 0) {
            runBatch();
            if (!m_changes.empty()) {
                // Left for later: a manual run holds an archive. Each try that
                // finds it still held waits twice as long, up to half a minute.
                retryAt = Clock::now() + std::min(m_settings.busyRetry * (1 << std::min(busyTries, 5)),
                                                  std::chrono::milliseconds(30000));
                ++busyTries;
            } else {
                busyTries = 0;
            }
            overflowSaid = false;
            continue;
        }
        struct pollfd fds[3] = {{m_watcher.fd(), POLLIN, 0}, {m_wake[0], POLLIN, 0}, {m_mounts, POLLPRI, 0}};
        int ready = ::poll(fds, m_mounts >= 0 ? 3 : 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            m_say(std::string("poll: ") + std::strerror(errno));
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        const bool wasEmpty = m_changes.empty();
        const bool events = (fds[0].revents & POLLIN) != 0;
        if (events)
            m_watcher.readEvents(m_changes);
        if (m_mounts >= 0 && (fds[2].revents & (POLLPRI | POLLERR))) {
            if (std::size_t added = m_watcher.mountsChanged(m_changes))
                m_say(std::to_string(added) + " disks mounted in the watched folders: reading them");
        }
        if (m_changes.size() > m_settings.pendingLimit) {
            m_changes.take();
            m_changes.rescanAll();
        }
        if (m_changes.rescanRequested() && !overflowSaid) {
            overflowSaid = true;
            m_state.message = "events were lost (too many changes at once): reading the watched folders again";
            m_say(m_state.message);
        }
        if (events && !m_changes.empty()) {
            lastEvent = Clock::now();
            if (wasEmpty) {
                firstEvent = lastEvent;
                publish(m_paused ? WatchPhase::Paused : WatchPhase::Watching);
            }
        }
    }
    publish(WatchPhase::Stopped);
    return 0;
}

void LiveIndex::runBatch()
{
    app::Workspace& ws = m_workspace;
    bool rescan = false;
    std::map<std::string, FolderChange> changes = m_changes.take(&rescan);
    m_state.pending = changes.size();
    publish(WatchPhase::Updating);
    const Clock::time_point started = Clock::now();
    std::uint64_t folders = 0, files = 0;
    bool busy = false, failed = false;
    std::string error;
    // What could not run goes back into the set, for the next try.
    auto putBack = [&](const std::string& folder, const FolderChange& change) {
        if (change.tree)
            m_changes.treeAppeared(folder);
        if (change.files)
            m_changes.fileChanged(folder);
        if (change.foldersGone)
            m_changes.folderGone(folder);
    };
    for (int number : m_settings.archives) {
        struct Run {
            std::string folder;
            indexing::IndexingOptions options;
        };
        std::vector<Run> runs;
        for (const indexing::IndexedFolder& entry : m_folders) {
            if (entry.archive != number)
                continue;
            if (rescan) {
                indexing::IndexingOptions options;
                options.subfolders = entry.subfolders;
                options.unpack = entry.unpack;
                runs.push_back({entry.folder, options});
                continue;
            }
            for (const auto& [folder, change] : changes) {
                if (!indexing::takesIn(entry, number, folder))
                    continue;
                // The same folder may lie in two of the archive's entries only
                // when one of them does not take sub-folders: the first one runs it.
                if (std::any_of(runs.begin(), runs.end(), [&folder = folder](const Run& run) { return run.folder == folder; }))
                    continue;
                indexing::IndexingOptions options;
                options.unpack = entry.unpack;
                options.subfolders = change.tree && entry.subfolders;
                options.removeGoneSubfolders = change.foldersGone && entry.subfolders;
                options.emptyStartRemoves = folder != entry.folder && !IsMountPoint(folder);
                runs.push_back({folder, options});
            }
        }
        if (runs.empty())
            continue;
        if (!ws.OpenArchive(number)) {
            failed = true;
            error = "archive " + std::to_string(number) + " cannot be opened";
            continue;
        }
        for (const Run& run : runs) {
            if (m_stop || busy)
                break;
            indexing::IndexFolderResult result =
                indexing::IndexFolder(ws, run.folder, indexing::IndexCommand::Normal, run.options);
            switch (result.status) {
            case indexing::IndexStatus::Done:
                ++folders;
                files += result.counters.newDocuments + result.counters.filesUpdated + result.counters.filesRemoved;
                break;
            case indexing::IndexStatus::MissingPath:
                break;  // gone again: its parent's change covers it
            case indexing::IndexStatus::Busy:
                busy = true;
                break;
            case indexing::IndexStatus::Stopped:
                break;
            case indexing::IndexStatus::NoArchive:
            case indexing::IndexStatus::CannotOpen:
                failed = true;
                error = "archive " + std::to_string(number) + " could not be written";
                break;
            }
        }
        if (busy || m_stop)
            break;
    }
    ws.BreakCode = app::StopCode::None;
    restoreUserArchive();
    if (busy || m_stop) {
        // Every archive runs the whole batch again later: a folder found unchanged costs little.
        if (rescan)
            m_changes.rescanAll();
        for (const auto& [folder, change] : changes)
            putBack(folder, change);
        if (busy && !m_stop) {
            m_state.message = "an archive is being written by another run: the batch waits for it";
            publish(WatchPhase::Watching);
        }
        return;
    }
    m_state.batches += 1;
    m_state.lastBatchTime = static_cast<std::int64_t>(std::time(nullptr));
    m_state.lastBatchSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    m_state.lastBatchFolders = folders;
    m_state.lastBatchFiles = files;
    if (failed) {
        m_state.error = error;
        m_say(error);
    } else if (m_watcher.limitShortfall() == 0) {
        m_state.error.clear();
    }
    if (rescan)
        m_state.message.clear();
    publish(m_state.error.empty() ? WatchPhase::Watching : WatchPhase::Error);
    if (m_batchObserver)
        m_batchObserver(m_state);
}

} // namespace vedra::watch
