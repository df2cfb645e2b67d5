// "Show in folder" for a result row: the desktop's file manager is asked over the
// session bus to show the file selected in its folder (org.freedesktop.FileManager1
// ShowItems); without one, the folder that holds the file is opened with xdg-open.
// The bus itself is the window's; what to show, and how, is decided here.
#pragma once

#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

inline constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";
inline constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
inline constexpr const char* kFileManagerInterface = "org.freedesktop.FileManager1";
inline constexpr const char* kShowItemsMethod = "ShowItems";

enum class FolderShowing {
    NotAFile,     // a web address or no path: nothing to show
    Missing,      // the file is gone from the disk: say so (MsgFileNoLongerExists, `path`)
    FileManager,  // ShowItems([fileUri], "") on the file manager's service
    OpenFolder,   // `folder` opened with xdg-open (OpenContainingFolder)
};

struct FolderShowingPlan {
    FolderShowing how = FolderShowing::NotAFile;
    std::string path;     // the disk path of the row (a folder row without its "*" or final '/')
    std::string fileUri;  // "file://" + the path, percent-encoded
    std::string folder;   // the folder that holds it, with its final '/'
};

// The plan for a row whose first column is `rowPath` (a message text in front of
// the path is dropped, as for opening it), given whether the file manager's
// service is on the session bus.
FolderShowingPlan PlanShowInFolder(std::string_view rowPath, bool fileManagerOnBus);

// "file://" and the absolute `path`, every byte but the unreserved ones
// (A-Z a-z 0-9 - . _ ~) and '/' written as %XX (upper-case hex).
std::string FileUri(std::string_view path);

// Opens `folder` with xdg-open, found as any program (ToolLocator: a missing
// xdg-open is named with its package), started with an argument vector and not
// waited for. True when it was started; a failed start shows MsgRunError.
bool OpenContainingFolder(app::Workspace& workspace, const std::string& folder);

} // namespace vedra::utilities
