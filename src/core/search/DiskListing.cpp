// The archive is opened only to read its exclusion lists, and left open or closed
// as it was found. Each row's date comes from a fresh stat, so an entry the scan
// lists but cannot stat still gets its row. BreakCode is cleared first, so an
// earlier Break does not end the walk at once.
#include "core/search/DiskListing.h"

#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/DiskScan.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"

#include <optional>
#include <sys/stat.h>

namespace vedra::search {

std::size_t ListDiskRoot(app::Workspace& workspace, ResultList& results, const std::string& root,
                         DiskListingKind kind)
{
    indexing::ArchiveLists lists;
    if (workspace.hasCurrentArchive()) {
        archive::ArchiveStore& store = workspace.store();
        const bool wasOpen = store.isOpen();
        if (wasOpen || store.open())
            lists.load(store);
        if (!wasOpen)
            store.close();
    }
    const std::size_t before = results.size();
    auto addRow = [&](const std::string& path, std::optional<std::uint64_t> size) {
        ResultRowInput input;
        input.sizeBytes = size;
        input.wordsText = std::string(kNameRowWords);
        input.path = path;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0)
            input.lastWrite = archive::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        input.archiveName = workspace.currentArchiveName();
        input.archiveNumber = workspace.ArchiveNumber;
        input.languageIndex = workspace.LanguageIndex;
        results.append(std::move(input));
    };

    indexing::DiskScanOptions scan;
    scan.start = app::withTrailingSlash(root.empty() ? std::string("/") : root);
    if (kind == DiskListingKind::Folders) {
        scan.listFiles = false;
        scan.listFolders = true;
        scan.onFolder = [&](const std::string& path) { addRow(path, std::nullopt); };
    } else {
        scan.start += "*.*";
        scan.onFile = [&](const std::string& path, std::uint64_t size) { addRow(path, size); };
    }
    workspace.BreakCode = app::StopCode::None;
    indexing::DiskScan(workspace, lists).run(scan);
    return results.size() - before;
}

} // namespace vedra::search
