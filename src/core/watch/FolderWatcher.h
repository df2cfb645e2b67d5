// Folder trees watched through inotify. Every folder gets a watch of its own
// (inotify does not recurse); folders that appear are watched as they come,
// folders moved within the trees keep their watches under their new path, and
// folders that leave lose them. What the events mean for the archive is
// gathered in a ChangeSet: which folders to list again, and which whole trees.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

struct inotify_event;

namespace vedra::watch {

// A folder the next batch runs over.
struct FolderChange {
    bool files = false;         // its files changed: list it again, alone
    bool foldersGone = false;   // a sub-folder went: its documents go too
    bool tree = false;          // new to the watch (made, moved in): the whole tree is read
};

class ChangeSet {
public:
    void fileChanged(const std::string& folder) { m_folders[folder].files = true; }
    void folderGone(const std::string& parent) { m_folders[parent].foldersGone = true; }
    void treeAppeared(const std::string& folder) { m_folders[folder].tree = true; }
    // Events were lost: every watched tree is read again.
    void rescanAll() { m_rescanAll = true; }

    bool empty() const { return m_folders.empty() && !m_rescanAll; }
    bool rescanRequested() const { return m_rescanAll; }
    std::size_t size() const { return m_folders.size(); }
    // The changes, with a folder inside a tree that is read whole left out (its
    // tree covers it), in path order. Leaves the set empty.
    std::map<std::string, FolderChange> take(bool* rescanAll = nullptr);

private:
    std::map<std::string, FolderChange> m_folders;
    bool m_rescanAll = false;
};

class FolderWatcher {
public:
    // `accepts(folder)` says whether a folder (absolute, trailing '/') below a
    // watched root is watched at all; roots are always watched.
    explicit FolderWatcher(std::function<bool(const std::string& folder)> accepts = {});
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // The inotify instance; false (errno tells) when none can be made.
    bool open();
    int fd() const { return m_fd; }

    // Watches `root` and every accepted folder below it. Folders that cannot be
    // watched because the watch limit is reached are counted (limitShortfall).
    // False when the root itself is not a readable folder.
    bool addRoot(const std::string& root);
    const std::vector<std::string>& roots() const { return m_roots; }
    // After the mount table changed: a disk mounted on a folder of the trees (or
    // on a root) is watched anew and its tree read; a disk unmounted has lost
    // its watches and is left alone, so that its documents stay. Returns how
    // many mounts were taken in. The first call only learns the table.
    std::size_t mountsChanged(ChangeSet& changes);

    // Reads every event queued now (never blocks) into `changes`. A queue that
    // overflowed asks for a rescan of everything.
    void readEvents(ChangeSet& changes);

    std::size_t watchedFolders() const { return m_nodes.size(); }
    // Folders that would have been watched but for fs.inotify.max_user_watches.
    std::uint64_t limitShortfall() const { return m_shortfall; }
    // The path of a watched folder, from its watch descriptor ("" when unknown).
    std::string pathOf(int wd) const;

private:
    struct Node {
        int parent = -1;       // -1 for a root
        std::string name;      // the root's whole path for a root
        std::vector<int> children;
    };

    // Watches `folder` (its watch parented to `parent`) and the accepted folders
    // below it; returns the new watch descriptor or -1.
    int watchTree(const std::string& folder, int parent, const std::string& name);
    int addWatch(const std::string& folder, int parent, const std::string& name);
    void forget(int wd, bool removeWatch);
    int childNamed(int parent, const std::string& name) const;
    // The watch of a folder by its path; -1 when it has none.
    int nodeAt(const std::string& folder) const;
    void detach(int wd);
    void handle(const ::inotify_event& event, ChangeSet& changes);
    void finishMoves(ChangeSet& changes);

    std::function<bool(const std::string&)> m_accepts;
    int m_fd = -1;
    std::vector<std::string> m_roots;
    std::unordered_map<int, Node> m_nodes;
    std::uint64_t m_shortfall = 0;
    std::vector<std::string> m_mountPoints;  // sorted; empty before the first look
    bool m_mountsKnown = false;
    // A folder moved away, waiting for its other half in the same read.
    struct PendingMove {
        std::uint32_t cookie = 0;
        int wd = -1;
    };
    std::vector<PendingMove> m_movedAway;
};

} // namespace vedra::watch
