// The file manager is preferred because it selects the file; a bare folder opened
// by xdg-open is what every desktop can still do.
#include "core/utilities/ShowInFolder.h"

#include "core/app/ProcessRunner.h"
#include "core/app/ToolLocator.h"
#include "core/app/Workspace.h"
#include "core/search/RowOpening.h"
#include "core/utilities/Launching.h"
#include "core/web/UrlRules.h"

namespace vedra::utilities {

FolderShowingPlan PlanShowInFolder(std::string_view rowPath, bool fileManagerOnBus)
{
    FolderShowingPlan plan;
    if (rowPath.empty())
        return plan;
    const web::ClassifiedPath classified = web::ClassifyResultPath(rowPath);
    if (classified.kind == 'w' || classified.path.empty() || classified.path[0] != '/')
        return plan;
    std::string path = classified.path;
    // A folder row ("/a/docs/", or the mask "/a/docs/*") stands for the folder itself.
    if (path.back() == '*')
        path.pop_back();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    plan.path = path;
    if (search::ClassifyRowPath(path) == search::RowPathState::Missing) {
        plan.how = FolderShowing::Missing;
        return plan;
    }
    plan.fileUri = FileUri(path);
    plan.folder = path == "/" ? "/" : path.substr(0, path.rfind('/') + 1);
    plan.how = fileManagerOnBus ? FolderShowing::FileManager : FolderShowing::OpenFolder;
    return plan;
}

std::string FileUri(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(kHex[byte >> 4]);
            uri.push_back(kHex[byte & 0x0F]);
        }
    }
    return uri;
}

bool OpenContainingFolder(app::Workspace& workspace, const std::string& folder)
{
    std::string opener;
    if (app::ToolLocator(workspace.toolContext(), 0, kFallbackProgram, opener) != 1 || opener.empty())
        return false;
    if (!app::StartDetached({opener, folder})) {
        workspace.showMessage(app::MessageKey::MsgRunError);
        return false;
    }
    workspace.statusText = LaunchCommandLine(opener, folder);
    return true;
}

} // namespace vedra::utilities
