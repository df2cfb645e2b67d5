// A file already at the copy's path is the page, never checked with the server,
// so a page is fetched once. A failed or stopped fetch removes only the file it
// made, since none was there before it. Only an accepted answer turns the address
// into the local path, so that alone tells a failed read (shown) from a refusal.
#include "core/web/WebResult.h"

#include "core/app/Workspace.h"
#include "core/web/HttpFetch.h"
#include "core/web/UrlRules.h"

#include <filesystem>
#include <system_error>

namespace vedra::web {

std::string LocalCopyPath(const app::Workspace& workspace, std::string_view address)
{
    if (address.empty() || address.size() > kMaxAddressLength)
        return {};
    std::string folder = workspace.RedirectFolder;
    if (folder.empty())
        folder = workspace.ArchiveFilesFolder;
    if (folder.empty())
        folder = workspace.WorkingFolder + std::string(kDownloadFolderName);
    if (folder.back() != '/')
        folder += '/';
    return folder + LocalNameForAddress(address);
}

WebResult ResolveWebResult(app::Workspace& workspace, FetchErrors& errors, std::string_view address)
{
    WebResult result;
    result.localPath = LocalCopyPath(workspace, address);
    if (result.localPath.empty())
        return result;
    result.shownAddress = std::string(address);
    UnescapeLocalName(result.shownAddress);

    std::error_code error;
    const std::filesystem::path local(result.localPath);
    if (std::filesystem::is_regular_file(local, error)) {
        result.code = 1;
        return result;
    }
    std::filesystem::create_directories(local.parent_path(), error);

    std::string buffer(address);
    std::int64_t bytes = FetchUrlToFile(workspace, errors, buffer, kFetchChunkBytes, result.localPath);
    // A fetch that Break or Escape stopped holds the page's start only: kept, it
    // would stand for the page from now on.
    if (bytes > 0 && workspace.BreakCode == app::StopCode::None) {
        result.code = 1;
        result.fetched = true;
        return result;
    }
    const bool serverAnswered = buffer == result.localPath;
    // Only a copy this fetch made is removed: the check above found none before it.
    std::filesystem::remove(local, error);
    if (serverAnswered && workspace.BreakCode == app::StopCode::None) {
        std::string text(workspace.messages().text(app::MessageKey::MsgCannotReadFile));
        workspace.host().messageBox(text + "\n" + result.shownAddress, app::MessageButtons::Ok);
    }
    return result;
}

} // namespace vedra::web
