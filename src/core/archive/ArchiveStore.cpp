// Trees: a bucket slot leads to an unbalanced binary tree whose nodes are appended
// and never moved. A descent compares the key with each node (unsigned bytes, as
// strcmp), goes to `less` (node + 4) for a smaller key and `greater` (node + 0)
// for a larger one; a miss appends the node and writes its offset into the last
// slot visited. Every offset read is checked against the file before use, and
// every walk counts its steps, so a damaged archive ends the walk instead of the
// program.
#include "core/archive/ArchiveStore.h"

#include "core/archive/WriterLock.h"

#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "core/io/FaultPoint.h"

#include <algorithm>
#include <atomic>
#include <type_traits>
#include <cstring>
#include <filesystem>
#include <limits>

namespace vedra::archive {
namespace {

constexpr std::uint32_t kFirstNodeOffset = kBucketTableSize;
constexpr std::size_t kFolderReadSize = 4200;  // a folder path with its node header
constexpr std::size_t kRootReadSize = 16;

// What a damaged tree shows.
struct TreeMessages {
    const char* beyondEnd;
    const char* selfLoop;
    const char* slotAfterNode;
    StoreFault fault;
};

constexpr TreeMessages kDocumentTreeMessages{"Errore: in AlberoindDoc", "ERROR: in AlberoIndDoc",
                                             "ERROR: in AlberoIndDoc UIradprov>UIradice", StoreFault::Damaged};
constexpr TreeMessages kFolderTreeMessages{"Error: UIradice>LungPathDoc", "Error: UIradice>LungPathDoc",
                                           "Error: UIradprov>UIradice", StoreFault::DamagedFolders};
constexpr TreeMessages kWordTreeMessages{"Error", "Error", "Error", StoreFault::Damaged};

int compareKeys(std::string_view key, std::string_view text)
{
    int c = key.compare(text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The bytes [offset, offset + count) in place when they lie in memory, else
// copied into `copy` (which holds count bytes); null when the file ends before.
const std::uint8_t* fetch(const CachedFile& file, std::uint64_t offset, std::size_t count, std::uint8_t* copy)
{
    if (const std::uint8_t* bytes = file.view(offset, count))
        return bytes;
    return file.readAt(offset, copy, count) == count ? copy : nullptr;
}

// Up to `count` bytes at `offset` (fewer where the file ends), in place or copied
// into `copy`; `got` receives how many.
const std::uint8_t* fetchUpTo(const CachedFile& file, std::uint64_t offset, std::size_t count, std::uint8_t* copy,
                              std::size_t& got)
{
    std::uint64_t size = file.size();
    got = offset < size ? static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset)) : 0;
    if (got == 0)
        return copy;
    if (const std::uint8_t* bytes = file.view(offset, got))
        return bytes;
    got = file.readAt(offset, copy, got);
    return copy;
}

std::uint32_t readU32(const CachedFile& file, std::uint64_t offset, bool& ok)
{
    std::uint8_t copy[4];
    const std::uint8_t* bytes = fetch(file, offset, 4, copy);
    ok = bytes != nullptr;
    return ok ? getU32le(bytes) : 0;
}

bool writeU32(CachedFile& file, std::uint64_t offset, std::uint32_t value)
{
    std::uint8_t bytes[4];
    putU32le(bytes, value);
    return file.writeAt(offset, bytes, 4);
}

// The text terminated inside bytes[from, size), or empty optional.
std::optional<std::string_view> terminated(const std::uint8_t* bytes, std::size_t size, std::size_t from)
{
    if (from >= size)
        return std::nullopt;
    const void* nul = std::memchr(bytes + from, 0, size - from);
    if (nul == nullptr)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes + from),
                            static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - (bytes + from)));
}

// Compares a key with the word of the node at `node`; -1/0/1, or 2 when the node
// cannot be read. On equality `postings` receives the node's posting head. Nodes
// in memory are compared in place: this runs for every word of every document.
int compareWordNode(const CachedFile& tree, std::uint32_t node, std::string_view word, std::uint32_t& postings)
{
    std::uint8_t copy[WordNode::kReadSize];
    const std::uint8_t* bytes = tree.view(node, WordNode::kHeaderSize + word.size() + 1);
    std::size_t got = WordNode::kHeaderSize + word.size() + 1;
    if (bytes == nullptr) {
        got = tree.readAt(node, copy, sizeof copy);
        bytes = copy;
    }
    // The key plus its terminator decides the order as far as the node's text goes.
    std::size_t limit = std::min(got - std::min(got, WordNode::kHeaderSize), word.size() + 1);
    const auto* text = bytes + WordNode::kHeaderSize;
    for (std::size_t i = 0; i < limit; ++i) {
        auto k = i < word.size() ? static_cast<std::uint8_t>(word[i]) : std::uint8_t{0};
        if (k != text[i])
            return k < text[i] ? -1 : 1;
        if (k == 0) {
            postings = getU32le(bytes + 8);
            return 0;
        }
    }
    // The node ended (end of file, or 80 characters) before a difference or a NUL.
    return 2;
}

} // namespace

// The result of a descent: the node found, or the slot where a new node goes.
struct ArchiveStore::TreeDescent {
    std::uint32_t slot = 0;
    std::uint32_t node = 0;
};

CacheSizes CacheSizes::fromBuffers(const StoreBuffers& sizes, std::int64_t textUsable)
{
    CacheSizes caches;
    caches.dictionaryHead = static_cast<std::size_t>(std::max<std::int64_t>(0, sizes.dictionaryUsable));
    caches.postingsHead = static_cast<std::size_t>(std::max<std::int64_t>(0, sizes.postingsUsable));
    caches.keysHead = static_cast<std::size_t>(std::max<std::int64_t>(0, textUsable));
    caches.foldersHead = caches.keysHead;
    return caches;
}

ArchiveStore::ArchiveStore(StoreContext& context) : m_context(context) {}

ArchiveStore::~ArchiveStore()
{
    close();
}

std::string ArchiveStore::slotPath(int slot) const
{
    if (slot == SlotCatalogue)
        return m_context.folders().root + "IND_ARC.PRI";
    const StoreFolders folders = m_context.folders();
    return folders.archive + slotPrefix(slot) + folders.numberText;
}

int ArchiveStore::createSlotFile(int slot, std::string_view appended)
{
    m_writeRefused = false;
    std::string refused;
    auto handle = m_context.openFile(slotPath(slot), io::OpenMode::CreateTruncate, &refused);
    if (!handle) {
        if (!refused.empty())
            refusedWriting(refused);
        return -1;
    }
    std::string content = initialContent(slot, m_context.folders().number);
    content += appended;
    if (!content.empty() && !handle->writeAt(0, content)) {
        writeFailed();
        return -1;
    }
    return 1;
}

