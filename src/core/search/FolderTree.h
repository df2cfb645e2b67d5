// The two folder trees beside the preview: which items a folder shows, how they are
// labelled and ordered, and what choosing an item in the files-and-folders tree does
// to the result list and the preview. The window only mirrors these answers in its
// tree controls and boxes.
//
// An item's label is one level of a path: a root is a drive root with its '/'
// ("/", "/media/usb/"), a folder is "name/", a file "name"; the labels from the
// root down to an item, put together, are its full path.
#pragma once

#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class SearchSession;

enum class TreeContent {
    FoldersAndFiles,  // tree 1646
    FoldersOnly,      // tree 1647
};

struct TreeChild {
    std::string label;  // "name/" for a folder, "name" for a file
    bool folder = false;
};

// The root labels for the drive roots the system reports, in that order: each
// with a trailing '/', once, and only when this user may enter it (a root that
// cannot be entered is not shown).
std::vector<std::string> TreeRootLabels(const std::vector<std::string>& driveRoots);

// The children of the folder `folderPath` (a full path ending in '/'), read from
// the disk now: folders whose name does not begin with '.', and with
// FoldersAndFiles every file too. Links count as what they lead to, since a tree
// is opened one level at a time and cannot loop. Sorted by label, letters
// compared without case, then byte for byte. Empty when the folder cannot be read.
std::vector<TreeChild> ListTreeChildren(const std::string& folderPath, TreeContent content);

// The full path of an item whose labels, from its root down to itself, are given.
std::string TreeItemPath(const std::vector<std::string>& labelsFromRoot);

// A label or path that names a folder ends in '/'.
bool IsTreeFolder(const std::string& labelOrPath);

// What the search page takes from a chosen item; an empty text leaves its box.
struct TreeSelection {
    std::string directoriesText;  // a folder other than "/": its path
    std::string filesText;        // a file: its name
    bool rowAdded = false;        // a row for the path was appended to the result list
    bool documentShown = false;   // the file's text is in the preview
};

// An item of tree 1646 chosen while the search page is the active page: `path` in
// the status text; a row for it in the result list (the file's size from the disk,
// no words) unless a row with that label is there already; and for a file its
// text in the preview from the top, without looking for the query words.
TreeSelection SelectInFilesTree(app::Workspace& workspace, SearchSession& session, const std::string& path);

// What a folder chosen in tree 1647 gives the search page's Directories box: the
// folder itself, or nothing for a root that stands for the whole disk ("/").
std::string DirectoriesTextFor(const std::string& folderPath);

} // namespace vedra::search
