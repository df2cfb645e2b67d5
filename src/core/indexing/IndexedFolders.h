// The folders each archive was indexed from, so that the live index knows what
// to watch without being told again: "vedrafolders.txt" in the working folder,
// one line a folder, "ARCHIVE<TAB>OPTIONS<TAB>/absolute/folder/", where OPTIONS
// holds 's' when sub-folders were indexed and 'u' when packed files were
// unpacked ('-' for neither). Every run over a folder that ends well adds its
// folder unless a listed folder of the archive already takes it in; the window,
// the CLI and the watcher read the same file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vedra::indexing {

inline constexpr std::string_view kIndexedFoldersName = "vedrafolders.txt";

struct IndexedFolder {
    int archive = 0;
    bool subfolders = true;
    bool unpack = false;
    std::string folder;  // absolute, with its trailing '/'

    bool operator==(const IndexedFolder&) const = default;
};

// Lines that do not parse are skipped.
std::vector<IndexedFolder> parseIndexedFolders(std::string_view text);
std::string formatIndexedFolders(const std::vector<IndexedFolder>& folders);

// Whether an entry takes `folder` in: the same folder, or one above it indexed
// with its sub-folders.
bool takesIn(const IndexedFolder& entry, int archive, const std::string& folder);

// `list` with `added` in it: nothing changes when an entry of the same archive
// takes it in already; otherwise it is appended, and entries of the archive it
// takes in now (folders below it, when it has its sub-folders) go. True when the
// list changed.
bool addIndexedFolder(std::vector<IndexedFolder>& list, const IndexedFolder& added);

// The file read whole; empty when missing or unreadable.
std::vector<IndexedFolder> readIndexedFolders(const std::string& path);
// Adds under an exclusive lock of the file, so that two runs at once (of two
// archives) keep both lines. False when the file could not be written.
bool rememberIndexedFolder(const std::string& path, const IndexedFolder& added);

} // namespace vedra::indexing
