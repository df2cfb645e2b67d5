// Every expansion lists the disk again (the window drops a folder's children when
// it is collapsed), so nothing here is cached. A chosen item's row is made the way
// the folder listing of a double click makes its rows, from one stat of the path.
#include "core/search/FolderTree.h"

#include "core/app/FolderListing.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/Records.h"
#include "core/search/PreviewSession.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchSession.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::search {
namespace {

// Letters without case first, so "b.txt" sorts between "A/" and "C.txt"; the bytes
// then part names that differ only in case, so the order never depends on listing.
bool labelBefore(const TreeChild& a, const TreeChild& b)
{
    const std::string left = app::lowerAscii(a.label);
    const std::string right = app::lowerAscii(b.label);
    if (left != right)
        return left < right;
    return a.label < b.label;
}

ResultRow treeRow(app::Workspace& workspace, const std::string& path)
{
    ResultRowInput input;
    input.path = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        // A folder's size says nothing about what it holds: its row shows none.
        if (S_ISREG(info.st_mode))
            input.sizeText = SizeText(static_cast<std::uint64_t>(info.st_size));
        input.lastWrite = archive::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    }
    input.archiveName = workspace.currentArchiveName();
    input.archiveNumber = workspace.ArchiveNumber;
    input.languageIndex = workspace.LanguageIndex;
    return FormatResultRow(input);
}

} // namespace

std::vector<std::string> TreeRootLabels(const std::vector<std::string>& driveRoots)
{
    std::vector<std::string> labels;
    for (const std::string& root : driveRoots) {
        if (root.empty())
            continue;
        std::string label = app::withTrailingSlash(root);
        if (std::find(labels.begin(), labels.end(), label) != labels.end())
            continue;
        struct stat info {};
        if (::stat(label.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || ::access(label.c_str(), X_OK) != 0)
            continue;
        labels.push_back(std::move(label));
    }
    return labels;
}

std::vector<TreeChild> ListTreeChildren(const std::string& folderPath, TreeContent content)
{
    app::ListingOptions options;
    options.kinds = content == TreeContent::FoldersOnly ? app::ListedKinds::Folders : app::ListedKinds::FilesAndFolders;
    options.links = app::SymbolicLinks::Follow;
    options.unreadable = app::UnreadableEntries::Skip;
    const app::FolderListing listing = app::listFolder(app::withTrailingSlash(folderPath), options);

    std::vector<TreeChild> children;
    for (const app::ListedEntry& entry : listing.entries) {
        if (entry.kind == app::EntryKind::Folder) {
            if (entry.name.front() != '.')
                children.push_back({entry.name + '/', true});
        } else if (entry.kind == app::EntryKind::File) {
            children.push_back({entry.name, false});
        }
    }
    std::sort(children.begin(), children.end(), labelBefore);
    return children;
}

std::string TreeItemPath(const std::vector<std::string>& labelsFromRoot)
{
    std::string path;
    for (const std::string& label : labelsFromRoot)
        path += label;
    return path;
}

bool IsTreeFolder(const std::string& labelOrPath)
{
    return !labelOrPath.empty() && labelOrPath.back() == '/';
}

std::string DirectoriesTextFor(const std::string& folderPath)
{
    return folderPath.size() > 1 && IsTreeFolder(folderPath) ? folderPath : std::string();
}

TreeSelection SelectInFilesTree(app::Workspace& workspace, SearchSession& session, const std::string& path)
{
    TreeSelection selection;
    if (path.empty())
        return selection;
    workspace.statusText = path;
    workspace.host().setStatus(path);
    selection.directoriesText = DirectoriesTextFor(path);

    ResultList& results = session.results();
    std::optional<std::size_t> row = results.findLabel(path);
    if (!row) {
        results.append(treeRow(workspace, path));
        row = results.size() - 1;
        selection.rowAdded = true;
    }
    if (!IsTreeFolder(path)) {
        selection.filesText = path.substr(path.find_last_of('/') + 1);
        selection.documentShown = session.preview().ShowDocument(*row, false);
    }
    return selection;
}

} // namespace vedra::search
