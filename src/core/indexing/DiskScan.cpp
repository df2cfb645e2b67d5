// The disk scan: a work-file queue of folders, each folder's entries sorted, the
// classification tests of ArchiveLists, and the two modes.
#include "core/indexing/DiskScan.h"

#include "core/app/FolderListing.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveLists.h"
#include "core/io/FileHandle.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <fnmatch.h>
#include <optional>
#include <system_error>
#include <vector>

namespace vedra::indexing {
namespace {

// The program's own stop code for "a program was taken".
// The queue is read back in blocks of this size, as the program reads it.
constexpr std::size_t kQueueReadBytes = 512;
// Longer paths cannot be opened (PATH_MAX); such a folder is not queued.
constexpr std::size_t kMaxPathBytes = 4095;

constexpr const char* kCannotOpenSuffix = " IMPOSSIBILE APRIRE";
constexpr const char* kCannotReadSuffix = " IMPOSSIBILE LEGGERE I DATI";

bool isKernelTree(std::string_view folder)
{
    for (std::string_view prefix : {"/proc/", "/sys/", "/dev/", "/run/"})
        if (folder.starts_with(prefix))
            return true;
    return false;
}

// The entries of a folder, names beginning with '.' left out, sorted by name in
// byte order. A link counts as a file only when it leads to a regular file; a link
// to a folder is never entered. A folder that cannot be opened lists nothing.
std::vector<app::ListedEntry> listFolder(const std::string& folder)
{
    app::ListingOptions options;
    options.dotNames = app::DotNames::Skip;
    options.links = app::SymbolicLinks::FilesOnly;
    options.unreadable = app::UnreadableEntries::Skip;
    return app::listFolder(folder, options).entries;
}

bool matchesMask(const std::string& mask, const std::string& name)
{
    if (mask == "*.*" || mask == "*")
        return true;
    int flags = 0;
#ifdef FNM_CASEFOLD
    // Masks come from a case-blind world: "*.TXT" means text files.
    flags |= FNM_CASEFOLD;
#endif
    return ::fnmatch(mask.c_str(), name.c_str(), flags) == 0;
}

FileAccess realAccessCheck(const std::string& path)
{
    auto handle = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!handle)
        return FileAccess::CannotOpen;
    char byte = 0;
    if (handle->readAt(0, &byte, 1) < 0)
        return FileAccess::CannotRead;
    return FileAccess::Readable;
}

bool isSkippedProgramPath(const std::string& path)
{
    std::string lowered = app::lowerAscii(path);
    return lowered.find("pack") != std::string::npos || lowered.find("uninst") != std::string::npos ||
           lowered.find('$') != std::string::npos;
}

// The queue of folders still to walk: NUL-terminated paths appended at the end
// and read from a moving position. The file is deleted when this goes away.
class FolderQueue {
public:
    explicit FolderQueue(std::string path) : m_path(std::move(path)) {}
    ~FolderQueue()
    {
        m_file.reset();
        if (m_created) {
            std::error_code ignored;
            std::filesystem::remove(m_path, ignored);
        }
    }
    FolderQueue(const FolderQueue&) = delete;
    FolderQueue& operator=(const FolderQueue&) = delete;

    bool create()
    {
        m_file = io::FileHandle::open(m_path, io::OpenMode::CreateTruncate);
        m_created = m_file.has_value();
        return m_created;
    }

    bool push(const std::string& folder)
    {
        std::string record = folder;
        record += '\0';
        if (!m_file->writeAt(m_writeOffset, record))
            return false;
        m_writeOffset += record.size();
        return true;
    }

    // The next queued folder; empty when the queue is done or cannot be read.
    std::optional<std::string> pop()
    {
        std::string folder;
        char block[kQueueReadBytes];
        for (;;) {
            std::int64_t got = m_file->readAt(m_readOffset + folder.size(), block, sizeof block);
            if (got <= 0)
                return std::nullopt;
            auto count = static_cast<std::size_t>(got);
            if (const void* nul = std::memchr(block, '\0', count)) {
                folder.append(block, static_cast<std::size_t>(static_cast<const char*>(nul) - block));
                m_readOffset += folder.size() + 1;
                if (folder.empty())
                    return std::nullopt;
                return folder;
            }
            folder.append(block, count);
        }
    }

private:
    std::string m_path;
    std::optional<io::FileHandle> m_file;
    bool m_created = false;
    std::uint64_t m_readOffset = 0;
    std::uint64_t m_writeOffset = 0;
};

// Files screened ahead of the walk by worker threads. The walking thread pushes
// files in walk order and takes them back from the front once screened, so the
// rows keep the walk's order whatever thread finishes first.
class ScreenPool {
public:
    struct Job {
        std::string path;
        std::uint64_t sizeBytes = 0;
        FileScreen verdict = FileScreen::NoHit;
        bool done = false;  // guarded by the pool's mutex
    };

