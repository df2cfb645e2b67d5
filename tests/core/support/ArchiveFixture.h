// A working folder with one freshly created archive, opened for indexing.
#pragma once

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"
#include "support/TempFolder.h"

#include <memory>
#include <set>
#include <stdexcept>

namespace vedra::testing {

class ArchiveFixture {
public:
    explicit ArchiveFixture(std::int32_t number = 1, const std::string& name = "C_TEST")
    {
        workspace = std::make_unique<app::Workspace>(host, testProbe(folder.path()));
        if (workspace->PrepareWorkspace() != 1)
            throw std::runtime_error("workspace not prepared");
        workspace->setPumpInterval(std::chrono::milliseconds(0));
        archiveName = name + "_" + std::to_string(number);
        workspace->ArchiveNumber = number;
        workspace->ArchiveNumberText = std::to_string(number);
        workspace->ArchiveFolder = folder.slash() + archiveName + "/";
        std::filesystem::create_directories(workspace->ArchiveFolder);
        store = std::make_unique<archive::ArchiveStore>(workspace->storeContext());
        if (store->createArchiveFiles() != 1)
            throw std::runtime_error("archive files not created");
    }

    bool openForIndexing(const archive::CacheSizes& caches = archive::CacheSizes{})
    {
        return store->openForIndexing(caches);
    }

    std::string fileBytes(int slot) const { return readFile(store->slotPath(slot)); }

    // The key names ("/folder/file") of the documents holding `word`, read from the
    // closed archive (opened and closed here).
    std::set<std::string> documentsWith(const std::string& word)
    {
        std::set<std::string> keys;
        if (!store->open())
            throw std::runtime_error("archive not opened");
        if (auto found = store->findWord(word))
            for (std::uint32_t number : store->readPostings(found->postings))
                if (auto record = store->readDocument(number))
                    keys.insert(archive::reversed(record->key));
        store->close();
        return keys;
    }

    TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> workspace;
    std::unique_ptr<archive::ArchiveStore> store;
    std::string archiveName;
};

} // namespace vedra::testing