int ArchiveStore::createArchiveFiles(const std::function<std::string(int slot)>& appended)
{
    for (int slot : kCreationOrder)
        if (createSlotFile(slot, appended ? appended(slot) : std::string()) < 0)
            return -1;
    // A mark left by an archive that was here before would not match the new files.
    std::error_code error;
    std::filesystem::remove(markPath(), error);
    return 1;
}

bool ArchiveStore::openSlot(int slot, io::OpenMode mode)
{
    const std::string path = slotPath(slot);
    std::string refused;
    std::optional<io::FileHandle> handle = m_context.openFile(path, mode, &refused);
    if (!handle) {
        if (!refused.empty())
            refusedWriting(refused);
        return false;
    }
    return file(slot).open(std::move(*handle));
}

// Every file is opened before anything is written, so a refusal part-way leaves
// the archive as it was.
bool ArchiveStore::openFiles(io::OpenMode mode)
{
    for (int slot : {SlotDocuments, SlotWords, SlotDocumentKeys, SlotRoots, SlotFolders, SlotPostings, SlotWordLists})
        if (!openSlot(slot, mode))
            return false;
    return true;
}

// A run rewrites its resume point as it goes; on a read-only "NTD." an interrupted
// run could not be resumed, so the run does not start. Any other trouble with the
// file is the run's, as before.
bool ArchiveStore::resumeFileWritable()
{
    std::string refused;
    if (m_context.openFile(slotPath(SlotResume), io::OpenMode::ReadWriteCreate, &refused))
        return true;
    if (refused.empty())
        return true;
    refusedWriting(refused);
    return false;
}

void ArchiveStore::refusedWriting(const std::string& what)
{
    m_writeRefused = true;
    m_context.report(StoreFault::CannotWrite, what);
}

namespace {
std::atomic<bool> searchOnceReaders{false};
}

void ArchiveStore::setSearchOnceReaders(bool once)
{
    searchOnceReaders = once;
}

void ArchiveStore::mapEveryFile()
{
    for (int slot : {SlotDocuments, SlotDocumentKeys, SlotRoots, SlotFolders})
        file(slot).mapForReading(std::numeric_limits<std::uint64_t>::max());
    if (searchOnceReaders) {
        m_readPostingWindows = true;
        return;
    }
    const StoreBuffers sizes = m_context.buffers();
    const auto usable = [](std::int64_t bytes) { return static_cast<std::uint64_t>(std::max<std::int64_t>(0, bytes)); };
    file(SlotWords).mapForReading(usable(sizes.dictionaryUsable));
    file(SlotPostings).mapForReading(usable(sizes.postingsUsable));
    file(SlotWordLists).mapForReading(std::numeric_limits<std::uint64_t>::max());
}

bool ArchiveStore::open(bool mapFiles)
{
    return openWith(io::OpenMode::ReadOnly, mapFiles);
}

bool ArchiveStore::openWith(io::OpenMode mode, bool mapFiles)
{
    close();
    m_writeRefused = false;
    if (m_context.folders().archive.empty() || !openFiles(mode)) {
        for (auto& f : m_files)
            f.close();
        return false;
    }
    // A reader of an archive whose run was cut off (or is going on) sees the files
    // as that run found them, as far as their sizes go.
    if (mode == io::OpenMode::ReadOnly)
        if (auto bytes = io::readFileBytes(markPath(), RunMark::kHeadSize))
            if (auto mark = RunMark::decode(*bytes); mark && mark->state == RunMark::kRunOpen)
                for (std::size_t i = 0; i < kMarkedSlots.size(); ++i)
                    if (kMarkedSlots[i] != SlotResume)
                        file(kMarkedSlots[i]).limitSize(mark->sizes[i]);
    // A mapping the system refuses costs nothing: that file is read as before.
    if (mapFiles)
        mapEveryFile();
    std::uint8_t header[DocumentHeader::kSize] = {};
    file(SlotDocuments).readAt(0, header, sizeof header);
    m_header = DocumentHeader::decode(header);
    m_roomRefused = false;
    m_tooLargeShown = false;
    m_checkRoom = true;
    m_open = true;
    return true;
}

bool ArchiveStore::openForIndexing(const CacheSizes& caches)
{
    m_busy = false;
    if (!openWith(io::OpenMode::ReadWrite, false))
        return false;
    // Another run's journal is the record of a live run, not of one cut off: it
    // is read, and undone, only by the one writer that holds the lock.
    if (!takeWriterLock()) {
        close();
        return false;
    }
    if (!resumeFileWritable() || !beginRun()) {
        close();
        return false;
    }
    std::uint8_t header[DocumentHeader::kSize] = {};
    file(SlotDocuments).readAt(0, header, sizeof header);
    m_header = DocumentHeader::decode(header);
    const StoreBuffers buffers = m_context.buffers();
    bool ok = file(SlotWords).setHeadCache(buffers.dictionary, std::min(caches.dictionaryHead, buffers.dictionaryBytes)) &&
              file(SlotPostings).setHeadCache(buffers.postings, std::min(caches.postingsHead, buffers.postingsBytes)) &&
              file(SlotDocumentKeys).setHeadCache(nullptr, caches.keysHead) &&
              file(SlotDocuments).setHeadCache(nullptr, caches.keysHead) &&
              file(SlotRoots).setHeadCache(nullptr, caches.keysHead) &&
              file(SlotFolders).setHeadCache(nullptr, caches.foldersHead);
    if (!ok) {
        damaged("Error");
        close();
        return false;
    }
    for (int slot : {SlotDocuments, SlotWords, SlotDocumentKeys, SlotFolders, SlotPostings, SlotWordLists, SlotRoots}) {
        file(slot).setAppendBuffer(caches.appendBuffer);
        file(slot).setRoomCheck([this](std::uint64_t pending) { return checkRoomFor(pending); });
    }
    // The dictionary's heads reach the file only after the postings they point at.
    file(SlotWords).setFlushHooks([this] { return file(SlotPostings).flush(); }, nullptr);
    file(SlotPostings).setFlushHooks(nullptr, [this] { return writeHeldHeads(); });
    m_heldHeads.clear();
    m_posted = PostedWords{};
    m_posted.runStart = file(SlotPostings).size();
    m_indexing = true;
    return true;
}

bool ArchiveStore::reopenSlot(int slot)
{
    CachedFile& f = file(slot);
    if (f.isOpen() && !f.flush()) {
        writeFailed();
        return false;
    }
    f.close();
    // A reader's files stay read-only: reopening must not need write access.
    auto handle =
        m_context.openFile(slotPath(slot), m_indexing ? io::OpenMode::ReadWrite : io::OpenMode::ReadOnly, nullptr);
    if (!handle || !f.open(std::move(*handle))) {
        writeFailed();
        return false;
    }
    return true;
}