    ScreenPool(std::function<FileScreen(const std::string&)> screen, int threads) : m_screen(std::move(screen))
    {
        for (int i = 0; i < std::max(threads, 1); ++i)
            m_threads.emplace_back([this] { work(); });
    }
    ~ScreenPool() { stop(); }
    ScreenPool(const ScreenPool&) = delete;
    ScreenPool& operator=(const ScreenPool&) = delete;

    void push(std::string path, std::uint64_t sizeBytes)
    {
        // A deque keeps the address of every job a worker holds while others are added.
        m_jobs.push_back(Job{std::move(path), sizeBytes});
        {
            std::lock_guard lock(m_mutex);
            m_todo.push_back(&m_jobs.back());
        }
        m_workReady.notify_one();
    }

    std::size_t size() const { return m_jobs.size(); }
    bool empty() const { return m_jobs.empty(); }
    Job& front() { return m_jobs.front(); }
    void popFront() { m_jobs.pop_front(); }

    bool frontDone()
    {
        std::lock_guard lock(m_mutex);
        return m_jobs.front().done;
    }

    // Waits for the front job, pumping messages meanwhile; false when a Break came.
    bool waitFront(app::Workspace& workspace)
    {
        std::unique_lock lock(m_mutex);
        while (!m_jobs.front().done) {
            m_frontDone.wait_for(lock, std::chrono::milliseconds(10));
            if (m_jobs.front().done)
                break;
            lock.unlock();
            workspace.PumpPendingMessages(app::StopCode::Suspend);
            if (workspace.BreakCode != app::StopCode::None)
                return false;
            lock.lock();
        }
        return true;
    }

    // Workers leave after the file in hand; jobs not screened stay undone.
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_todo.clear();
        }
        m_workReady.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

private:
    void work()
    {
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_workReady.wait(lock, [this] { return m_stopping || !m_todo.empty(); });
                if (m_stopping)
                    return;
                job = m_todo.front();
                m_todo.pop_front();
            }
            FileScreen verdict = m_screen(job->path);
            {
                std::lock_guard lock(m_mutex);
                job->verdict = verdict;
                job->done = true;
            }
            m_frontDone.notify_one();
        }
    }

    std::function<FileScreen(const std::string&)> m_screen;
    std::deque<Job> m_jobs;   // the walking thread's, in walk order
    std::deque<Job*> m_todo;  // not yet taken by a worker
    std::mutex m_mutex;
    std::condition_variable m_workReady;
    std::condition_variable m_frontDone;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// How many screened files may wait ahead of the rows: enough to keep the workers
// busy across small folders, few enough that a Break wastes little reading.
constexpr std::size_t kScreenWindow = 256;

} // namespace

DiskScan::DiskScan(app::Workspace& workspace, const ArchiveLists& lists) : m_workspace(workspace), m_lists(lists) {}

std::string DiskScan::workFilePath(const app::Workspace& workspace)
{
    const std::string& folder = workspace.RedirectFolder.empty() ? workspace.WorkingFolder : workspace.RedirectFolder;
    return app::withTrailingSlash(folder) + kWorkFileName;
}

