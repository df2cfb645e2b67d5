// Roots are added through the store as an indexing run adds words: the archive is
// opened for writing with its run mark, so a crash part-way is undone by the next
// open, and an archive whose root tree had to be emptied gets its roots folder
// again before the user's roots, as before an indexing run.
#include "core/indexing/ArchiveRoots.h"

#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/RootCut.h"
#include "core/io/FileHandle.h"
#include "core/web/WebEscapes.h"

#include <algorithm>

namespace vedra::indexing {

using app::MessageKey;

std::vector<WordRoot> RootsOfWord(std::string_view cp1252Word)
{
    std::string folded(cp1252Word);
    web::FoldAccents(folded);
    std::vector<WordRoot> roots;
    ForEachRootRun(folded.data(), folded.size(), [&](std::string_view root, std::string_view run) {
        WordRoot entry;
        entry.run = run;
        if (run.front() >= '0' && run.front() <= '9') {
            entry.outcome = RootOutcome::BeginsWithDigit;
        } else {
            entry.root = root;
            entry.outcome = RootOutcome::Pending;
        }
        roots.push_back(std::move(entry));
    });
    if (roots.empty())
        roots.push_back(WordRoot{std::string(cp1252Word), {}, RootOutcome::NoLetterOrDigit});
    return roots;
}

std::size_t RootsAddition::addedCount() const
{
    return static_cast<std::size_t>(
        std::count_if(roots.begin(), roots.end(), [](const WordRoot& r) { return r.outcome == RootOutcome::Added; }));
}

RootsAddition AddWordRoots(app::Workspace& workspace, const std::vector<std::string>& cp1252Words)
{
    RootsAddition result;
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(MessageKey::MsgNeedArchive);
        result.status = RootsStatus::NoArchive;
        return result;
    }
    for (const std::string& word : cp1252Words)
        for (WordRoot& root : RootsOfWord(word))
            result.roots.push_back(std::move(root));
    const bool anyRoot = std::any_of(result.roots.begin(), result.roots.end(),
                                     [](const WordRoot& r) { return !r.root.empty(); });
    if (!anyRoot)
        return result;

    archive::ArchiveStore& store = workspace.store();
    if (!store.openForIndexing(workspace.cacheSizes())) {
        if (!store.writeRefused() && !store.busy())
            workspace.showMessage(MessageKey::MsgCannotLoadData);
        result.status = store.busy() ? RootsStatus::Busy : RootsStatus::CannotOpen;
        return result;
    }
    if (store.rootsEmptied())
        LoadRootsFolder(workspace);
    // As every operation on an archive starts: a stop left by an earlier one is not this one's.
    workspace.BreakCode = app::StopCode::None;
    for (WordRoot& entry : result.roots) {
        if (entry.root.empty())
            continue;
        // A damaged tree has shown its message and set BreakCode by now.
        const bool present = store.hasRoot(entry.root);
        if (workspace.BreakCode != app::StopCode::None || (!present && !store.addRoot(entry.root))) {
            result.status = RootsStatus::Failed;
            break;
        }
        entry.outcome = present ? RootOutcome::Present : RootOutcome::Added;
    }
    if (!store.close())
        result.status = RootsStatus::Failed;
    return result;
}

ArchiveRootList ReadArchiveRoots(app::Workspace& workspace)
{
    ArchiveRootList result;
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(MessageKey::MsgNeedArchive);
        result.status = RootsStatus::NoArchive;
        return result;
    }
    result.path = workspace.store().slotPath(archive::SlotRoots);
    std::optional<std::string> bytes = io::readFileBytes(result.path);
    if (!bytes) {
        result.status = RootsStatus::CannotOpen;
        return result;
    }
    result.listing =
        archive::ListRootTree(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    return result;
}

std::size_t OfferToAddRoots(app::Workspace& workspace, const std::vector<std::string>& cp1252Words)
{
    std::size_t added = 0;
    std::vector<std::string> asked;
    for (const std::string& word : cp1252Words) {
        if (std::find(asked.begin(), asked.end(), word) != asked.end())
            continue;
        asked.push_back(word);
        if (workspace.showMessage(MessageKey::MsgAddRootQuestion, app::MessageButtons::YesNo, {word}) !=
            app::MessageAnswer::Yes)
            continue;
        RootsAddition addition = AddWordRoots(workspace, {word});
        added += addition.addedCount();
        if (addition.status != RootsStatus::Done)
            break;
    }
    if (added > 0)
        workspace.showMessage(MessageKey::MsgRootsAddedReindex);
    return added;
}

} // namespace vedra::indexing
