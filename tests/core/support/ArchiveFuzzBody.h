// Feeds arbitrary bytes to the archive readers: the bytes poke values into the
// files of a small valid archive, then every reader walks the damaged result.
// Shared by the libFuzzer target and by a deterministic test run in every build.
#pragma once

#include "core/archive/ArchiveStore.h"
#include "core/archive/ByteOrder.h"
#include "core/archive/Records.h"
#include "support/ArchiveFixture.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace vedra::testing {

inline void buildSmallArchive(archive::ArchiveStore& store)
{
    store.openForIndexing(archive::CacheSizes{});
    for (int f = 0; f < 3; ++f) {
        auto folder = store.findOrAddFolder("/" + std::to_string(f) + "f/r/");
        if (!folder)
            return;
        for (int d = 0; d < 3; ++d) {
            std::string key = "txt." + std::to_string(d) + "d/" + std::to_string(f) + "f/";
            if (!store.findOrAddDocument(key, *folder))
                return;
            archive::DocRecord record;
            record.number = store.documentCount();
            record.folderText = *folder;
            record.key = key;
            record.wordList = store.wordListEnd();
            store.appendDocumentRecord(record);
            for (const char* word : {"alpha", "alps", "beta", "2012", "gamma"}) {
                auto found = store.findOrAddWord(word);
                if (!found)
                    return;
                store.addPosting(*found, record.number);
                store.appendWordListEntry(found->node);
            }
            store.endWordList();
        }
    }
    store.close();
}

// Slots the bytes may damage.
inline constexpr int kFuzzSlots[] = {archive::SlotDocuments, archive::SlotWords,    archive::SlotDocumentKeys,
                                     archive::SlotFolders,   archive::SlotPostings, archive::SlotWordLists,
                                     archive::SlotRoots};

// Each 9 bytes: a slot, an offset, a value. An offset is taken modulo the file
// size plus a little, so that pokes land in nodes and just past the end; a slot
// byte with its high bit set cuts the file there instead. A tail shorter than 9
// bytes is left alone.
inline void pokeArchiveFiles(archive::ArchiveStore& store, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i + 9 <= size; i += 9) {
        int slot = kFuzzSlots[data[i] % std::size(kFuzzSlots)];
        std::string path = store.slotPath(slot);
        std::error_code missing;
        std::uint64_t fileSize = std::filesystem::file_size(path, missing);
        if (missing)
            continue;
        std::uint32_t offset = archive::getU32le(data + i + 1);
        std::uint32_t value = archive::getU32le(data + i + 5);
        if ((data[i] & 0x80) != 0) {
            std::filesystem::resize_file(path, offset % (fileSize + 8));
            continue;
        }
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        std::uint8_t bytes[4];
        archive::putU32le(bytes, value);
        file.seekp(static_cast<std::streamoff>(offset % (fileSize + 4)));
        file.write(reinterpret_cast<const char*>(bytes), 4);
    }
}

inline void fuzzArchiveReaders(ArchiveFixture& fx, const std::uint8_t* data, std::size_t size)
{
    archive::ArchiveStore& store = *fx.store;
    pokeArchiveFiles(store, data, size);
    // Raw decoders on the raw bytes.
    archive::WordNode::decode(data, size);
    archive::FolderNode::decode(data, size);
    archive::RootNode::decode(data, size);
    archive::DocRecord::decode(data, size);

    if (!store.open())
        return;
    for (const char* word : {"alpha", "alps", "beta", "2012", "gamma", "zzz", "al"}) {
        fx.workspace->BreakCode = app::StopCode::None;
        if (auto found = store.findWord(word))
            store.readPostings(found->postings);
    }
    for (std::uint32_t k = 0; k <= store.documentCount() + 1 && k < 64; ++k) {
        fx.workspace->BreakCode = app::StopCode::None;
        if (auto record = store.readDocument(k)) {
            store.readWordList(record->wordList);
            store.folderText(record->folderText);
        }
    }
    fx.workspace->BreakCode = app::StopCode::None;
    store.hasRoot("alp");
    store.close();
    // Writers walk the same trees: an indexing run over a damaged archive.
    if (!store.openForIndexing(archive::CacheSizes{30000, 64, 26100, 26100, 32}))
        return;
    fx.workspace->BreakCode = app::StopCode::None;
    if (auto folder = store.findOrAddFolder("/1f/r/")) {
        fx.workspace->BreakCode = app::StopCode::None;
        if (auto doc = store.findOrAddDocument("txt.9d/1f/", *folder); doc && doc->added) {
            archive::DocRecord record;
            record.number = store.documentCount();
            record.key = "txt.9d/1f/";
            store.appendDocumentRecord(record);
        }
    }
    for (const char* word : {"alpha", "delta"}) {
        fx.workspace->BreakCode = app::StopCode::None;
        if (auto found = store.findOrAddWord(word))
            store.addPosting(*found, 1);
    }
    store.close();
}

} // namespace vedra::testing