bool ArchiveStore::close()
{
    if (!m_open)
        return true;
    bool ok = true;
    if (m_indexing) {
        io::faultPointsEnterClose();
        // Everything pending goes out now: a node left unwritten while the slot that
        // links it is written would leave the tree pointing past the end of its file.
        // What is pointed at goes first (postings before the words that head them,
        // records before the keys that find them), so that a reader meeting the
        // files half-written finds every link pointing at bytes already there.
        m_checkRoom = false;
        m_header.documents = static_cast<std::int32_t>(documentCount());
        // What these writes overwrite is saved and synced before the first of them.
        std::uint8_t header[DocumentHeader::kSize];
        m_header.encode(header);
        for (int slot : kMarkedSlots)
            if (slot != SlotResume)
                ok = ok && file(slot).protectHead();
        ok = ok && file(SlotDocuments).protect(0, header, sizeof header) && m_journal.sync();
        for (int slot : {SlotPostings, SlotWordLists, SlotFolders, SlotRoots, SlotWords})
            ok = ok && file(slot).flush();
        ok = ok && writeHeader() && file(SlotDocuments).flush() && file(SlotDocumentKeys).flush();
        ok = ok && endRun();
        if (!ok)
            writeFailed();
    }
    m_journal.abandon();
    for (auto& f : m_files) {
        f.setJournal(nullptr, 0);
        f.setFlushHooks(nullptr, nullptr);
        f.close();
    }
    m_heldHeads.clear();
    m_open = false;
    m_readPostingWindows = false;
    m_indexing = false;
    m_writerLock.release();
    return ok;
}

std::string ArchiveStore::writerLockPath() const
{
    return m_context.folders().archive + std::string(kWriterLockName);
}

bool ArchiveStore::takeWriterLock()
{
    const std::string path = writerLockPath();
    switch (m_writerLock.take(path, CurrentCommandLine())) {
    case WriterLock::Outcome::Taken:
        return true;
    case WriterLock::Outcome::Busy:
        m_busy = true;
        m_context.report(StoreFault::ArchiveBusy, m_writerLock.holder());
        return false;
    case WriterLock::Outcome::Failed:
        break;
    }
    refusedWriting(path);
    return false;
}

std::string ArchiveStore::markPath() const
{
    const StoreFolders folders = m_context.folders();
    return folders.archive + "RUN." + folders.numberText;
}

void ArchiveStore::markedSizes(MarkedSizes& sizes)
{
    for (std::size_t i = 0; i < kMarkedSlots.size(); ++i) {
        const int slot = kMarkedSlots[i];
        if (slot == SlotResume) {
            std::error_code error;
            std::uintmax_t size = std::filesystem::file_size(slotPath(slot), error);
            sizes[i] = error ? 0 : static_cast<std::uint64_t>(size);
        } else {
            sizes[i] = file(slot).size();
        }
    }
}

// The run that opened last left its mark: undone when it was cut off, checked
// against the sizes it closed with otherwise. A kill at any point of this is
// recovered by the next open the same way, as the old mark stays until the new
// one replaces it and every step can be done again.
bool ArchiveStore::beginRun()
{
    m_earlierRun = EarlierRun::Clean;
    m_rootsEmptied = false;
    const std::string mark = markPath();
    std::array<bool, kMarkedSlots.size()> shortFiles{};
    if (auto bytes = io::readFileBytes(mark)) {
        // A mark of another layout is not ours to read: the archive is taken as it is.
        if (auto found = RunMark::decode(*bytes)) {
            if (found->state == RunMark::kRunOpen) {
                if (!undoRun(*found, shortFiles)) {
                    writeFailed();
                    return false;
                }
                m_earlierRun = EarlierRun::Undone;
            } else {
                for (std::size_t i = 0; i < kMarkedSlots.size(); ++i)
                    if (kMarkedSlots[i] != SlotResume)
                        shortFiles[i] = file(kMarkedSlots[i]).size() < found->sizes[i];
            }
        }
    }
    // The resume point is rewritten whole by every run; only the others tell damage.
    shortFiles[static_cast<std::size_t>(markedIndex(SlotResume))] = false;
    if (std::find(shortFiles.begin(), shortFiles.end(), true) != shortFiles.end()) {
        const bool roots = shortFiles[static_cast<std::size_t>(markedIndex(SlotRoots))];
        if (!emptyIndex(roots)) {
            writeFailed();
            return false;
        }
        m_earlierRun = EarlierRun::Rebuilt;
        m_rootsEmptied = roots;
    }
    MarkedSizes sizes{};
    for (int slot : kMarkedSlots)
        if (slot != SlotResume && !file(slot).refreshSize())
            return false;
    markedSizes(sizes);
    if (!m_journal.begin(mark, sizes)) {
        writeFailed();
        return false;
    }
    // The run rewrites the resume point by emptying it first: saved whole.
    if (auto resume = io::readFileBytes(slotPath(SlotResume)); resume && !m_journal.saveWhole(SlotResume, *resume)) {
        m_journal.abandon();
        writeFailed();
        return false;
    }
    for (int slot : kMarkedSlots)
        if (slot != SlotResume)
            file(slot).setJournal(&m_journal, slot);
    if (m_earlierRun == EarlierRun::Undone)
        m_context.report(StoreFault::RunUndone);
    else if (m_earlierRun == EarlierRun::Rebuilt)
        m_context.report(StoreFault::ArchiveRebuilt);
    return true;
}

// Puts back the saved bytes, newest first, and cuts every file back to the size
// the run found. A file already shorter than that was damaged from outside: it is
// left for the rebuild (`shortFiles`).
bool ArchiveStore::undoRun(const RunMark& mark, std::array<bool, kMarkedSlots.size()>& shortFiles)
{
    std::optional<io::FileHandle> resume =
        m_context.openFile(slotPath(SlotResume), io::OpenMode::ReadWriteCreate, nullptr);
    if (!resume)
        return false;
    auto handleOf = [&](int slot) -> io::FileHandle& {
        return slot == SlotResume ? *resume : file(slot).handle();
    };
    for (std::size_t i = 0; i < kMarkedSlots.size(); ++i) {
        std::int64_t size = handleOf(kMarkedSlots[i]).size();
        if (size < 0)
            return false;
        shortFiles[i] = kMarkedSlots[i] != SlotResume && static_cast<std::uint64_t>(size) < mark.sizes[i];
    }
    for (auto entry = mark.entries.rbegin(); entry != mark.entries.rend(); ++entry) {
        if (shortFiles[static_cast<std::size_t>(markedIndex(entry->slot))])
            continue;
        if (!handleOf(entry->slot).writeAt(entry->offset, entry->bytes))
            return false;
    }
    for (std::size_t i = 0; i < kMarkedSlots.size(); ++i) {
        io::FileHandle& handle = handleOf(kMarkedSlots[i]);
        std::int64_t size = handle.size();
        if (size < 0)
            return false;
        if (!shortFiles[i] && static_cast<std::uint64_t>(size) != mark.sizes[i] && !handle.truncate(mark.sizes[i]))
            return false;
        if (!handle.sync())
            return false;
    }
    return true;
}

