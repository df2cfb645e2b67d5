// The folders an indexing run unpacks compressed files into ("file.zip_vedratemp/"
// beside the file) are the only place where the run deletes anything. A name is no
// proof of ownership: a user's "notes_vedratemp_old/" or the working folder's
// "download_vedratemp/" hold the user's files. So the run makes each unpack folder
// itself and leaves a mark file in it before the unpacker writes there; only a
// folder holding that mark is ever emptied or removed, by this run or, after a
// crash, by a later one. (An empty folder in the way of an unpack folder goes as
// well: it holds nothing, and a crash between making and marking leaves one.)
#pragma once

#include <string>
#include <string_view>

namespace vedra::indexing {

// What the run appends to a file's path to name its unpack folder.
inline constexpr std::string_view kUnpackFolderSuffix = "_vedratemp/";

// The mark file at the top of an unpack folder. Its name begins with '.', and the
// run never indexes it.
inline constexpr std::string_view kUnpackMarkName = ".vedra_unpacked";

enum class UnpackFolderState {
    Ready,    // made empty with its mark (a leftover of an earlier run, or an empty folder, was removed first)
    NotOurs,  // something the program did not make, and not empty, is in the way: left as it is
    Failed,   // the folder could not be made
};

// Makes `folder` (a path ending in '/') ready for the unpacker.
UnpackFolderState PrepareUnpackFolder(const std::string& folder);

// True when `folder` is a real folder (not a link) whose name ends in "_vedratemp"
// and that holds the mark file.
bool IsOwnUnpackFolder(const std::string& folder);

// The unpack folder of the program that `path` lies in (the outermost one, with
// its trailing '/'); empty when none. Only folders whose name ends in "_vedratemp"
// are looked at, so an ordinary path costs no file system call.
std::string OwnUnpackFolderOf(std::string_view path);

// Removes the empty folders from `path`'s folder up to, not including, `top` (a
// folder of the program's, such as the working folder's "vedratemp"), deepest
// first, stopping at the first that is not empty. Nothing happens when `path` does
// not lie below `top`. Only empty folders are ever removed.
void RemoveEmptyFoldersUpTo(const std::string& path, const std::string& top);

// Removes `folder` and everything in it when it is an unpack folder of the
// program; leaves it alone otherwise. Links inside are removed, never followed;
// the mark last, so that a folder cut off half-way is still the program's.
// True when the folder is gone.
bool RemoveOwnUnpackFolder(const std::string& folder);

} // namespace vedra::indexing
