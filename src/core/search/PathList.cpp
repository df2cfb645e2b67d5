// Only lines ended by CR LF count and a line without "**" is skipped, so a file
// cut short or a stray line adds no half entry. Messages are pumped at every line,
// since a long list is worth stopping; BreakCode is cleared first, so an earlier
// Break does not stop the load before it starts.
#include "core/search/PathList.h"

#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"
#include "core/web/UrlRules.h"

#include <string_view>

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

namespace {

std::string withoutLeadingBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::size_t appendEntryRow(const app::Workspace& workspace, ResultList& results, const std::string& path,
                           const std::string& wordsText)
{
    ResultRowInput input;
    input.path = path;
    input.wordsText = wordsText;
    input.documentKind = web::ClassifyResultPath(path).kind;
    input.archiveName = workspace.currentArchiveName();
    input.archiveNumber = workspace.ArchiveNumber;
    input.languageIndex = workspace.LanguageIndex;
    results.append(FormatResultRow(input));
    return results.size() - 1;
}

} // namespace

std::string IndexEntryPath(const app::Workspace& workspace, const PathEntry& entry)
{
    const std::string& file = entry.file;
    if (file.find(kLocalPathMark) != std::string::npos || file.find(kLocalPathMarkWindows) != std::string::npos)
        return withoutLeadingBlanks(entry.index);
    if (!file.empty() && file[0] == kArchiveFileMark) {
        const std::string& base = workspace.RedirectFolder.empty() ? workspace.ArchiveFilesFolder : workspace.RedirectFolder;
        return withoutLeadingBlanks(base + withoutLeadingBlanks(std::string_view(file).substr(1)));
    }
    return withoutLeadingBlanks(file);
}

std::string IndexEntryListedPath(const app::Workspace& workspace, const PathEntry& entry)
{
    return workspace.ArchiveFilesFolder + entry.file;
}

std::size_t IndexEntryRow(const app::Workspace& workspace, ResultList& results, const PathEntry& entry,
                          const std::string& wordsText)
{
    std::optional<std::size_t> row = results.findLabel(IndexEntryListedPath(workspace, entry));
    const std::string path = IndexEntryPath(workspace, entry);
    if (!row)
        row = results.findLabel(path);
    if (!row)
        return appendEntryRow(workspace, results, path, wordsText);
    // A row a double click added has no words, and an extract of it would look
    // for none.
    if (results.row(*row)[ResultColumn::Words].empty() && !wordsText.empty())
        results.setColumn(*row, ResultColumn::Words, wordsText);
    return *row;
}

std::size_t IndexEntryOpenRow(const app::Workspace& workspace, ResultList& results, const PathEntry& entry)
{
    const std::string path = IndexEntryPath(workspace, entry);
    if (std::optional<std::size_t> formed = results.findLabel(path))
        return *formed;
    return appendEntryRow(workspace, results, path, std::string());
}

} // namespace vedra::search