// Back to a new archive's content for the files of the index (and the roots when
// they are damaged too); the text lists are the user's and stay. Each file is
// emptied before it is written, so a kill half-way leaves it short and the next
// open empties it again.
bool ArchiveStore::emptyIndex(bool roots)
{
    std::optional<io::FileHandle> resume =
        m_context.openFile(slotPath(SlotResume), io::OpenMode::ReadWriteCreate, nullptr);
    if (!resume)
        return false;
    for (int slot : kMarkedSlots) {
        if (slot == SlotRoots && !roots)
            continue;
        io::FileHandle& handle = slot == SlotResume ? *resume : file(slot).handle();
        const std::string content = initialContent(slot, m_context.folders().number);
        if (!handle.truncate(0) || (!content.empty() && !handle.writeAt(0, content)) || !handle.sync())
            return false;
    }
    return true;
}

// The files are on the disk before the mark says so.
bool ArchiveStore::endRun()
{
    for (int slot : kMarkedSlots)
        if (slot != SlotResume && !file(slot).handle().sync())
            return false;
    if (auto resume = io::FileHandle::open(slotPath(SlotResume), io::OpenMode::ReadOnly))
        resume->sync();
    MarkedSizes sizes{};
    markedSizes(sizes);
    return m_journal.finish(sizes);
}

bool ArchiveStore::writeHeader()
{
    std::uint8_t bytes[DocumentHeader::kSize];
    m_header.encode(bytes);
    if (!file(SlotDocuments).writeAt(0, bytes, sizeof bytes)) {
        writeFailed();
        return false;
    }
    return true;
}

void ArchiveStore::writeFailed()
{
    m_context.report(StoreFault::WriteError);
}

// The disk-space check has already told the user when it refused the flush.
void ArchiveStore::appendFailed()
{
    if (!m_roomRefused)
        writeFailed();
}

void ArchiveStore::damaged(const char* message, StoreFault fault)
{
    m_damageSeen = true;
    m_context.report(fault, message);
}

std::uint64_t ArchiveStore::bytesWritten() const
{
    std::uint64_t written = 0;
    for (const auto& f : m_files)
        written += f.bytesWritten();
    return written;
}

bool ArchiveStore::checkRoomFor(std::uint64_t pendingBytes)
{
    std::uint64_t freeBytes = m_context.freeDiskBytes();
    std::uint64_t written = bytesWritten();
    if (m_checkRoom && freeBytes < (std::uint64_t{1} << 32) && freeBytes < written + pendingBytes) {
        m_roomRefused = true;
        m_context.report(StoreFault::DiskSpaceLow);
        return false;
    }
    return true;
}

bool ArchiveStore::roomFor(const CachedFile& target, std::uint64_t bytes)
{
    if (target.size() + bytes <= kArchiveSizeLimit)
        return true;
    // Every writer that follows is refused too: the message is shown once.
    if (!std::exchange(m_tooLargeShown, true))
        m_context.report(StoreFault::ArchiveTooLarge);
    return false;
}

std::uint64_t ArchiveStore::recordBytes(std::string_view reversedKey)
{
    return DocRecord::kFixedSize + std::min<std::size_t>(reversedKey.size() + 1, DocRecord::kMaxKeyBytes);
}

// Generic descent. `compare(node)` gives -1/0/1 for the key against the node, or
// 2 when the node cannot be read. minNodeSize bounds the number of steps.
template <typename Compare>
static std::optional<std::pair<std::uint32_t, std::uint32_t>>
descend(const CachedFile& tree, std::uint32_t bucket, std::size_t minNodeSize, Compare compare,
        const char*& failure, const TreeMessages& messages)
{
    std::uint32_t slot = bucket * 4;
    bool ok = true;
    std::uint32_t node = readU32(tree, slot, ok);
    if (!ok) {
        failure = messages.beyondEnd;
        return std::nullopt;
    }
    std::uint64_t size = tree.size();
    std::uint64_t maxSteps = size > kFirstNodeOffset ? (size - kFirstNodeOffset) / minNodeSize + 1 : 1;
    for (std::uint64_t steps = 0; node != 0; ++steps) {
        // Nodes are only appended and a link only goes from 0 to a new node: past
        // a run's starting size, the link is that run's and was 0 when it began.
        if (node >= size && tree.sizeLimited())
            return std::make_pair(slot, std::uint32_t{0});
        if (node < kFirstNodeOffset || node + minNodeSize > size) {
            failure = messages.beyondEnd;
            return std::nullopt;
        }
        if (steps > maxSteps) {
            failure = messages.selfLoop;
            return std::nullopt;
        }
        int c = compare(node);
        if (c == 2) {
            failure = messages.beyondEnd;
            return std::nullopt;
        }
        if (c == 0)
            return std::make_pair(slot, node);
        slot = c < 0 ? node + 4 : node;
        std::uint32_t next = readU32(tree, slot, ok);
        if (!ok) {
            failure = messages.beyondEnd;
            return std::nullopt;
        }
        if (next == node) {
            failure = messages.selfLoop;
            return std::nullopt;
        }
        node = next;
    }
    return std::make_pair(slot, std::uint32_t{0});
}

// Appends `bytes` as a new node and links it from `slot`.
static bool linkNewNode(CachedFile& tree, std::uint32_t slot, const std::string& bytes, std::uint32_t& nodeOffset,
                        bool& orderBroken)
{
    std::uint64_t end = tree.size();
    orderBroken = false;
    if (end + bytes.size() > 0xFFFFFFFFull)
        return false;
    nodeOffset = static_cast<std::uint32_t>(end);
    if (slot >= nodeOffset) {
        orderBroken = true;
        return false;
    }
    return tree.append(bytes.data(), bytes.size()) && writeU32(tree, slot, nodeOffset);
}

// Appends a node and links it from `slot`; on failure tells the user why (the
// slot lying after the node means a damaged tree) and returns false.
bool ArchiveStore::appendLinkedNode(CachedFile& tree, std::uint32_t slot, const std::string& bytes,
                                    std::uint32_t& nodeOffset, const char* orderMessage)
{
    if (!roomFor(tree, bytes.size()))
        return false;
    bool orderBroken = false;
    if (linkNewNode(tree, slot, bytes, nodeOffset, orderBroken))
        return true;
    if (orderBroken)
        damaged(orderMessage);
    else
        appendFailed();
    return false;
}

static std::optional<std::pair<std::uint32_t, std::uint32_t>>
descendWords(const CachedFile& tree, std::uint32_t bucket, std::string_view word, std::uint32_t& postings,
             const char*& failure)
{
    return descend(
        tree, bucket, WordNode::kHeaderSize + 1,
        [&](std::uint32_t node) { return compareWordNode(tree, node, word, postings); }, failure,
        kWordTreeMessages);
}

