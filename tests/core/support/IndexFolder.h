// One normal indexing run of a folder into the workspace's current archive.
#pragma once

#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vedra::testing {

inline ::testing::AssertionResult indexFolder(app::Workspace& ws, const std::filesystem::path& folder)
{
    archive::ArchiveStore& store = ws.store();
    if (!store.openForIndexing(ws.cacheSizes()))
        return ::testing::AssertionFailure() << "the archive does not open for indexing";
    indexing::ArchiveLists lists;
    lists.load(store);
    indexing::IndexingRun run(ws, store, lists);
    std::string start = folder.string();
    if (start.empty() || start.back() != '/')
        start += '/';
    run.RunIndexing(start, indexing::RunMode::Normal);
    if (!store.close())
        return ::testing::AssertionFailure() << "the archive does not close";
    return ::testing::AssertionSuccess();
}

} // namespace vedra::testing
