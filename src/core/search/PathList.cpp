// Only lines ended by CR LF count and a line without "**" is skipped, so a file
// cut short or a stray line adds no half entry. Messages are pumped at every line,
// since a long list is worth stopping; BreakCode is cleared first, so an earlier
// Break does not stop the load before it starts.
#include "core/search/PathList.h"

#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"

namespace vedra::search {

std::vector<PathEntry> LoadPathList(app::Workspace& workspace)
{
    std::vector<PathEntry> entries;
    workspace.BreakCode = app::StopCode::None;
    if (workspace.ArchiveFolder.empty())
        return entries;
    auto bytes = io::readFileBytes(workspace.ArchiveFolder + kPathListFileName);
    if (!bytes)
        return entries;
    const std::string& text = *bytes;
    // Only lines ended by CR LF count: a last line without one is not read.
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (workspace.BreakCode != app::StopCode::None)
            break;
        std::string line = text.substr(start, end - start);
        std::size_t mark = line.find("**");
        if (mark == std::string::npos)
            continue;
        std::size_t file = line.find_first_not_of(' ', mark + 2);
        entries.push_back({line.substr(0, mark), file == std::string::npos ? std::string() : line.substr(file)});
    }
    return entries;
}

} // namespace vedra::search