static std::optional<std::pair<std::uint32_t, std::uint32_t>>
descendRoots(const CachedFile& tree, std::uint32_t bucket, std::string_view root, const char*& failure)
{
    return descend(
        tree, bucket, RootNode::kHeaderSize + 1,
        [&](std::uint32_t node) {
            std::uint8_t bytes[kRootReadSize];
            std::size_t got = tree.readAt(node, bytes, sizeof bytes);
            auto text = terminated(bytes, got, RootNode::kHeaderSize);
            return text ? compareKeys(root, *text) : 2;
        },
        failure, kWordTreeMessages);
}

std::optional<WordLookup> ArchiveStore::findWord(std::string_view word)
{
    auto bucket = wordBucket(word);
    if (!bucket || !m_open)
        return std::nullopt;
    const CachedFile& tree = file(SlotWords);
    const char* failure = nullptr;
    std::uint32_t postings = 0;
    auto found = descendWords(tree, *bucket, word, postings, failure);
    if (!found) {
        damaged(failure);
        return std::nullopt;
    }
    if (found->second == 0)
        return std::nullopt;
    return WordLookup{found->second, currentHead(found->second, postings), false};
}

std::optional<WordLookup> ArchiveStore::findOrAddWord(std::string_view word)
{
    if (!m_open)
        return std::nullopt;
    auto bucket = wordBucket(word);
    if (!bucket) {
        // A key outside the bucket table is refused; the run goes on without it.
        m_context.report(StoreFault::KeyRefused, "Error");
        return std::nullopt;
    }
    CachedFile& tree = file(SlotWords);
    const char* failure = nullptr;
    std::uint32_t postings = 0;
    auto found = descendWords(tree, *bucket, word, postings, failure);
    if (!found) {
        damaged(failure);
        return std::nullopt;
    }
    if (found->second != 0)
        return WordLookup{found->second, currentHead(found->second, postings), false};

    // The node already points where its first posting will be written.
    WordNode node;
    node.postings = static_cast<std::uint32_t>(file(SlotPostings).size());
    node.word = word;
    std::string bytes;
    node.encode(bytes);
    std::uint32_t offset = 0;
    if (!appendLinkedNode(tree, found->first, bytes, offset, "Error"))
        return std::nullopt;
    return WordLookup{offset, node.postings, true};
}

bool ArchiveStore::addPosting(WordLookup& word, std::uint32_t document)
{
    CachedFile& postings = file(SlotPostings);
    std::uint32_t previous = 0;
    m_posted.enter(document);
    // A word whose every posting was taken out (its files changed or gone) has
    // head 0: it gets a list again as a new word does.
    if (!word.added && word.postings != 0) {
        if (word.postings < 8 || word.postings + std::uint64_t{Posting::kSize} > postings.size()) {
            damaged("Error");
            return false;
        }
        switch (m_posted.headCarries(word, document)) {
        case PostedWords::Yes:
            return false;
        case PostedWords::No:
            break;
        case PostedWords::Unknown: {
            std::uint8_t head[Posting::kSize];
            if (postings.readAt(word.postings, head, sizeof head) != sizeof head) {
                damaged("Error");
                return false;
            }
            if (Posting::decode(head).document == document)
                return false;
            break;
        }
        }
        previous = word.postings;
    }
    std::uint64_t end = postings.size();
    if (!roomFor(postings, Posting::kSize)) {
        // A new word's node points where this posting would have gone: it gets
        // none instead, so that no node points past the end of "LNK.".
        if (word.added)
            setWordHead(word.node, 0);
        return false;
    }
    std::uint8_t bytes[Posting::kSize];
    Posting{document, previous}.encode(bytes);
    if (!postings.append(bytes, sizeof bytes)) {
        appendFailed();
        return false;
    }
    auto offset = static_cast<std::uint32_t>(end);
    if ((!word.added || word.postings != offset) && !setWordHead(word.node, offset))
        return false;
    word.postings = offset;
    word.added = false;
    m_posted.wrote(word.node);
    return true;
}

bool ArchiveStore::setWordHead(std::uint32_t node, std::uint32_t head)
{
    CachedFile& words = file(SlotWords);
    if (words.writesThrough(std::uint64_t{node} + 8) &&
        std::uint64_t{head} + Posting::kSize > file(SlotPostings).fileSize()) {
        m_heldHeads[node] = head;
        // Held heads cost memory: now and then the postings go out, and they with them.
        constexpr std::size_t kHeldHeadsLimit = 1 << 16;
        return m_heldHeads.size() < kHeldHeadsLimit || file(SlotPostings).flush();
    }
    m_heldHeads.erase(node);
    if (!writeU32(words, std::uint64_t{node} + 8, head)) {
        writeFailed();
        return false;
    }
    return true;
}

bool ArchiveStore::writeHeldHeads()
{
    CachedFile& words = file(SlotWords);
    for (const auto& [node, head] : m_heldHeads) {
        if (!writeU32(words, std::uint64_t{node} + 8, head)) {
            writeFailed();
            return false;
        }
    }
    m_heldHeads.clear();
    return true;
}

std::uint32_t ArchiveStore::currentHead(std::uint32_t node, std::uint32_t found) const
{
    if (m_heldHeads.empty())
        return found;
    auto held = m_heldHeads.find(node);
    return held == m_heldHeads.end() ? found : held->second;
}

// Whether a word's head posting carries `document`, from what this run wrote:
// a head written in this run belongs to the pass that wrote it, so only heads
// older than the run, or a document met in two passes, need the posting read.
// A run's postings outgrow the postings buffer long before its dictionary
// outgrows the dictionary buffer; without this every posting past the buffer
// cost a read of the file.
void ArchiveStore::PostedWords::enter(std::uint32_t document)
{
    if (inPass && document == current)
        return;
    if (inPass) {
        if (earlierPasses.size() <= current / 64)
            earlierPasses.resize(current / 64 + 1, 0);
        earlierPasses[current / 64] |= std::uint64_t{1} << (current % 64);
    }
    current = document;
    inPass = true;
    nodes.clear();
}

ArchiveStore::PostedWords::Answer ArchiveStore::PostedWords::headCarries(const WordLookup& word,
                                                                        std::uint32_t document) const
{
    if (nodes.count(word.node) != 0)
        return Yes;
    if (word.postings < runStart)
        return Unknown;
    const bool seenBefore =
        document / 64 < earlierPasses.size() && ((earlierPasses[document / 64] >> (document % 64)) & 1) != 0;
    return seenBefore ? Unknown : No;
}

void ArchiveStore::PostedWords::wrote(std::uint32_t node)
{
    nodes.insert(node);
}

