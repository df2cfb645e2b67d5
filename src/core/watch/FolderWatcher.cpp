#include "core/watch/FolderWatcher.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vedra::watch {
namespace {

// Content changes are seen at close (a file written in many calls is one event),
// and as writes too, for files changed in place without a close (truncate(2),
// mmap); times changed by hand come as attribute changes.
constexpr std::uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                     IN_MOVED_TO | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

bool isFolder(const std::string& parent, const struct dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    return ::lstat((parent + entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The sub-folders of `folder`, symbolic links left out (the walk does not follow them either).
std::vector<std::string> subfolders(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const struct dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (isFolder(folder, *entry))
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

std::uint64_t countTree(const std::string& folder, const std::function<bool(const std::string&)>& accepts)
{
    std::uint64_t count = 1;
    for (const std::string& name : subfolders(folder)) {
        std::string path = folder + name + '/';
        if (!accepts || accepts(path))
            count += countTree(path, accepts);
    }
    return count;
}

} // namespace

std::map<std::string, FolderChange> ChangeSet::take(bool* rescanAll)
{
    std::map<std::string, FolderChange> taken;
    taken.swap(m_folders);
    if (rescanAll != nullptr)
        *rescanAll = m_rescanAll;
    m_rescanAll = false;
    // Paths sort a tree's folders right after it: one pass drops those it covers.
    std::string tree;
    for (auto it = taken.begin(); it != taken.end();) {
        if (!tree.empty() && it->first.starts_with(tree) && it->first != tree) {
            it = taken.erase(it);
            continue;
        }
        if (it->second.tree)
            tree = it->first;
        ++it;
    }
    return taken;
}

FolderWatcher::FolderWatcher(std::function<bool(const std::string&)> accepts) : m_accepts(std::move(accepts)) {}

FolderWatcher::~FolderWatcher()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderWatcher::open()
{
    if (m_fd < 0)
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return m_fd >= 0;
}

bool FolderWatcher::addRoot(const std::string& root)
{
    std::string folder = root;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    if (std::find(m_roots.begin(), m_roots.end(), folder) != m_roots.end())
        return true;
    if (watchTree(folder, -1, folder) < 0)
        return false;
    m_roots.push_back(folder);
    return true;
}

int FolderWatcher::addWatch(const std::string& folder, int parent, const std::string& name)
{
    int wd = ::inotify_add_watch(m_fd, folder.c_str(), kWatchMask);
    if (wd < 0) {
        if (errno == ENOSPC)
            m_shortfall += countTree(folder, m_accepts);
        return -1;
    }
    // The same folder met twice (a move seen from both sides) keeps one node.
    if (m_nodes.contains(wd)) {
        detach(wd);
    }
    Node& node = m_nodes[wd];
    node.parent = parent;
    node.name = name;
    if (parent >= 0)
        m_nodes[parent].children.push_back(wd);
    return wd;
}

int FolderWatcher::watchTree(const std::string& folder, int parent, const std::string& name)
{
    int wd = addWatch(folder, parent, name);
    if (wd < 0)
        return -1;
    for (const std::string& sub : subfolders(folder)) {
        std::string path = folder + sub + '/';
        if (m_accepts && !m_accepts(path))
            continue;
        if (childNamed(wd, sub) < 0)
            watchTree(path, wd, sub);
    }
    return wd;
}

namespace {

std::vector<std::string> mountPoints()
{
    // The fifth field of each line, with the blanks and others escaped as \ooo.
    std::vector<std::string> points;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string field, point;
        for (int i = 0; i < 5 && fields >> field; ++i)
            point = field;
        std::string path;
        for (std::size_t i = 0; i < point.size(); ++i) {
            if (point[i] == '\\' && i + 3 < point.size() && std::isdigit(static_cast<unsigned char>(point[i + 1]))) {
                path += static_cast<char>(std::stoi(point.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                path += point[i];
            }
        }
        if (!path.empty())
            points.push_back(path.back() == '/' ? path : path + '/');
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

} // namespace

std::size_t FolderWatcher::mountsChanged(ChangeSet& changes)
{
    std::vector<std::string> now = mountPoints();
    std::vector<std::string> added;
    if (m_mountsKnown)
        std::set_difference(now.begin(), now.end(), m_mountPoints.begin(), m_mountPoints.end(),
                            std::back_inserter(added));
    m_mountPoints = std::move(now);
    m_mountsKnown = true;
    std::size_t taken = 0;
    for (const std::string& point : added) {
        for (const std::string& root : m_roots) {
            if (!point.starts_with(root))
                continue;
            if (point != root && m_accepts && !m_accepts(point))
                break;
            // The watch on the folder below the disk sees nothing of the disk.
            if (int old = nodeAt(point); old >= 0)
                forget(old, true);
            int wd = -1;
            if (point == root) {
                wd = watchTree(root, -1, root);
            } else {
                std::string parent = point.substr(0, point.rfind('/', point.size() - 2) + 1);
                std::string name = point.substr(parent.size(), point.size() - parent.size() - 1);
                if (int above = nodeAt(parent); above >= 0)
                    wd = watchTree(point, above, name);
            }
            if (wd >= 0) {
                changes.treeAppeared(point);
                ++taken;
            }
            break;
        }
    }
    return taken;
}

int FolderWatcher::nodeAt(const std::string& folder) const
{
    for (const auto& [wd, node] : m_nodes) {
        if (node.parent >= 0 || !folder.starts_with(node.name))
            continue;
        int at = wd;
        std::size_t from = node.name.size();
        while (at >= 0 && from < folder.size()) {
            std::size_t slash = folder.find('/', from);
            if (slash == std::string::npos)
                return -1;
            at = childNamed(at, folder.substr(from, slash - from));
            from = slash + 1;
        }
        if (at >= 0)
            return at;
    }
    return -1;
}

std::string FolderWatcher::pathOf(int wd) const
{
    std::vector<const std::string*> names;
    for (auto it = m_nodes.find(wd); it != m_nodes.end(); it = m_nodes.find(it->second.parent)) {
        names.push_back(&it->second.name);
        if (it->second.parent < 0) {
            std::string path;
            for (auto name = names.rbegin(); name != names.rend(); ++name)
                path += **name + (name == names.rbegin() ? "" : "/");
            return path;
        }
    }
    return {};
}

int FolderWatcher::childNamed(int parent, const std::string& name) const
{
    auto it = m_nodes.find(parent);
    if (it == m_nodes.end())
        return -1;
    for (int child : it->second.children) {
        auto found = m_nodes.find(child);
        if (found != m_nodes.end() && found->second.name == name)
            return child;
    }
    return -1;
}

void FolderWatcher::detach(int wd)
{
    auto it = m_nodes.find(wd);
    if (it == m_nodes.end() || it->second.parent < 0)
        return;
    auto parent = m_nodes.find(it->second.parent);
    if (parent != m_nodes.end())
        std::erase(parent->second.children, wd);
    it->second.parent = -1;
}

void FolderWatcher::forget(int wd, bool removeWatch)
{
    auto it = m_nodes.find(wd);
    if (it == m_nodes.end())
        return;
    detach(wd);
    std::vector<int> children = std::move(it->second.children);
    m_nodes.erase(it);
    if (removeWatch)
        ::inotify_rm_watch(m_fd, wd);
    for (int child : children)
        forget(child, removeWatch);
}

void FolderWatcher::handle(const struct inotify_event& event, ChangeSet& changes)
{
    if (event.mask & IN_Q_OVERFLOW) {
        changes.rescanAll();
        return;
    }
    if (event.mask & (IN_IGNORED | IN_UNMOUNT)) {
        // Deleted, unmounted or moved out: the parent's event (if any) said what
        // the archive loses; an unmounted disk is left as it is.
        forget(event.wd, false);
        return;
    }
    const std::string folder = pathOf(event.wd);
    if (folder.empty() || event.len == 0)
        return;
    const std::string name = event.name;
    if (!(event.mask & IN_ISDIR)) {
        changes.fileChanged(folder);
        return;
    }
    const std::string path = folder + name + '/';
    if (event.mask & IN_MOVED_FROM) {
        int moved = childNamed(event.wd, name);
        if (moved >= 0)
            m_movedAway.push_back({event.cookie, moved});
        changes.folderGone(folder);
        return;
    }
    if (event.mask & IN_DELETE) {
        changes.folderGone(folder);
        if (int gone = childNamed(event.wd, name); gone >= 0)
            forget(gone, false);
        return;
    }
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
        if (m_accepts && !m_accepts(path))
            return;
        if (event.mask & IN_MOVED_TO) {
            auto pending = std::find_if(m_movedAway.begin(), m_movedAway.end(),
                                        [&](const PendingMove& move) { return move.cookie == event.cookie; });
            if (pending != m_movedAway.end()) {
                // Moved within the watched trees: the watches stay, under the new path.
                int wd = pending->wd;
                m_movedAway.erase(pending);
                if (m_nodes.contains(wd)) {
                    detach(wd);
                    Node& node = m_nodes[wd];
                    node.parent = event.wd;
                    node.name = name;
                    m_nodes[event.wd].children.push_back(wd);
                    changes.treeAppeared(path);
                    return;
                }
            }
        }
        // Made here, or moved in from outside: files may be in it before its watch.
        if (childNamed(event.wd, name) < 0)
            watchTree(path, event.wd, name);
        changes.treeAppeared(path);
    }
}

void FolderWatcher::finishMoves(ChangeSet&)
{
    // Folders moved out of the watched trees: their watches would report a place
    // the archive no longer follows.
    for (const PendingMove& move : m_movedAway)
        forget(move.wd, true);
    m_movedAway.clear();
}

void FolderWatcher::readEvents(ChangeSet& changes)
{
    if (m_fd < 0)
        return;
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(struct inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + offset);
            if (offset + static_cast<ssize_t>(sizeof(struct inotify_event) + event->len) > length)
                break;
            handle(*event, changes);
            offset += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
        }
    }
    finishMoves(changes);
}

} // namespace vedra::watch
