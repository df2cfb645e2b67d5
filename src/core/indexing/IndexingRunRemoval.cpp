// What a run removes: the documents of files gone from the folders it listed
// whole, and the postings of words a changed file lost.
#include "core/indexing/IndexingRun.h"

#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"
#include "core/indexing/ArchiveInventory.h"
#include "core/indexing/MailText.h"
#include "core/indexing/OutsideTools.h"
#include "core/indexing/UnpackFolder.h"

#include <algorithm>
#include <fnmatch.h>
#include <string_view>
#include <unordered_set>

namespace vedra::indexing {

void IndexingRun::removeGone(const std::string& folder, std::uint32_t folderText,
                             const std::vector<WalkEntry>& entries, const std::string& mask, bool subfolders)
{
    if (!m_inventory)
        return;
    std::unordered_set<std::string_view> files;
    std::unordered_set<std::string_view> folders;
    std::unordered_set<std::uint64_t> fileHashes;
    for (const WalkEntry& entry : entries) {
        (entry.folder ? folders : files).insert(entry.name);
        if (!entry.folder)
            fileHashes.insert(NameHash(entry.name));
    }
    archive::DocRecord record;
    for (const ArchiveInventory::Document& document : m_inventory->documentsIn(folderText)) {
        // Most files are still there: only the others' records are read.
        if (fileHashes.count(document.nameHash) != 0)
            continue;
        // A web page's record names a web address, not a file of this folder.
        if (!m_store.readDocumentInto(document.number, record) || record.kind == archive::kRemovedKind ||
            record.kind == 'w')
            continue;
        const std::string name = KeyFileName(record.key);
        if (!mask.empty() && ::fnmatch(mask.c_str(), name.c_str(), 0) != 0)
            continue;
        // A PDF's text ("name.pdf.txt") lives as long as its PDF.
        if (name.size() > 4 && name.ends_with(".txt") && files.count(std::string_view(name).substr(0, name.size() - 4)) &&
            m_lists.ConversionClass(app::lowerAscii(name.substr(0, name.size() - 4)), true) == ConversionKind::Pdf)
            continue;
        removeDocument(document.number, record);
        const ConversionKind kind = m_lists.ConversionClass(app::lowerAscii(name), true);
        if (kind == ConversionKind::DocumentXml || kind == ConversionKind::Compressed ||
            (m_lists.readsMoreTypes() && IsMailName(app::lowerAscii(name)))) {
            const std::string path = folder + name;
            removeFolderTree(UnpackFolderFor(path));
            removeFolderTree(MirroredUnpackFolderFor(m_workspace.WorkingFolder + "vedratemp", path));
        }
    }
    if (!subfolders)
        return;
    constexpr std::string_view kUnpackName = kUnpackFolderSuffix.substr(0, kUnpackFolderSuffix.size() - 1);
    for (const auto& [name, path] : m_inventory->childFolders(folder)) {
        // An unpack folder holds the members of the file it is named after, and
        // is gone (between runs) while that file is not.
        const bool gone = name.ends_with(kUnpackName)
                              ? files.count(std::string_view(name).substr(0, name.size() - kUnpackName.size())) == 0
                              : folders.count(name) == 0;
        if (gone)
            removeFolderTree(path);
    }
}

void IndexingRun::removeFolderTree(const std::string& folder)
{
    archive::DocRecord record;
    for (std::uint32_t folderText : m_inventory->foldersUnder(folder))
        for (const ArchiveInventory::Document& document : m_inventory->documentsIn(folderText))
            if (m_store.readDocumentInto(document.number, record) && record.kind != archive::kRemovedKind &&
                record.kind != 'w')
                removeDocument(document.number, record);
}

void IndexingRun::removeDocument(std::uint32_t number, archive::DocRecord& record)
{
    if (record.wordList != 0)
        forgetWords(number, m_store.readWordList(record.wordList));
    record.kind = archive::kRemovedKind;
    record.lastWrite = 0;
    record.wordList = 0;
    m_store.rewriteRecordHead(number, record);
    ++m_counters.filesRemoved;
}

void IndexingRun::forgetWords(std::uint32_t number, std::vector<std::uint32_t> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    for (std::uint32_t entry : entries)
        if (m_store.isWordNode(entry))
            m_unlinks[entry].push_back(number);
}

} // namespace vedra::indexing