std::vector<std::uint32_t> ArchiveStore::readPostings(std::uint32_t head)
{
    std::vector<std::uint32_t> documents;
    if (!m_open)
        return documents;
    const CachedFile& postings = file(SlotPostings);
    // Older postings lie at smaller offsets: a list that does not descend is damaged.
    std::uint32_t offset = head;
    std::uint32_t limit = 0xFFFFFFFFu;
    // A short list costs a read per posting. Where the first reads find a long
    // list dense, the file is read a window at a time instead: copying a window
    // costs less than touching its pages through a mapping, each of which costs
    // a process about a microsecond the first time.
    constexpr std::size_t kReadsAlone = 256;
    constexpr std::uint64_t kWindow = 1 << 20;
    bool windows = false;
    std::uint64_t windowFrom = 0;
    std::uint64_t windowTo = 0;
    while (offset != 0) {
        // A posting of a run going on. The run writes postings whole before any
        // link to them, so one found in the file leads on to the older ones; its
        // document is not a completed one yet and is left out. One not in the
        // file yet ends the walk.
        if (offset >= postings.size() && postings.sizeLimited()) {
            std::uint8_t live[Posting::kSize];
            if (offset >= limit || postings.handle().readAt(offset, live, sizeof live) != sizeof live)
                break;
            const Posting posting = Posting::decode(live);
            if (posting.document <= documentCount())
                documents.push_back(posting.document);
            limit = offset;
            offset = posting.next;
            continue;
        }
        if (documents.size() == kReadsAlone && m_readPostingWindows && postings.mappedSize() == 0)
            windows = head - offset <= kReadsAlone * (kWindow / 64);  // 64 postings to a window
        const std::uint8_t* bytes = nullptr;
        std::uint8_t copy[Posting::kSize];
        if (offset < 8 || offset >= limit) {
            // no bytes: the list is damaged
        } else if (windows && offset >= windowFrom && std::uint64_t{offset} + Posting::kSize <= windowTo) {
            bytes = m_postingWindow.get() + (offset - windowFrom);
        } else if (windows) {
            windowTo = std::uint64_t{offset} + Posting::kSize;
            windowFrom = windowTo > kWindow ? windowTo - kWindow : 0;
            if (!m_postingWindow)
                m_postingWindow = std::make_unique_for_overwrite<std::uint8_t[]>(kWindow);
            const std::size_t want = static_cast<std::size_t>(windowTo - windowFrom);
            if (postings.readAt(windowFrom, m_postingWindow.get(), want) == want) {
                bytes = m_postingWindow.get() + (offset - windowFrom);
            } else {
                windows = false;  // the file ends before: read as any other posting, which tells
                bytes = fetch(postings, offset, sizeof copy, copy);
            }
        } else {
            bytes = fetch(postings, offset, sizeof copy, copy);
        }
        if (bytes == nullptr) {
            damaged("Error");
            break;
        }
        Posting posting = Posting::decode(bytes);
        documents.push_back(posting.document);
        limit = offset;
        offset = posting.next;
    }
    return documents;
}

std::uint32_t ArchiveStore::wordListEnd() const
{
    return static_cast<std::uint32_t>(file(SlotWordLists).size());
}

bool ArchiveStore::appendWordListEntry(std::uint32_t value)
{
    // An entry leaves room for the list's 8 closing bytes, so a list cut by the
    // limit still ends where a reader expects it to.
    if (!roomFor(file(SlotWordLists), 4 + 8))
        return false;
    return appendWordListBytes(value);
}

bool ArchiveStore::appendWordListBytes(std::uint32_t value)
{
    std::uint8_t bytes[4];
    putU32le(bytes, value);
    if (!file(SlotWordLists).append(bytes, 4)) {
        appendFailed();
        return false;
    }
    return true;
}

bool ArchiveStore::endWordList()
{
    if (!roomFor(file(SlotWordLists), 8))
        return false;
    return appendWordListBytes(0) && appendWordListBytes(0);
}

// Every entry of the list at `offset` goes to visit(value), in order. A block's
// entries lie together up to its end mark, so where the file is in memory they are
// scanned in place; each entry still counts against the budget and every offset
// is still checked, exactly as when the entries are read one by one.
template <typename Visit>
void ArchiveStore::walkWordList(std::uint32_t offset, Visit visit)
{
    // A visitor that returns false has seen enough: the walk ends there.
    auto visitEntry = [](Visit& visitor, std::uint32_t value) {
        if constexpr (std::is_same_v<decltype(visitor(value)), bool>)
            return visitor(value);
        else {
            visitor(value);
            return true;
        }
    };
    const CachedFile& lists = file(SlotWordLists);
    const std::uint64_t size = lists.size();
    std::uint64_t budget = size / 4 + 1;  // no list holds more entries than the file
    std::uint32_t at = offset;
    std::size_t chunkBytes = kListChunkFirst;
    while (at != 0 && budget > 0) {
        // A block a run going on linked to the list: the list ended before it.
        if (at >= size && at != offset && lists.sizeLimited())
            break;
        if (at < 4 || at >= size) {
            damaged("Error");
            break;
        }
        std::size_t whole = static_cast<std::size_t>((size - at) / 4);
        const std::uint8_t* block = whole > 1 ? lists.view(at, whole * 4) : nullptr;
        // Not in memory: a chunk at a time, not a read per entry. Most lists end in
        // their first chunk; one that goes on is read in larger chunks, since every
        // read costs a few microseconds whatever its size.
        if (block == nullptr && whole > 1) {
            if (!m_listChunk)
                m_listChunk = std::make_unique_for_overwrite<std::uint8_t[]>(kListChunkMost);
            whole = std::min(whole, chunkBytes / 4);
            if (lists.readAt(at, m_listChunk.get(), whole * 4) == whole * 4)
                block = m_listChunk.get();
            chunkBytes = std::min(chunkBytes * 4, kListChunkMost);
        }
        bool ok = true;
        bool endMark = false;
        if (block != nullptr) {
            const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(whole, budget));
            std::size_t i = 0;
            for (; i < limit; ++i) {
                std::uint32_t value = getU32le(block + 4 * i);
                if (value == 0)
                    break;
                if (!visitEntry(visit, value))
                    return;
            }
            endMark = i < limit;
            budget -= endMark ? i + 1 : i;  // the end mark counts as an entry read
            // Out of budget or past the last whole entry: the next turn decides.
            at += static_cast<std::uint32_t>(4 * i);
            if (!endMark)
                continue;
        } else {
            std::uint32_t value = readU32(lists, at, ok);
            if (!ok) {
                damaged("Error");
                break;
            }
            --budget;
            if (value != 0) {
                if (!visitEntry(visit, value))
                    return;
                at += 4;
                continue;
            }
        }
        std::uint32_t continuation = readU32(lists, static_cast<std::uint64_t>(at) + 4, ok);
        if (!ok) {
            damaged("Error");
            break;
        }
        at = continuation;
    }
    if (budget == 0)
        damaged("Error");
}