DiskScanResult DiskScan::run(const DiskScanOptions& options)
{
    DiskScanResult result;
    if (options.start.empty())
        return result;

    std::string startFolder = options.start;
    std::string mask = "*.*";
    if (startFolder.back() != '/') {
        std::size_t slash = startFolder.rfind('/');
        mask = slash == std::string::npos ? startFolder : startFolder.substr(slash + 1);
        startFolder = slash == std::string::npos ? std::string() : startFolder.substr(0, slash + 1);
    }

    FolderQueue queue(workFilePath(m_workspace));
    if (!queue.create() || !queue.push(startFolder))
        return result;
    result.started = true;

    const app::StopCode callerBreak = m_workspace.BreakCode;
    bool taken = false;
    const auto check = options.checkAccess ? options.checkAccess : realAccessCheck;

    std::optional<ScreenPool> pool;
    if (options.mode == DiskScanMode::List && options.listFiles && !options.listFolders && options.acceptFile &&
        options.screenFile && !options.checkAccess && options.screenThreads > 0)
        pool.emplace(options.screenFile, options.screenThreads);
    // Lists the screened files at the front, waiting for them while more than
    // `waitAbove` files are queued.
    auto listScreened = [&](std::size_t waitAbove) {
        while (!pool->empty() && m_workspace.BreakCode == app::StopCode::None) {
            if (!pool->frontDone() && (pool->size() <= waitAbove || !pool->waitFront(m_workspace)))
                return;
            const ScreenPool::Job& job = pool->front();
            switch (job.verdict) {
            case FileScreen::CannotOpen:
            case FileScreen::CannotRead:
                if (options.onFile)
                    options.onFile(job.path + (job.verdict == FileScreen::CannotOpen ? kCannotOpenSuffix
                                                                                     : kCannotReadSuffix),
                                   job.sizeBytes);
                break;
            case FileScreen::NoHit:
                break;
            case FileScreen::MayHit:
                if (options.acceptFile(job.path) && options.onFile)
                    options.onFile(job.path, job.sizeBytes);
                break;
            }
            pool->popFront();
        }
    };

    while (m_workspace.BreakCode == app::StopCode::None && !result.workFileFailed) {
        std::optional<std::string> folder = queue.pop();
        if (!folder) {
            result.completed = true;
            break;
        }
        if (isKernelTree(*folder))
            continue;
        for (const app::ListedEntry& entry : listFolder(*folder)) {
            m_workspace.PumpPendingMessages(app::StopCode::Suspend);
            if (m_workspace.BreakCode != app::StopCode::None)
                break;
            std::string path = *folder + entry.name;

            if (entry.kind == app::EntryKind::Folder) {
                path += '/';
                if (path.size() > kMaxPathBytes || isKernelTree(path) || m_lists.IsFolderExcluded(path) ||
                    m_lists.IsSubfolderExcluded(entry.name, options.folderFilter, *folder))
                    continue;
                if (!queue.push(path)) {
                    result.workFileFailed = true;
                    break;
                }
                ++result.folderCount;
                if (options.mode == DiskScanMode::List && options.listFolders && options.onFolder)
                    options.onFolder(path);
                continue;
            }

            if (!matchesMask(mask, entry.name))
                continue;
            ++result.fileCount;
            if (options.listFiles &&
                (!m_lists.HasIndexableText(app::lowerAscii(entry.name), options.fileFilter, options.runMode) ||
                 !PassesFolderFilter(*folder, options.folderFilter)))
                continue;

            if (options.mode == DiskScanMode::LocateProgram) {
                if (entry.name != options.programName || isSkippedProgramPath(path) || !app::isExecutableFile(path))
                    continue;
                if (!options.fileToOpen.empty() &&
                    m_workspace.showMessage(app::MessageKey::MsgConfirmReadWith, app::MessageButtons::YesNo,
                                            {options.fileToOpen, path}) != app::MessageAnswer::Yes)
                    continue;
                result.foundProgram = path;
                taken = true;
                m_workspace.BreakCode = app::StopCode::Break;
                break;
            }

            if (!options.listFiles)
                continue;
            if (pool) {
                pool->push(std::move(path), entry.sizeBytes);
                listScreened(kScreenWindow);
                continue;
            }
            if (options.acceptFile) {
                FileAccess access = check(path);
                if (access != FileAccess::Readable) {
                    if (options.onFile)
                        options.onFile(path + (access == FileAccess::CannotOpen ? kCannotOpenSuffix : kCannotReadSuffix),
                                       entry.sizeBytes);
                    continue;
                }
                if (!options.acceptFile(path))
                    continue;
            }
            if (options.onFile)
                options.onFile(path, entry.sizeBytes);
        }
    }

    if (pool) {
        listScreened(0);
        pool->stop();
    }
    if (taken)
        m_workspace.BreakCode = callerBreak;
    return result;
}

} // namespace vedra::indexing
