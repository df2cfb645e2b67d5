// Opening a search result that is a web address: its local copy stands for it,
// fetched once into the archive's files folder (or its redirect folder) and from
// then on previewed and searched like any file.
#pragma once

#include "core/web/HttpFetch.h"

#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::web {

inline constexpr int kWebResultNotAvailable = -2;

struct WebResult {
    int code = kWebResultNotAvailable;  // 1: localPath stands for the result
    std::string localPath;              // where the copy is (or would be)
    std::string shownAddress;           // the address with its local-name escapes undone
    bool fetched = false;               // this call fetched the page
};

// The local copy's path for a web address: the RedirectFolder when one is set, else
// the ArchiveFilesFolder, else the working folder's download_vedratemp/; then the
// address's local name (LocalNameForAddress). Empty for an address that is empty or
// longer than kMaxAddressLength.
std::string LocalCopyPath(const app::Workspace& workspace, std::string_view address);

// Resolves a result that ClassifyResultPath found to be a web address. An existing
// local copy is used as it is; otherwise the page is fetched into it. When the fetch
// gives nothing, or Break or Escape stopped it, the result is not available: a copy
// it left (empty, or cut short by a failed read or a stop) is removed so the next
// opening fetches again, and when the server had answered (and no stop was asked),
// "It is impossible to read the file..." is shown with the address. A refused
// address, or one the server answered with an error row (added to `errors`),
// shows nothing.
WebResult ResolveWebResult(app::Workspace& workspace, FetchErrors& errors, std::string_view address);

} // namespace vedra::web