std::vector<std::uint32_t> ArchiveStore::readWordList(std::uint32_t offset)
{
    std::vector<std::uint32_t> entries;
    if (m_open)
        walkWordList(offset, [&](std::uint32_t value) { entries.push_back(value); });
    return entries;
}

std::size_t ArchiveStore::countInWordList(std::uint32_t offset, const std::vector<std::uint32_t>& nodes)
{
    if (!m_open)
        return 0;
    // Lists run to tens of thousands of entries and the query has a few words: one
    // bit per low six bits of the nodes lets almost every entry pass with a shift.
    std::uint64_t mask = 0;
    for (std::uint32_t node : nodes)
        mask |= std::uint64_t{1} << (node & 63);
    std::vector<char> held(nodes.size(), 0);
    std::size_t heldCount = 0;
    walkWordList(offset, [&](std::uint32_t value) {
        if (((mask >> (value & 63)) & 1) == 0)
            return true;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (held[i] == 0 && nodes[i] == value) {
                held[i] = 1;
                ++heldCount;
            }
        }
        // Once every node is held the count cannot grow: the rest of the list is not read.
        return heldCount < nodes.size();
    });
    return static_cast<std::size_t>(std::count(held.begin(), held.end(), 1));
}

std::pair<std::uint32_t, bool> ArchiveStore::findInWordList(std::uint32_t offset,
                                                            const std::vector<std::uint32_t>& nodes,
                                                            std::vector<std::pair<std::uint32_t, std::uint32_t>>& hits,
                                                            std::uint32_t most)
{
    hits.clear();
    if (!m_open || most == 0)
        return {0, false};
    std::uint64_t mask = 0;
    for (std::uint32_t node : nodes)
        mask |= std::uint64_t{1} << (node & 63);
    std::uint32_t position = 0;
    bool whole = true;
    walkWordList(offset, [&](std::uint32_t value) {
        if (position == most) {
            whole = false;
            return false;
        }
        if (((mask >> (value & 63)) & 1) != 0)
            for (std::size_t i = 0; i < nodes.size(); ++i)
                if (nodes[i] == value)
                    hits.emplace_back(position, static_cast<std::uint32_t>(i));
        ++position;
        return true;
    });
    return {position, whole};
}

bool ArchiveStore::wordListEndsAt(std::uint32_t offset, std::uint32_t entries)
{
    const CachedFile& lists = file(SlotWordLists);
    const std::uint64_t end = static_cast<std::uint64_t>(offset) + 4 * static_cast<std::uint64_t>(entries);
    if (!m_open || offset < 4 || end + 8 > lists.size())
        return false;
    bool ok = true;
    const std::uint32_t mark = readU32(lists, end, ok);
    const std::uint32_t continuation = ok ? readU32(lists, end + 4, ok) : 1;
    return ok && mark == 0 && continuation == 0;
}

bool ArchiveStore::linkWordListBlock(std::uint32_t offset, std::uint32_t block)
{
    CachedFile& lists = file(SlotWordLists);
    std::uint64_t size = lists.size();
    std::uint64_t budget = size / 4 + 1;
    std::uint32_t at = offset;
    bool ok = true;
    while (budget-- > 0) {
        if (at < 4 || static_cast<std::uint64_t>(at) + 8 > size)
            break;
        if (readU32(lists, at, ok) != 0) {
            at += 4;
            continue;
        }
        std::uint32_t continuation = readU32(lists, static_cast<std::uint64_t>(at) + 4, ok);
        if (!ok)
            break;
        if (continuation == 0) {
            if (!writeU32(lists, static_cast<std::uint64_t>(at) + 4, block)) {
                writeFailed();
                return false;
            }
            return true;
        }
        at = continuation;
    }
    damaged("Error");
    return false;
}

bool ArchiveStore::hasRoot(std::string_view root)
{
    auto bucket = wordBucket(root);
    if (!bucket || !m_open)
        return false;
    const CachedFile& tree = file(SlotRoots);
    const char* failure = nullptr;
    auto found = descendRoots(tree, *bucket, root, failure);
    if (!found) {
        damaged(failure);
        return false;
    }
    return found->second != 0;
}

bool ArchiveStore::addRoot(std::string_view root)
{
    if (!m_open)
        return false;
    auto bucket = wordBucket(root);
    if (!bucket) {
        m_context.report(StoreFault::KeyRefused, "Error");
        return true;
    }
    CachedFile& tree = file(SlotRoots);
    const char* failure = nullptr;
    auto found = descendRoots(tree, *bucket, root, failure);
    if (!found) {
        damaged(failure);
        return false;
    }
    if (found->second != 0)
        return true;
    RootNode node;
    node.root = root;
    std::string bytes;
    node.encode(bytes);
    std::uint32_t offset = 0;
    if (!appendLinkedNode(tree, found->first, bytes, offset, "Error"))
        return false;
    return true;
}

std::optional<std::uint32_t> ArchiveStore::findOrAddFolder(std::string_view reversedPath, bool* added)
{
    if (added)
        *added = false;
    if (!m_open)
        return std::nullopt;
    CachedFile& tree = file(SlotFolders);
    const char* failure = nullptr;
    std::vector<std::uint8_t> bytes(kFolderReadSize);
    auto found = descend(
        tree, pathBucket(reversedPath), FolderNode::kTextOffset + 1,
        [&](std::uint32_t node) {
            std::size_t got = tree.readAt(node, bytes.data(), bytes.size());
            auto text = terminated(bytes.data(), got, FolderNode::kTextOffset);
            return text ? compareKeys(reversedPath, *text) : 2;
        },
        failure, kFolderTreeMessages);
    if (!found) {
        damaged(failure, kFolderTreeMessages.fault);
        return std::nullopt;
    }
    if (found->second != 0)
        return found->second + static_cast<std::uint32_t>(FolderNode::kTextOffset);
    FolderNode node;
    node.text = reversedPath;
    std::string encoded;
    node.encode(encoded);
    std::uint32_t offset = 0;
    if (!appendLinkedNode(tree, found->first, encoded, offset, kFolderTreeMessages.slotAfterNode))
        return std::nullopt;
    if (added)
        *added = true;
    return offset + static_cast<std::uint32_t>(FolderNode::kTextOffset);
}

std::optional<std::string> ArchiveStore::folderText(std::uint32_t textOffset)
{
    std::string text;
    if (!folderTextInto(textOffset, text))
        return std::nullopt;
    return text;
}

