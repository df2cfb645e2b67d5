// The first archive skips the "archive is empty" message, since it is filled at
// once. Missing tools are looked for only after it exists: without an archive
// there was nowhere to record them. A catalogue whose existence cannot be checked
// is not taken as missing, so an unreadable folder never starts a first run.
#include "core/indexing/FirstStart.h"

#include "core/app/Workspace.h"

#include <filesystem>
#include <system_error>

namespace vedra::indexing {

bool NeedsFirstStart(const app::Workspace& workspace)
{
    std::error_code error;
    return !std::filesystem::exists(workspace.catalogueFilePath(), error) && !error;
}

FirstStartResult RunFirstStart(app::Workspace& workspace, const std::string& folder, const IndexFolderHooks& hooks)
{
    FirstStartResult result;
    if (!NeedsFirstStart(workspace))
        return result;
    NewArchive request;
    request.name = kFirstArchiveName;
    request.description = "Documentation of this machine (" + folder + ")";
    request.announceEmpty = false;
    request.moreTypes = true;
    result.archive = CreateArchive(workspace, request);
    if (result.archive.number < 0)
        return result;
    // Started without an archive, the program had nowhere to record its tools.
    workspace.LocateMissingTools();
    IndexingOptions options;
    options.unpack = true;
    result.run = IndexFolder(workspace, folder, IndexCommand::Normal, options, hooks);
    return result;
}

} // namespace vedra::indexing
