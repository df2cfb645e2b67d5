// The archive is opened for the run alone and closed in every outcome, so no
// indexing cache outlives a run. What counts as stopped depends on the kind: a
// single-folder run ends itself with BreakCode Suspend, so there only Break does.
// The excluding entries are listed busiest first, ties in the order they were met.
#include "core/indexing/IndexFolder.h"

#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/WriterLock.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexedFolders.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace vedra::indexing {

namespace {
}

std::optional<std::string> IndexStartPath(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error || !std::filesystem::exists(absolute, error))
        return std::nullopt;
    std::string start = absolute.string();
    if (std::filesystem::is_directory(absolute, error) && (start.empty() || start.back() != '/'))
        start += '/';
    return start;
}

IndexFolderResult IndexFolder(app::Workspace& workspace, const std::string& path, IndexCommand command,
                              const IndexingOptions& options, const IndexFolderHooks& hooks)
{
    IndexFolderResult result;
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(app::MessageKey::MsgNeedArchive);
        result.status = IndexStatus::NoArchive;
        return result;
    }
    std::optional<std::string> start = IndexStartPath(path);
    if (!start) {
        result.status = IndexStatus::MissingPath;
        return result;
    }
    archive::ArchiveStore& store = workspace.store();
    // A batch of the live index holds the archive for moments: the wait for it
    // keeps the window answering, and Break gives it up.
    bool waitShown = false;
    archive::WriterLock::setWhileWaiting([&] {
        if (!waitShown) {
            waitShown = true;
            workspace.host().setStatus(std::string(workspace.messages().text(app::MessageKey::MsgWaitingForLiveIndex)));
        }
        workspace.PumpPendingMessages(app::StopCode::Break);
        return workspace.BreakCode == app::StopCode::None;
    });
    const bool opened = store.openForIndexing(workspace.cacheSizes());
    archive::WriterLock::setWhileWaiting(nullptr);
    if (!opened) {
        // A read-only archive, or the other run writing it, has been named to the
        // user already; nothing was written.
        if (!store.writeRefused() && !store.busy())
            workspace.showMessage(app::MessageKey::MsgCannotLoadData);
        result.status = store.busy() ? IndexStatus::Busy : IndexStatus::CannotOpen;
        return result;
    }
    // A rebuilt archive whose root tree was damaged too gets its roots again, as
    // at its creation.
    if (store.rootsEmptied())
        LoadRootsFolder(workspace);
    ArchiveLists lists;
    lists.load(store);
    IndexingRun run(workspace, store, lists);
    run.options() = options;
    if (command == IndexCommand::Update)
        run.options().markUpdates = true;
    if (hooks.onRow)
        run.setResultRowSink(hooks.onRow);
    if (hooks.onFile)
        run.setFileObserver(hooks.onFile);
    if (!hooks.watchWords.empty() && hooks.onWatchedDocument)
        run.extractor().setWordWatch(hooks.watchWords, hooks.onWatchedDocument);

    const auto started = std::chrono::steady_clock::now();
    run.RunIndexing(*start, command == IndexCommand::SingleFolder ? RunMode::SingleFolder : RunMode::Normal);
    // A single-folder run ends itself through BreakCode Suspend after its folder; there
    // only Break counts as a stop. Escape confirmed (Suspend) stops any other run.
    const bool stopped = command == IndexCommand::SingleFolder ? workspace.BreakCode == app::StopCode::Break
                                                               : workspace.BreakCode != app::StopCode::None;
    result.status = stopped ? IndexStatus::Stopped : IndexStatus::Done;
    // Files gone keep their numbers (and the header counts them): they are not counted here.
    result.totalDocuments = store.documentCount() - static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                                        run.counters().removedInArchive, store.documentCount()));
    store.close();
    result.counters = run.counters();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // The live index watches what was indexed; a list that cannot be written
    // costs only that, so the run's outcome stands.
    if (result.status == IndexStatus::Done && start->back() == '/' && !workspace.WorkingFolder.empty()) {
        IndexedFolder indexed{.archive = workspace.ArchiveNumber,
                              .subfolders = options.subfolders && command != IndexCommand::SingleFolder,
                              .unpack = options.unpack,
                              .folder = *start};
        rememberIndexedFolder(workspace.WorkingFolder + std::string(kIndexedFoldersName), indexed);
    }
    return result;
}

std::string ExcludedFoldersLine(const app::Workspace& workspace, const IndexingCounters& counters)
{
    std::string text = std::string(workspace.messages().text(app::MessageKey::MsgFoldersExcluded)) +
                       std::to_string(counters.foldersExcluded);
    if (counters.excludedBy.empty())
        return text;
    auto entries = counters.excludedBy;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    text += " (";
    for (std::size_t i = 0; i < entries.size(); ++i)
        text += (i == 0 ? "" : ", ") + entries[i].first + " " + std::to_string(entries[i].second);
    return text + ")";
}

std::vector<std::string> IndexSummaryLines(const app::Workspace& workspace, const IndexFolderResult& result)
{
    auto line = [&](app::MessageKey key, std::uint64_t value) {
        return std::string(workspace.messages().text(key)) + std::to_string(value);
    };
    const IndexingCounters& c = result.counters;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", result.seconds);
    std::vector<std::string> lines = {
        line(app::MessageKey::MsgFoldersScanned, c.foldersMet),
        line(app::MessageKey::MsgFoldersIndexed, c.foldersIndexed),
        ExcludedFoldersLine(workspace, c),
        line(app::MessageKey::MsgFilePathsIndexed, c.filesSeen),
        line(app::MessageKey::MsgNewFilesWithText, c.newFilesWithText),
        line(app::MessageKey::MsgFilesWithText, c.filesWithText),
        line(app::MessageKey::MsgUpdatedFilesWithText, c.filesUpdated),
        line(app::MessageKey::MsgFilesGone, c.filesRemoved),
        line(app::MessageKey::MsgFilesNotRead, c.notRead.size()),
    };
    for (std::size_t i = 0; i < std::min(c.notRead.size(), kNotReadNamed); ++i)
        lines.push_back("  " + c.notRead[i].path + ": " + std::string(notReadReasonText(c.notRead[i].reason)));
    if (c.notRead.size() > kNotReadNamed)
        lines.push_back("  ... +" + std::to_string(c.notRead.size() - kNotReadNamed));
    lines.push_back(line(app::MessageKey::MsgWordsIndexed, c.wordsIndexed));
    lines.push_back(line(app::MessageKey::MsgTotalFiles, result.totalDocuments));
    lines.push_back("Bytes read: " + std::to_string(c.bytesRead));
    lines.push_back(std::string(workspace.messages().text(app::MessageKey::MsgElapsedTime)) + seconds);
    return lines;
}

} // namespace vedra::indexing