bool ArchiveStore::folderTextInto(std::uint32_t textOffset, std::string& text)
{
    const CachedFile& tree = file(SlotFolders);
    if (textOffset < kFirstNodeOffset + FolderNode::kTextOffset || textOffset >= tree.size())
        return false;
    std::uint8_t copy[kFolderReadSize];
    std::size_t got = 0;
    const std::uint8_t* bytes = fetchUpTo(tree, textOffset, sizeof copy, copy, got);
    auto found = terminated(bytes, got, 0);
    if (!found)
        return false;
    text.assign(*found);
    return true;
}

std::uint32_t ArchiveStore::foldersEnd() const
{
    return static_cast<std::uint32_t>(file(SlotFolders).size());
}

// The document tree's descent to `reversedKey` in the folder at `folderText`:
// (slot, node), node 0 when absent; `match` receives the record found.
static std::optional<std::pair<std::uint32_t, std::uint32_t>>
descendDocuments(const CachedFile& keys, const CachedFile& documents, std::string_view reversedKey,
                 std::uint32_t folderText, std::optional<DocRecord>& match, const char*& failure)
{
    std::vector<std::uint8_t> bytes(DocRecord::kReadSize);
    return descend(
        keys, pathBucket(reversedKey), DocKeyNode::kSize,
        [&](std::uint32_t node) {
            std::uint8_t nodeBytes[DocKeyNode::kSize];
            if (keys.readAt(node, nodeBytes, sizeof nodeBytes) != sizeof nodeBytes)
                return 2;
            std::uint32_t recordOffset = DocKeyNode::decode(nodeBytes).record;
            if (recordOffset < DocumentHeader::kSize)
                return 2;
            std::size_t got = documents.readAt(recordOffset, bytes.data(), bytes.size());
            auto record = DocRecord::decode(bytes.data(), got);
            if (!record)
                return 2;
            int c = compareKeys(reversedKey, record->key);
            // The same name in another folder is another document: go on to the right.
            if (c == 0 && record->folderText != folderText)
                return 1;
            if (c == 0)
                match = std::move(record);
            return c;
        },
        failure, kDocumentTreeMessages);
}

std::optional<DocumentLookup> ArchiveStore::findDocument(std::string_view reversedKey, std::uint32_t folderText) const
{
    if (!m_open)
        return std::nullopt;
    const char* failure = nullptr;
    std::optional<DocRecord> match;
    auto found = descendDocuments(file(SlotDocumentKeys), file(SlotDocuments), reversedKey, folderText, match, failure);
    if (!found)
        return std::nullopt;
    DocumentLookup lookup;
    if (found->second != 0) {
        lookup.number = (found->second - kFirstNodeOffset) / DocKeyNode::kSize + 1;
        lookup.record = std::move(match);
    }
    return lookup;
}

std::optional<DocumentLookup> ArchiveStore::findOrAddDocument(std::string_view reversedKey, std::uint32_t folderText)
{
    if (!m_open)
        return std::nullopt;
    CachedFile& keys = file(SlotDocumentKeys);
    CachedFile& documents = file(SlotDocuments);
    const char* failure = nullptr;
    std::optional<DocRecord> match;
    auto found = descendDocuments(keys, documents, reversedKey, folderText, match, failure);
    if (!found) {
        damaged(failure);
        return std::nullopt;
    }
    if (found->second != 0) {
        DocumentLookup lookup;
        lookup.number = (found->second - kFirstNodeOffset) / DocKeyNode::kSize + 1;
        lookup.record = std::move(match);
        return lookup;
    }
    // The node points at the end of "IND.", where its record goes next: both must fit.
    if (!roomFor(documents, recordBytes(reversedKey)))
        return std::nullopt;
    std::uint8_t nodeBytes[DocKeyNode::kSize];
    DocKeyNode{0, 0, static_cast<std::uint32_t>(documents.size())}.encode(nodeBytes);
    std::string encoded(reinterpret_cast<const char*>(nodeBytes), sizeof nodeBytes);
    std::uint32_t offset = 0;
    if (!appendLinkedNode(keys, found->first, encoded, offset, kDocumentTreeMessages.slotAfterNode))
        return std::nullopt;
    DocumentLookup lookup;
    lookup.added = true;
    return lookup;
}

bool ArchiveStore::appendDocumentRecord(const DocRecord& record)
{
    DocRecord stored = record;
    if (stored.key.size() + 1 > DocRecord::kMaxKeyBytes)
        stored.key.resize(DocRecord::kMaxKeyBytes - 1);
    if (!roomFor(file(SlotDocuments), stored.encodedSize()))
        return false;
    std::string bytes;
    stored.encode(bytes);
    if (!file(SlotDocuments).append(bytes.data(), bytes.size())) {
        appendFailed();
        return false;
    }
    return true;
}

std::optional<DocRecord> ArchiveStore::readDocument(std::uint32_t number)
{
    DocRecord record;
    if (!readDocumentInto(number, record))
        return std::nullopt;
    return record;
}

bool ArchiveStore::readDocumentInto(std::uint32_t number, DocRecord& out)
{
    if (number == 0 || number > documentCount())
        return false;
    std::uint8_t nodeCopy[DocKeyNode::kSize];
    const std::uint8_t* node = fetch(file(SlotDocumentKeys), docKeyNodeOffset(number), sizeof nodeCopy, nodeCopy);
    if (node == nullptr)
        return false;
    std::uint32_t recordOffset = DocKeyNode::decode(node).record;
    const CachedFile& documents = file(SlotDocuments);
    if (recordOffset < DocumentHeader::kSize || recordOffset >= documents.size())
        return false;
    std::uint8_t copy[DocRecord::kReadSize];
    std::size_t got = 0;
    const std::uint8_t* bytes = fetchUpTo(documents, recordOffset, sizeof copy, copy, got);
    return DocRecord::decodeInto(bytes, got, out);
}

bool ArchiveStore::rewriteRecordHead(std::uint32_t number, const DocRecord& record)
{
    if (number == 0 || number > documentCount())
        return false;
    std::uint8_t nodeBytes[DocKeyNode::kSize];
    if (file(SlotDocumentKeys).readAt(docKeyNodeOffset(number), nodeBytes, sizeof nodeBytes) != sizeof nodeBytes)
        return false;
    std::uint32_t recordOffset = DocKeyNode::decode(nodeBytes).record;
    CachedFile& documents = file(SlotDocuments);
    if (recordOffset < DocumentHeader::kSize || recordOffset + DocRecord::kFixedSize > documents.size())
        return false;
    std::uint8_t fixed[DocRecord::kFixedSize];
    record.encodeFixed(fixed);
    if (!documents.writeAt(recordOffset, fixed, sizeof fixed)) {
        writeFailed();
        return false;
    }
    return true;
}

std::uint32_t ArchiveStore::documentCount() const
{
    std::uint64_t size = file(SlotDocumentKeys).size();
    return size > kFirstNodeOffset ? static_cast<std::uint32_t>((size - kFirstNodeOffset) / DocKeyNode::kSize) : 0;
}

} // namespace vedra::archive
