// The walk. "PTH." is both the folder tree and the work list: a folder found is
// appended to it, and the walk reads the folder nodes in file order from the start
// folder's node on, so the run is breadth-first and can resume from any node.
#include "core/indexing/IndexingRun.h"

#include "core/app/FolderListing.h"
#include "core/app/MessageFormat.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"
#include "core/indexing/ArchiveInventory.h"
#include "core/indexing/MailText.h"
#include "core/indexing/MoreTypes.h"
#include "core/indexing/OutsideTools.h"
#include "core/indexing/PackedReadingOrder.h"
#include "core/indexing/RichTextReader.h"
#include "core/indexing/TextCleaners.h"
#include "core/indexing/UnpackFolder.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>
#include <climits>
#include <deque>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <optional>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {

namespace {

using app::MessageKey;

constexpr std::size_t kResumePathSize = 512;
constexpr std::uint64_t kMediaReadLimit = 12799;
constexpr std::size_t kMediaChunkSize = 12800;
constexpr std::size_t kMarkupChunkLimit = 512000;

// The entries of a folder sorted by name (byte order), so that runs and archives
// are the same on every machine. Names beginning with '.' are kept (the walk leaves
// out such folders itself). Symbolic links are not followed: a link to a folder
// could loop, and a link to a file would index its target twice.
// `complete` tells whether the folder was read to its end: only then does a name
// missing from it mean a file gone.
// A folder's own time and size mean nothing to the run, so folders cost no look
// at the disk; a file is looked at unless `fileDetails` says its figures are not
// wanted (its WalkEntry is then not `detailed`).
std::vector<WalkEntry> listFolder(const std::string& folder, bool* complete = nullptr,
                                  std::function<bool(const std::string&)> fileDetails = {})
{
    app::ListingOptions options;
    options.dotNames = app::DotNames::Keep;
    options.links = app::SymbolicLinks::Skip;
    options.unreadable = app::UnreadableEntries::Skip;
    options.folderDetails = false;
    options.fileDetails = std::move(fileDetails);
    std::vector<WalkEntry> entries;
    app::FolderListing listing = app::listFolder(folder, options);
    if (complete != nullptr)
        *complete = listing.opened && listing.error == 0;
    entries.reserve(listing.entries.size());
    for (app::ListedEntry& item : listing.entries)
        entries.push_back({std::move(item.name), item.kind == app::EntryKind::Folder,
                           FileTimeFromUnix(item.modifiedSeconds, item.modifiedNanoseconds), item.sizeBytes,
                           item.detailed});
    return entries;
}

// Only for files the run made: a converter's output, a member it unpacked. The
// unpacker may have left a member read-only.
void removeOwnFile(const std::string& path)
{
    ::chmod(path.c_str(), 0600);
    ::unlink(path.c_str());
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::string extensionOf(const std::string& lowerName)
{
    std::size_t dot = lowerName.rfind('.');
    return dot == std::string::npos ? std::string() : lowerName.substr(dot);
}

// Binary office files hold their text in 16-bit characters; NULs are squeezed out.
bool isSqueezedType(const std::string& extension)
{
    return extension == ".pub" || extension == ".doc" || extension == ".ppt";
}

bool isMarkupType(const std::string& extension)
{
    return contains(extension, ".htm") || contains(extension, ".asp") || contains(extension, ".xml") ||
           contains(extension, ".php");
}

bool isWordByte(char c)
{
    return c >= '0' && c <= 'z';
}

// The length of a markup chunk that ends before a tag its end would cut: the rest
// of the tag, at the start of the next chunk, would be read as text ("name" and
// "value" of `name="value">`). A chunk that is little more than one open tag
// keeps its length: a chunk under five bytes would end the file's reading.
std::size_t lengthBeforeOpenTag(const char* chunk, std::size_t length)
{
    for (std::size_t i = length; i > 0; --i) {
        if (chunk[i - 1] == '>')
            return length;
        if (chunk[i - 1] == '<')
            return i - 1 >= 5 ? i - 1 : length;
    }
    return length;
}

} // namespace

std::string_view notReadReasonText(NotReadReason reason)
{
    switch (reason) {
    case NotReadReason::PermissionDenied: return "permission denied";
    case NotReadReason::ReadError: return "read error";
    case NotReadReason::ConversionFailed: return "conversion failed";
    case NotReadReason::PastLimit: return "converter past its time or memory limit";
    }
    return "read error";
}

struct IndexingRun::FileWork {
    std::string path;       // the file as the user knows it
    std::string readPath;   // what is read (a PDF's text output differs)
    std::string name;
    std::string lowerName;
    std::string key;        // reversed, as stored
    std::uint32_t folderText = 0;
    std::uint64_t fileTime = 0;
    std::uint64_t size = 0;
    std::uint32_t number = 0;
    ConversionKind kind = ConversionKind::None;
    bool member = false;    // unpacked from a document or compressed file
    bool isNew = false;
    bool update = false;
    archive::DocRecord record;  // the existing record of an update
    std::vector<std::uint32_t> previousWords;
};

IndexingRun::IndexingRun(app::Workspace& workspace, archive::ArchiveStore& store, ArchiveLists& lists)
    : m_workspace(workspace), m_store(store), m_lists(lists), m_extractor(workspace, store)
{
    m_extractor.loadStopWords();
}

IndexingRun::~IndexingRun() = default;

std::string IndexingRun::keyFor(const std::string& folder, const std::string& name) const
{
    // "/parent/name": from the end of the folder back to its second separator.
    std::size_t last = folder.size() >= 1 ? folder.size() - 1 : 0;
    std::size_t previous = last > 0 ? folder.rfind('/', last - 1) : std::string::npos;
    std::string part = (previous == std::string::npos ? folder : folder.substr(previous)) + name;
    return archive::reversed(part);
}

void IndexingRun::notify()
{
    m_counters.wordsIndexed = m_extractor.wordsIndexed();
    if (m_observer)
        m_observer(m_counters);
}

void IndexingRun::RunIndexing(const std::string& startPath, RunMode mode)
{
    m_mode = mode;
    m_workspace.busy = true;
    m_workspace.BreakCode = app::StopCode::None;
    m_counters = IndexingCounters{};
    m_revived = 0;
    m_extractor.resetCounters();
    m_extractor.setRootFilter(mode != RunMode::Roots);

    std::string folder = startPath;
    std::string mask;
    if (folder.empty() || folder.back() != '/') {
        std::size_t slash = folder.rfind('/');
        mask = slash == std::string::npos ? folder : folder.substr(slash + 1);
        folder = slash == std::string::npos ? std::string("./") : folder.substr(0, slash + 1);
    }

    if (mode == RunMode::Roots) {
        // The roots folder gets its node like the start folder of any run; its
        // files go straight into "RAD.", with no document.
        if (!m_store.findOrAddFolder(archive::reversed(folder))) {
            m_workspace.busy = false;
            return;
        }
        for (const auto& entry : listFolder(folder)) {
            if (entry.folder || (!mask.empty() && ::fnmatch(mask.c_str(), entry.name.c_str(), 0) != 0))
                continue;
            FileWork work;
            work.path = work.readPath = folder + entry.name;
            work.name = entry.name;
            work.lowerName = app::lowerAscii(entry.name);
            work.size = entry.size;
            IndexFile(work);
            if (m_workspace.BreakCode != app::StopCode::None)
                break;
        }
        m_workspace.busy = false;
        return;
    }

    std::uint32_t position = 0;
    std::string resumeFolder;
    if (mode == RunMode::Normal) {
        std::string savedStart;
        if (readResumePoint(resumeFolder, savedStart)) {
            m_workspace.showMessage(MessageKey::MsgIndexingInterrupted);
            // Only an unpack folder the program made is finished (and emptied).
            if (std::string unpacked = OwnUnpackFolderOf(resumeFolder); !unpacked.empty() && m_options.unpack)
                IndexTempFolder(unpacked, false);
            if (!savedStart.empty()) {
                folder = savedStart;
                mask.clear();
            }
        }
        m_resumeFolder.clear();
        m_resumeStart.clear();
    }

    m_startFolder = folder;
    auto start = m_store.findOrAddFolder(archive::reversed(folder));
    if (start) {
        position = *start;
        // A resumed run goes on from the folder it stopped in: every folder before
        // it in the tree's order was done, every one after it is still to do.
        if (!resumeFolder.empty() && !contains(resumeFolder, kUnpackFolderSuffix)) {
            if (auto resumed = m_store.findOrAddFolder(archive::reversed(resumeFolder)))
                position = *resumed;
        }
        m_mask = mask;
        // Only an archive that holds documents can hold one that is gone.
        if (m_store.documentCount() > 0)
            m_inventory = std::make_unique<ArchiveInventory>(m_store);
        m_aheadPosition = position;
        m_aheadEnded = false;
        m_aheadDetails.clear();
        if (m_options.pdfConverters > 0 &&
            (m_options.convertedTypes.empty() || contains(m_options.convertedTypes, ".pdf"))) {
            m_converters = std::make_unique<PdfConverters>(m_workspace, m_workspace.WorkingFolder + "vedratemp",
                                                           m_options.pdfConverters);
            if (!m_converters->enabled())
                m_converters.reset();
        }
        walk(position, folder, mask);
        // A stop leaves conversions nobody will take; a finished walk, none.
        m_converters.reset();
        m_aheadDetails.clear();
        // A stopped run keeps what it found gone as well as what it added.
        if (!m_unlinks.empty()) {
            for (auto& [node, documents] : m_unlinks) {
                std::sort(documents.begin(), documents.end());
                documents.erase(std::unique(documents.begin(), documents.end()), documents.end());
            }
            m_store.unlinkPostings(m_unlinks);
            m_unlinks.clear();
        }
        if (m_inventory)
            m_counters.removedInArchive = m_inventory->removedBefore() + m_counters.filesRemoved - m_revived;
        m_inventory.reset();
    }

    m_store.header().filesWithText += static_cast<std::int32_t>(m_counters.filesWithText);
    m_store.header().documents = static_cast<std::int32_t>(m_store.documentCount());
    m_store.writeHeader();
    m_workspace.host().setTitle(".......");
    if (mode == RunMode::Normal) {
        writeResumePoint();
        if (!m_resumeFolder.empty() || !m_resumeStart.empty())
            m_workspace.showMessage(MessageKey::MsgDiskIndexingIncomplete);
    }
    notify();
    m_workspace.busy = false;
}

void IndexingRun::walk(std::uint32_t position, const std::string& startFolder, const std::string& mask)
{
    std::uint32_t k = position;
    while (m_workspace.BreakCode == app::StopCode::None) {
        auto text = m_store.folderText(k);
        if (!text || text->empty() || static_cast<unsigned char>((*text)[0]) <= 31)
            break;
        std::string folder = archive::reversed(*text);
        std::uint32_t here = k;
        k += static_cast<std::uint32_t>(text->size()) + 10;
        std::string_view excludedBy;
        if (!walksFolder(folder, startFolder, &excludedBy)) {
            if (!excludedBy.empty())
                countExclusion(excludedBy);
            continue;
        }
        processFolder(folder, here, k, mask);
        if (m_mode == RunMode::SingleFolder && m_workspace.BreakCode == app::StopCode::None)
            m_workspace.BreakCode = app::StopCode::Suspend;
    }
}

bool IndexingRun::walksFolder(const std::string& folder, const std::string& startFolder,
                              std::string_view* excludedBy) const
{
    bool inScope = contains(folder, startFolder.c_str()) || m_mode == RunMode::SingleFolder;
    if (!m_options.unpack) {
        if (!inScope)
            return false;
        if (std::string_view entry = m_lists.FolderExclusionEntry(folder); !entry.empty()) {
            if (excludedBy != nullptr)
                *excludedBy = entry;
            return false;
        }
    }
    // An unpack folder is walked by IndexTempFolder alone, as the member's
    // documents need; one found here is left over from a stopped run.
    return OwnUnpackFolderOf(folder).empty();
}

void IndexingRun::expectPdfs(const std::string& folder, std::uint32_t folderText,
                             const std::vector<WalkEntry>& entries, const std::string& mask)
{
    // The update decision of processFile, read-only: a PDF found unchanged is not
    // converted, a new or later one is.
    for (const WalkEntry& entry : entries) {
        if (entry.folder || !entry.detailed || (!mask.empty() && ::fnmatch(mask.c_str(), entry.name.c_str(), 0) != 0))
            continue;
        if (m_lists.ConversionClass(app::lowerAscii(entry.name), m_options.unpack) != ConversionKind::Pdf)
            continue;
        auto found = m_store.findDocument(keyFor(folder, entry.name), folderText);
        if (!found)
            continue;  // a damaged tree: the walk itself will stop there
        if (found->number != 0 &&
            (!found->record || (!m_options.rereadAll && entry.fileTime <= found->record->lastWrite)))
            continue;
        m_converters->expect(folder + entry.name, entry.fileTime, entry.size, folderText);
    }
}

void IndexingRun::lookAhead()
{
    // A few folders at a time, so that the window still gets its events.
    constexpr int kFoldersPerLook = 8;
    if (!m_converters || m_workspace.BreakCode != app::StopCode::None)
        return;
    for (int n = 0; n < kFoldersPerLook && m_mode != RunMode::SingleFolder && !m_aheadEnded &&
                    m_converters->wantsMore();
         ++n) {
        // The walk appends the folders it meets: what is not there yet may come.
        if (m_aheadPosition >= m_store.foldersEnd())
            break;
        auto text = m_store.folderText(m_aheadPosition);
        if (!text || text->empty() || static_cast<unsigned char>((*text)[0]) <= 31) {
            m_aheadEnded = true;
            break;
        }
        std::string folder = archive::reversed(*text);
        std::uint32_t here = m_aheadPosition;
        m_aheadPosition += static_cast<std::uint32_t>(text->size()) + 10;
        if (!walksFolder(folder, m_startFolder))
            continue;
        // Only the PDFs are looked at here; the walk takes their figures from here
        // when it lists the folder.
        std::vector<WalkEntry> entries = listFolder(folder, nullptr, [this](const std::string& name) {
            return (m_mask.empty() || ::fnmatch(m_mask.c_str(), name.c_str(), 0) == 0) &&
                   m_lists.ConversionClass(app::lowerAscii(name), m_options.unpack) == ConversionKind::Pdf;
        });
        for (const WalkEntry& entry : entries)
            if (!entry.folder && entry.detailed)
                m_aheadDetails[folder + entry.name] = {entry.fileTime, entry.size};
        expectPdfs(folder, here, entries, m_mask);
    }
    m_converters->startWaiting();
}

void IndexingRun::countExclusion(std::string_view entry)
{
    ++m_counters.foldersExcluded;
    for (auto& [name, count] : m_counters.excludedBy) {
        if (name == entry) {
            ++count;
            return;
        }
    }
    m_counters.excludedBy.emplace_back(std::string(entry), 1);
}

void IndexingRun::processFolder(const std::string& folder, std::uint32_t folderText, std::uint32_t nextFolder,
                                const std::string& mask)
{
    bool complete = false;
    std::vector<WalkEntry> entries;
    if (m_aheadDetails.empty()) {
        entries = listFolder(folder, &complete);
    } else {
        entries = listFolder(folder, &complete,
                             [&](const std::string& name) { return !m_aheadDetails.contains(folder + name); });
        for (WalkEntry& entry : entries) {
            if (entry.folder)
                continue;
            auto known = m_aheadDetails.find(folder + entry.name);
            if (known == m_aheadDetails.end())
                continue;
            if (!entry.detailed) {
                entry.fileTime = known->second.first;
                entry.size = known->second.second;
                entry.detailed = true;
            }
            m_aheadDetails.erase(known);
        }
    }
    if (m_converters) {
        m_converters->dropBefore(folderText);
        if (m_aheadPosition <= folderText) {
            expectPdfs(folder, folderText, entries, mask);
            m_aheadPosition = nextFolder;
        }
        lookAhead();
    }
    for (const auto& entry : entries) {
        m_workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (m_workspace.BreakCode != app::StopCode::None)
            break;
        if (!entry.folder) {
            if (!mask.empty() && ::fnmatch(mask.c_str(), entry.name.c_str(), 0) != 0)
                continue;
            processFile(folder, folderText, entry.name, entry.fileTime, entry.size, false);
            lookAhead();
        } else {
            if (!m_options.subfolders || entry.name[0] == '.')
                continue;
            ++m_counters.foldersMet;
            std::string path = folder + entry.name;
            // What a stopped run unpacked is removed; a folder of the user's whose
            // name looks like one is walked or not like any other.
            if (IsOwnUnpackFolder(path + "/")) {
                RemoveOwnUnpackFolder(path + "/");
                continue;
            }
            if (std::string_view excluding = m_lists.NameExclusionEntry(entry.name); !excluding.empty()) {
                countExclusion(excluding);
                continue;
            }
            if (!ArchiveLists::PassesSubfolderFilter(entry.name, m_options.folderFilter, folder))
                continue;
            ++m_counters.foldersIndexed;
            m_store.findOrAddFolder(archive::reversed(path + "/"));
        }
        if (m_workspace.BreakCode != app::StopCode::None)
            break;
    }
    if (m_workspace.BreakCode != app::StopCode::None && m_mode == RunMode::Normal && m_resumeFolder.empty()) {
        m_resumeFolder = folder;
        m_resumeStart = m_startFolder;
    }
    // A start folder found empty may be the mount point of a disk not plugged in:
    // its rows stay (shown as gone) rather than all going at once. Folders outside
    // the start folder, which unpacking walks too, may be one: only the start
    // folder's tree is the run's to judge.
    if (m_workspace.BreakCode == app::StopCode::None && complete &&
        !(folder == m_startFolder && entries.empty() && !m_options.emptyStartRemoves) &&
        (folder.starts_with(m_startFolder) || m_mode == RunMode::SingleFolder))
        removeGone(folder, folderText, entries, mask,
                   (m_options.subfolders || (m_options.removeGoneSubfolders && folder == m_startFolder)) &&
                       m_mode != RunMode::SingleFolder);
}

void IndexingRun::processFile(const std::string& folder, std::uint32_t folderText, const std::string& name,
                              std::uint64_t fileTime, std::uint64_t size, bool temporary)
{
    std::string path = folder + name;
    FileWork work;
    work.path = work.readPath = path;
    work.name = name;
    work.lowerName = app::lowerAscii(name);
    work.key = keyFor(folder, name);
    work.folderText = folderText;
    work.fileTime = fileTime;
    work.size = size;
    ConversionKind kind = m_lists.ConversionClass(work.lowerName, m_options.unpack);
    if (kind == ConversionKind::Skip)
        return;
    // Only files the archive holds count as indexed paths.
    ++m_counters.filesSeen;
    work.kind = kind;
    work.member = temporary;

    auto lookup = m_store.findOrAddDocument(work.key, folderText);
    if (!lookup)
        return;
    if (lookup->added) {
        work.isNew = true;
        work.number = m_store.documentCount();
        ++m_counters.newDocuments;
    } else {
        if (!lookup->record)
            return;
        work.number = lookup->number;
        work.record = *lookup->record;
        if (work.record.kind == archive::kRemovedKind)
            ++m_revived;
        // Only a later time counts as a change: a file restored from a backup keeps
        // its older time and is not read again.
        if (!m_options.rereadAll && fileTime <= work.record.lastWrite)
            return;
        work.update = true;
    }
    indexDocument(work);
    notify();

    if (kind == ConversionKind::Pdf) {
        convertPdf(work, folderText, temporary);
    } else if (m_lists.readsOcr() && IsOcrPicture(work.lowerName)) {
        recognisePicture(work, folderText);
    } else if (kind == ConversionKind::DocumentXml || kind == ConversionKind::Compressed) {
        unpack(path, size, work.number);
    } else if (m_lists.readsMoreTypes() && IsMailName(work.lowerName)) {
        unpackMail(work);
    }
}

bool IndexingRun::readsAttachment(std::string_view lowerName) const
{
    const ConversionKind kind = m_lists.ConversionClass(lowerName, m_options.unpack);
    if (kind == ConversionKind::Skip)
        return false;
    if (kind != ConversionKind::None || IsMailName(lowerName))
        return true;
    if (m_lists.readsOcr() && IsOcrPicture(lowerName))
        return true;
    // Types read by their name only: an unknown one ("notes.bin") may be anything.
    return !m_lists.IsUnknownType(lowerName) && !m_lists.IsMultimedia(lowerName) &&
           m_lists.HasIndexableText(lowerName, m_options.fileFilter, static_cast<int>(m_mode));
}

void IndexingRun::unpackMail(const FileWork& mail)
{
    // A mail with no name extension is left whole: a row's label tells a member by
    // the extension of the file before its unpack folder.
    const std::vector<MailAttachment> attachments = ReadMailAttachments(
        mail.path, [this](std::string_view name) { return readsAttachment(app::lowerAscii(std::string(name))); });
    // A new mail with nothing to read leaves no folder to make; a changed one may
    // have lost the attachments it had.
    if (attachments.empty() && mail.isNew)
        return;
    unpack(mail.path, mail.size, mail.number, &attachments);
}

void IndexingRun::unpack(const std::string& path, std::uint64_t size, std::uint32_t number,
                         const std::vector<MailAttachment>* attachments)
{
    // Beside the file first. Where that cannot be (a folder the user may not
    // write, such as /usr/share/doc; a folder of the user's of that name, which
    // the unpacker would overwrite and the run delete), the working folder's
    // "vedratemp/" takes the unpack folder at the same path below it: the members
    // keep their key names.
    const std::string temporaryFolder = m_workspace.WorkingFolder + "vedratemp";
    std::string output = UnpackFolderFor(path);
    if (PrepareUnpackFolder(output) != UnpackFolderState::Ready) {
        output = MirroredUnpackFolderFor(temporaryFolder, path);
        std::error_code error;
        // The folders above the unpack folder; it is made with its mark.
        const std::string above = output.substr(0, output.rfind('/', output.size() - 2));
        std::filesystem::create_directories(above, error);
        if (error || PrepareUnpackFolder(output) != UnpackFolderState::Ready) {
            RemoveEmptyFoldersUpTo(output, temporaryFolder);
            if (m_resultRow)
                m_resultRow("ERRORE in DECOMPATTAZIONE " + path, size);
            markNotRead(path, number, NotReadReason::ConversionFailed);
            return;
        }
    }
    app::ProcessOutcome outcome;
    if (attachments != nullptr) {
        outcome.started = true;
        outcome.exitCode = WriteMailAttachments(*attachments, output, path) ? 0 : 1;
    } else {
        outcome = UnpackWith7z(m_workspace, path, output);
    }
    if (!outcome.started || outcome.stoppedByLimit) {
        RemoveOwnUnpackFolder(output);
        if (m_resultRow)
            m_resultRow("ERRORE in DECOMPATTAZIONE " + path, size);
        markNotRead(path, number, outcome.stoppedByLimit ? NotReadReason::PastLimit : NotReadReason::ConversionFailed);
    } else if (m_workspace.BreakCode == app::StopCode::None) {
        // What a failing unpacker did extract is read all the same; the packed
        // file is unpacked again by the next run.
        if (outcome.exitCode != 0)
            markNotRead(path, number, NotReadReason::ConversionFailed);
        // A book, workbook or presentation is read in its own order, as one text.
        else if (m_lists.readsMoreTypes() && attachments == nullptr)
            WritePackedTextMember(app::lowerAscii(path.substr(path.rfind('/') + 1)), output);
        IndexTempFolder(output, outcome.exitCode == 0);
    } else {
        RemoveOwnUnpackFolder(output);
        // Its members were never read: the next run unpacks it again.
        readAgainNextRun(number);
    }
    RemoveEmptyFoldersUpTo(output, temporaryFolder);
}

void IndexingRun::indexDocument(FileWork& work)
{
    m_workspace.host().setTitle(app::formatMessage("%ld - ", {static_cast<long>(work.number)}) + work.name);
    bool readable = m_lists.HasIndexableText(work.lowerName, m_options.fileFilter, static_cast<int>(m_mode)) &&
                    readsWithMoreTypes(work);
    if (work.update) {
        archive::DocRecord& record = work.record;
        record.lastWrite = work.fileTime;
        record.size = static_cast<std::uint32_t>(work.size);
        record.kind = m_options.markUpdates ? 'c' : 'f';
        m_store.rewriteRecordHead(work.number, record);
        if (!readable)
            return;
        if (record.wordList != 0) {
            work.previousWords = m_store.readWordList(record.wordList);
            std::sort(work.previousWords.begin(), work.previousWords.end());
        }
        ++m_counters.filesUpdated;
        m_workspace.host().setTitle("Update->" + work.name);
    }
    if (readable && m_lists.readsMoreTypes() && extensionOf(work.lowerName) == ".rtf") {
        // Its text, not its control words; read as it is when it cannot be converted.
        const std::string text =
            m_workspace.WorkingFolder + "vedratemp/" + std::to_string(work.number) + ".rtf.txt";
        std::error_code ignored;
        std::filesystem::create_directories(m_workspace.WorkingFolder + "vedratemp", ignored);
        if (WriteRichTextCopy(work.readPath, text))
            work.readPath = text;
        IndexFile(work);
        if (work.readPath == text)
            removeOwnFile(text);
    } else if (readable)
        IndexFile(work);
    else if (work.isNew)
        writeNameOnlyRecord(work);
}

bool IndexingRun::readsWithMoreTypes(const FileWork& work) const
{
    if (!m_lists.readsMoreTypes())
        return true;
    // A packed document's bytes are compressed members and their names: its text
    // is read from the members.
    if (work.kind == ConversionKind::DocumentXml)
        return false;
    // The container's type name ("application/vnd.oasis.opendocument.text"), not
    // its text: every document would be found by "application".
    if (work.member && work.lowerName == "mimetype")
        return false;
    // Mail is read through its decoder, which takes what is text and leaves the rest.
    if (IsMailName(work.lowerName))
        return true;
    if (m_lists.IsUnknownType(work.lowerName))
        return FileLooksLikeText(work.readPath);
    return true;
}

void IndexingRun::writeNameOnlyRecord(const FileWork& work)
{
    archive::DocRecord record;
    record.number = work.number;
    record.lastWrite = work.fileTime;
    record.size = static_cast<std::uint32_t>(work.size);
    record.wordList = 0;
    record.folderText = work.folderText;
    record.kind = 'f';
    record.key = work.key;
    m_store.appendDocumentRecord(record);
}

void IndexingRun::markNotRead(const std::string& path, std::uint32_t number, NotReadReason reason)
{
    readAgainNextRun(number);
    m_counters.notRead.push_back({path, reason});
}

void IndexingRun::readAgainNextRun(std::uint32_t number)
{
    // Time 0 is earlier than any file's: the next run takes the file as changed.
    if (auto record = m_store.readDocument(number); record && record->lastWrite != 0) {
        record->lastWrite = 0;
        m_store.rewriteRecordHead(number, *record);
    }
}

void IndexingRun::IndexFile(FileWork& work)
{
    const bool roots = m_mode == RunMode::Roots;
    auto file = io::FileHandle::open(work.readPath, io::OpenMode::ReadOnly);
    if (!file) {
        if (roots)
            return;
        const NotReadReason reason =
            errno == EACCES || errno == EPERM ? NotReadReason::PermissionDenied : NotReadReason::ReadError;
        if (work.isNew)
            writeNameOnlyRecord(work);
        // Counted as updated by the update decision, before anything was read.
        if (work.update)
            --m_counters.filesUpdated;
        markNotRead(work.path, work.number, reason);
        return;
    }
    std::string extension = extensionOf(work.lowerName);
    bool media = m_lists.IsMultimedia(work.lowerName);
    // With the more-types rules markup is removed at any chunk size (the removal
    // takes linear time) and chunks end between tags, so that no tag is read as text.
    const bool moreTypes = m_lists.readsMoreTypes();
    // Mail is read as the text of its messages, decoded, under the more-types rules.
    std::optional<std::string> mail;
    if (moreTypes && IsMailFile(work.lowerName, work.readPath)) {
        mail = ReadMailFile(work.readPath);
        media = false;
    }
    const bool markup =
        !mail && (isMarkupType(extension) || (moreTypes && IsMoreTypesMarkupExtension(extension)));
    std::int64_t fileSize = mail ? static_cast<std::int64_t>(mail->size()) : file->size();
    std::uint64_t size = fileSize < 0 ? 0 : static_cast<std::uint64_t>(fileSize);
    std::uint64_t limit = media ? kMediaReadLimit : size;
    std::size_t usable = static_cast<std::size_t>(std::max<std::int64_t>(m_workspace.workBuffers.sizes().textUsable, 0));
    std::size_t chunkSize = media ? kMediaChunkSize : std::max<std::size_t>(usable / 4, 4096);
    std::uint8_t* buffer = m_workspace.workBuffers.textBuffer(0);
    std::vector<char> ownBuffer;
    if (buffer == nullptr || chunkSize > static_cast<std::size_t>(m_workspace.workBuffers.sizes().textBytes)) {
        ownBuffer.resize(chunkSize);
        buffer = reinterpret_cast<std::uint8_t*>(ownBuffer.data());
    }
    char* chunk = reinterpret_cast<char*>(buffer);

    if (m_mode == RunMode::Normal || m_mode == RunMode::SingleFolder)
        ++m_counters.filesWithText;
    else
        ++m_counters.otherFilesRead;
    m_extractor.beginDocument(work.number, work.previousWords);
    const std::uint32_t listStart = m_store.wordListEnd();
    app::Host& host = m_workspace.host();
    host.setProgressRange(0, static_cast<int>(std::min<std::uint64_t>(limit, INT_MAX)));
    host.setProgressPosition(0);

    std::uint64_t offset = 0;
    bool readFailed = false;
    while (true) {
        std::int64_t got = 0;
        if (mail) {
            got = static_cast<std::int64_t>(std::min<std::uint64_t>(chunkSize, size - std::min(offset, size)));
            std::memcpy(chunk, mail->data() + std::min(offset, size), static_cast<std::size_t>(got));
        } else {
            got = file->readAt(offset, chunk, chunkSize);
        }
        readFailed = got < 0;
        if (got < 5)
            break;
        std::size_t cut = static_cast<std::size_t>(got);
        bool reachedEnd = offset + cut >= size;
        // Between chunks no word may be split: cut after the last byte that cannot
        // be part of one, and never inside a UTF-8 sequence.
        if (!reachedEnd) {
            std::size_t last = cut;
            while (last > 0 && isWordByte(chunk[last - 1]))
                --last;
            if (last > 0)
                cut = last;
            cut = Utf8SafeLength(chunk, cut);
            if (markup && moreTypes)
                cut = lengthBeforeOpenTag(chunk, cut);
        }
        if (cut < 5)
            break;
        std::size_t length = cut;
        if (isSqueezedType(extension) || media)
            length = SqueezeNuls(chunk, length, chunk);
        if (markup && (moreTypes || length < kMarkupChunkLimit))
            length = StripMarkup(chunk, length, 1);
        length = TranscodeDocumentBlock(chunk, length);
        // Writers of office files and pages spell letters as references ("verr&#224;");
        // under the more-types rules they are read as the letters they stand for.
        if (markup && moreTypes)
            length = DecodeCharacterReferences(chunk, length);
        if (length > 4) {
            if (roots)
                m_extractor.LoadRoots(chunk, length);
            else
                m_extractor.IndexChunk(chunk, length, work.path);
        }
        offset += cut;
        m_counters.bytesRead += cut;
        host.setProgressPosition(static_cast<int>(std::min<std::uint64_t>(offset, INT_MAX)));
        if (m_converters)
            m_converters->startWaiting();
        if (offset >= limit || m_workspace.BreakCode != app::StopCode::None)
            break;
    }
    file->close();
    if (roots)
        return;

    bool addedWords = m_store.wordListEnd() != listStart;
    if (addedWords)
        m_store.endWordList();
    // A document stopped half-way keeps time 0, so the next run reads it again
    // (posting only the words it does not hold yet). A stop inside the last chunk
    // counts too: the word extraction ends at once and drops the chunk's rest.
    // A file whose reading failed half-way keeps the words read so far and is read
    // again the same way.
    bool interrupted = m_workspace.BreakCode != app::StopCode::None || readFailed;
    if (readFailed) {
        --m_counters.filesWithText;
        if (work.update)
            --m_counters.filesUpdated;
        m_counters.notRead.push_back({work.path, NotReadReason::ReadError});
    } else if (work.isNew) {
        ++m_counters.newFilesWithText;
    }
    if (work.isNew) {
        archive::DocRecord record;
        record.number = work.number;
        record.lastWrite = interrupted ? 0 : work.fileTime;
        record.size = static_cast<std::uint32_t>(work.size);
        record.wordList = addedWords ? listStart : 0;
        record.folderText = work.folderText;
        record.kind = 'f';
        record.key = work.key;
        m_store.appendDocumentRecord(record);
    } else if (work.update && !interrupted) {
        // The list just written is the file's whole text: its words replace the old
        // ones, and the words it lost lose their postings.
        std::vector<std::uint32_t> current = addedWords ? m_store.readWordList(listStart) : std::vector<std::uint32_t>{};
        std::sort(current.begin(), current.end());
        current.erase(std::unique(current.begin(), current.end()), current.end());
        std::vector<std::uint32_t> lost;
        std::unique_copy(work.previousWords.begin(), work.previousWords.end(), std::back_inserter(lost));
        lost.erase(std::remove_if(lost.begin(), lost.end(),
                                  [&](std::uint32_t entry) {
                                      return std::binary_search(current.begin(), current.end(), entry);
                                  }),
                   lost.end());
        forgetWords(work.number, std::move(lost));
        work.record.wordList = addedWords ? listStart : 0;
        m_store.rewriteRecordHead(work.number, work.record);
    } else if (work.update) {
        // Read in part: the old list and the part read so far are linked, so that the
        // list still holds every word with a posting; the next run reads it whole.
        work.record.lastWrite = 0;
        if (addedWords) {
            if (work.record.wordList == 0)
                work.record.wordList = listStart;
            else
                m_store.linkWordListBlock(work.record.wordList, listStart);
        }
        m_store.rewriteRecordHead(work.number, work.record);
    }
}

void IndexingRun::convertPdf(const FileWork& pdf, std::uint32_t folderText, bool temporary)
{
    if (!m_options.convertedTypes.empty() && !contains(m_options.convertedTypes, ".pdf"))
        return;
    std::string output;
    app::ProcessOutcome outcome;
    PdfConverters::Taken ahead;
    if (!temporary && m_converters) {
        ahead = m_converters->take(pdf.path, pdf.fileTime, pdf.size, [this] {
            m_workspace.PumpPendingMessages(app::StopCode::Break);
            lookAhead();
        });
        outcome.started = ahead.held;
        outcome.stoppedByBreak = ahead.stopped;
        outcome.stoppedByLimit = ahead.pastLimit;
        outcome.exitCode = ahead.exitCode;
        output = ahead.output;
    }
    if (!ahead.held) {
        std::string extension = extensionOf(pdf.lowerName).substr(0, 5);
        output = temporary ? pdf.path + ".txt"
                           : m_workspace.WorkingFolder + "vedratemp/" + std::to_string(pdf.number) + extension + ".txt";
        outcome = ConvertPdf(m_workspace, pdf.path, output, true);
    }
    if (!outcome.started) {
        if (m_resultRow)
            m_resultRow("ERRORE in DECOMPATTAZIONE pdf " + pdf.path, pdf.size);
        markNotRead(pdf.path, pdf.number, NotReadReason::ConversionFailed);
        return;
    }
    struct stat st {};
    if (m_workspace.BreakCode != app::StopCode::None) {
        if (!output.empty())
            removeOwnFile(output);
        // The PDF's record is written before its text is read: the next run
        // converts it again instead of taking it as read. A stop is not a failure.
        readAgainNextRun(pdf.number);
        return;
    }
    // A converter that crashed (the memory limit ends pdftotext by SIGABRT) or was
    // ended at its time limit leaves at best part of the text: none is indexed.
    if (outcome.stoppedByLimit || outcome.exitCode < 0 || output.empty() || ::stat(output.c_str(), &st) != 0) {
        if (!output.empty())
            removeOwnFile(output);
        if (m_resultRow)
            m_resultRow("ERRORE in DECOMPATTAZIONE pdf " + pdf.path, pdf.size);
        markNotRead(pdf.path, pdf.number,
                    outcome.stoppedByLimit ? NotReadReason::PastLimit : NotReadReason::ConversionFailed);
        return;
    }
    if (m_lists.readsOcr()) {
        recogniseScannedPdf(pdf, output);
        if (m_workspace.BreakCode != app::StopCode::None) {
            removeOwnFile(output);
            readAgainNextRun(pdf.number);
            return;
        }
        if (::stat(output.c_str(), &st) != 0)
            return;
    }
    indexConvertedText(pdf, folderText, output, static_cast<std::uint64_t>(st.st_size));
}

void IndexingRun::recognisePicture(const FileWork& picture, std::uint32_t folderText)
{
    OcrOutcome outcome = RecogniseFile(m_workspace, picture.path, false);
    if (!judgeRecognition(picture, outcome))
        return;
    const std::string output =
        m_workspace.WorkingFolder + "vedratemp/" + std::to_string(picture.number) + ".ocr.txt";
    std::error_code error;
    std::filesystem::create_directories(m_workspace.WorkingFolder + "vedratemp", error);
    if (!io::writeFileAtomically(output, outcome.text)) {
        markNotRead(picture.path, picture.number, NotReadReason::ConversionFailed);
        return;
    }
    indexConvertedText(picture, folderText, output, outcome.text.size());
}

void IndexingRun::recogniseScannedPdf(const FileWork& pdf, const std::string& output)
{
    auto layer = io::readFileBytes(output, kScannedLettersPerPage * kDefaultOcrPageLimit * 4);
    if (!layer || layer->size() >= kScannedLettersPerPage * kDefaultOcrPageLimit * 4 || !PdfTextIsScanned(*layer))
        return;
    OcrOutcome outcome = RecogniseFile(m_workspace, pdf.path, true);
    // The text layer, however thin, stays when nothing better was read.
    if (outcome.state == OcrOutcome::State::Stopped || !judgeRecognition(pdf, outcome))
        return;
    io::writeFileAtomically(output, *layer + "\r\n" + outcome.text);
}

bool IndexingRun::judgeRecognition(const FileWork& file, const OcrOutcome& outcome)
{
    m_counters.pagesRecognised += static_cast<std::uint64_t>(outcome.pages);
    switch (outcome.state) {
    case OcrOutcome::State::Recognised:
        ++(outcome.fromCache ? m_counters.recognisedFromCache : m_counters.filesRecognised);
        return true;
    case OcrOutcome::State::Stopped:
        readAgainNextRun(file.number);
        return false;
    case OcrOutcome::State::Missing:
        // Read once the programs are installed.
        readAgainNextRun(file.number);
        return false;
    case OcrOutcome::State::PastLimit:
    case OcrOutcome::State::Failed:
        if (m_resultRow)
            m_resultRow("ERRORE in OCR " + file.path, file.size);
        markNotRead(file.path, file.number,
                    outcome.state == OcrOutcome::State::PastLimit ? NotReadReason::PastLimit
                                                                  : NotReadReason::ConversionFailed);
        return false;
    }
    return false;
}

void IndexingRun::indexConvertedText(const FileWork& source, std::uint32_t folderText, const std::string& output,
                                     std::uint64_t size)
{
    const FileWork& pdf = source;
    FileWork text;
    text.path = pdf.path + ".txt";
    text.readPath = output;
    text.name = pdf.name + ".txt";
    text.lowerName = pdf.lowerName + ".txt";
    text.key = "txt." + pdf.key;
    text.folderText = folderText;
    text.fileTime = pdf.fileTime;
    text.size = size;
    auto lookup = m_store.findOrAddDocument(text.key, folderText);
    if (lookup) {
        if (lookup->added) {
            text.isNew = true;
            text.number = m_store.documentCount();
            ++m_counters.newDocuments;
        } else if (lookup->record) {
            // The file changed, so its text did.
            text.number = lookup->number;
            text.record = *lookup->record;
            text.update = true;
            text.record.lastWrite = text.fileTime;
            text.record.size = static_cast<std::uint32_t>(text.size);
            text.record.kind = m_options.markUpdates ? 'c' : 'f';
            m_store.rewriteRecordHead(text.number, text.record);
            if (text.record.wordList != 0) {
                text.previousWords = m_store.readWordList(text.record.wordList);
                std::sort(text.previousWords.begin(), text.previousWords.end());
            }
            ++m_counters.filesUpdated;
        }
        if (text.isNew || text.update)
            IndexFile(text);
        // Its text read in part: the next run converts the file again.
        if (m_workspace.BreakCode != app::StopCode::None)
            readAgainNextRun(pdf.number);
    }
    removeOwnFile(output);
}

void IndexingRun::IndexTempFolder(const std::string& folder, bool complete)
{
    // Members are deleted once read: only in a folder the program unpacked into.
    if (!IsOwnUnpackFolder(folder))
        return;
    // Breadth-first from the unpack folder, each folder's node added to "PTH." when
    // it is met, as the main walk adds them; the queue keeps the walk inside this
    // unpack folder, whatever other folders "PTH." holds after its node.
    std::deque<std::pair<std::string, std::uint32_t>> queue;
    if (auto start = m_store.findOrAddFolder(archive::reversed(folder)))
        queue.emplace_back(folder, *start);
    while (!queue.empty() && m_workspace.BreakCode == app::StopCode::None) {
        auto [path, here] = queue.front();
        queue.pop_front();
        bool listed = false;
        const std::vector<WalkEntry> entries = listFolder(path, &listed);
        for (const auto& entry : entries) {
            m_workspace.PumpPendingMessages(app::StopCode::Suspend);
            if (m_workspace.BreakCode != app::StopCode::None)
                break;
            if (entry.folder) {
                std::string sub = path + entry.name + "/";
                // A nested archive's folder is walked by its own call.
                if (entry.name[0] != '.' && !IsOwnUnpackFolder(sub))
                    if (auto text = m_store.findOrAddFolder(archive::reversed(sub)))
                        queue.emplace_back(sub, *text);
                continue;
            }
            if (path == folder && entry.name == kUnpackMarkName)
                continue;
            processFile(path, here, entry.name, entry.fileTime, entry.size, true);
            // A member whose reading was stopped stays for the next run to finish.
            if (m_workspace.BreakCode != app::StopCode::None)
                break;
            removeOwnFile(path + entry.name);
        }
        // What the unpacker wrote whole is the packed file's content now.
        if (complete && listed && m_workspace.BreakCode == app::StopCode::None)
            removeGone(path, here, entries, {}, true);
    }
    if (m_workspace.BreakCode != app::StopCode::None) {
        // What is left is finished by the next run (its resume point names this
        // folder), or removed by it when it does not unpack.
        if (m_mode == RunMode::Normal && m_resumeFolder.empty()) {
            m_resumeFolder = folder;
            m_resumeStart = m_startFolder;
        }
        return;
    }
    RemoveOwnUnpackFolder(folder);
}

bool IndexingRun::readResumePoint(std::string& folder, std::string& start)
{
    auto bytes = io::readFileBytes(m_store.slotPath(archive::SlotResume), 2 * kResumePathSize);
    if (!bytes)
        return false;
    bytes->resize(2 * kResumePathSize, '\0');
    folder = app::textUntilNul(bytes->data(), kResumePathSize);
    start = app::textUntilNul(bytes->data() + kResumePathSize, kResumePathSize);
    return !folder.empty() || !start.empty();
}

void IndexingRun::writeResumePoint()
{
    std::string bytes(2 * kResumePathSize, '\0');
    std::memcpy(bytes.data(), m_resumeFolder.data(), std::min(m_resumeFolder.size(), kResumePathSize - 1));
    std::memcpy(bytes.data() + kResumePathSize, m_resumeStart.data(),
                std::min(m_resumeStart.size(), kResumePathSize - 1));
    auto file = io::FileHandle::open(m_store.slotPath(archive::SlotResume), io::OpenMode::CreateTruncate);
    if (!file || !file->writeAt(0, bytes)) {
        m_workspace.showMessage(MessageKey::MsgWriteError);
        m_workspace.BreakCode = app::StopCode::Break;
    }
}

} // namespace vedra::indexing
