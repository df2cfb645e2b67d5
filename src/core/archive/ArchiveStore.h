// The archive on disk: its sixteen files, the four hashed trees, postings, word
// lists and document records, and the caches that keep the head of the dictionary
// and of the postings in memory while a run writes them.
//
// Damage never crashes a reader: an offset past the end of a file, a truncated
// record or a cycle ends that walk, shows the archive's message and sets BreakCode.
#pragma once

#include "core/archive/ArchiveFiles.h"
#include "core/archive/CachedFile.h"
#include "core/archive/Records.h"
#include "core/archive/RunJournal.h"
#include "core/archive/StoreContext.h"
#include "core/archive/WriterLock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vedra::archive {

// Sizes of the caches; zero disables a cache (every access then goes to the file).
struct CacheSizes {
    std::size_t dictionaryHead = 0;  // head of "PAR."
    std::size_t postingsHead = 0;    // head of "LNK."
    std::size_t keysHead = 0;        // head of "ORD."
    std::size_t foldersHead = 0;     // head of "PTH."
    std::size_t appendBuffer = 1 << 16;

    // The sizes the work buffers allow (`textUsable`: one text buffer's usable bytes).
    static CacheSizes fromBuffers(const StoreBuffers& buffers, std::int64_t textUsable);
};

// What an open for indexing found of the runs before it.
enum class EarlierRun {
    Clean,    // closed clean, or an archive without a mark
    Undone,   // a run was cut off (a kill, a crash): its changes were undone
    Rebuilt,  // files were shorter than recorded: the index files were emptied
};

struct WordLookup {
    std::uint32_t node = 0;      // offset of the WordNode in "PAR."
    std::uint32_t postings = 0;  // its posting head
    bool added = false;          // appended by this lookup
};

struct DocumentLookup {
    std::uint32_t number = 0;  // 0 for a new document: its number is documentCount() after the add
    bool added = false;
    std::optional<DocRecord> record;  // the existing record
};

class ArchiveStore {
public:
    explicit ArchiveStore(StoreContext& context);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore&) = delete;
    ArchiveStore& operator=(const ArchiveStore&) = delete;

    // The path of a slot's file in the current archive folder.
    std::string slotPath(int slot) const;

    // Creates (or empties) one slot's file with its initial content: 1, or -1 when
    // it cannot be created. A file the disk or folder refuses to write shows the
    // cannot-write message naming it (writeRefused() then tells); a failed write
    // of the content shows the write error.
    // `appended` follows the initial content (the entries an option adds to a list).
    int createSlotFile(int slot, std::string_view appended = {});
    // Creates every file of a new archive in the fixed order, stopping at the
    // first failure: 1, or -1. `appended(slot)`, when given, is written after a
    // slot's initial content; without it every file is the description's.
    int createArchiveFiles(const std::function<std::string(int slot)>& appended = {});

    // Opens the archive files for reading only and reads the "IND." header, so an
    // archive on a read-only disk or folder is searched as any other; nothing a
    // reader does writes them. With `mapFiles` the files are also mapped for
    // reading: "PAR." and "LNK." up to the usable sizes of the dictionary and
    // postings buffers (bytes past that are read from the files), the others
    // whole; the mappings outlive the store for the next search of the archive
    // (see MappedFile). The results are the same either way.
    bool open(bool mapFiles = true);
    // A process that searches once and ends (the command line) takes each page
    // of a mapping only once, and a first touch costs about ten reads: its stores
    // map only the files a search reads densely (records, document keys, folders,
    // roots) and read the word tree, the postings and the word lists where the
    // search goes; a long, dense postings list is read a window at a time.
    static void setSearchOnceReaders(bool once);
    // Opens the files for reading and writing, loads the caches and keeps the
    // append points of a run. The resume file "NTD." must be writable too. When
    // the disk or folder refuses writing, nothing is written, the cannot-write
    // message names the file and writeRefused() tells; other failures show nothing.
    //
    // Before anything else the run mark is read: a run that was cut off is undone
    // (the archive is then exactly as before that run, resume point included), and
    // files shorter than the mark records (damage from outside) get their index
    // emptied back to a new archive's content, keeping the text lists and, when
    // intact, the roots; earlierRun() tells which. Then the mark is set for this
    // run, and close() clears it.
    //
    // Before the mark is read the archive's writer lock is taken (see WriterLock)
    // and kept until close(): while another process writes the archive, nothing is
    // read or written, the busy message names that process and busy() tells.
    bool openForIndexing(const CacheSizes& caches);
    // True when the last open for indexing was refused because another run writes
    // the archive.
    bool busy() const { return m_busy; }
    // The writer lock's path (".vedra-writer.lock" in the archive folder).
    std::string writerLockPath() const;
    EarlierRun earlierRun() const { return m_earlierRun; }
    // True when the rebuild emptied the root tree too: the roots must be loaded again.
    bool rootsEmptied() const { return m_rootsEmptied; }
    // The run mark's path ("RUN." + archive number in the archive folder).
    std::string markPath() const;
    bool isOpen() const { return m_open; }
    bool isOpenForIndexing() const { return m_indexing; }
    // True when the last open or creation failed because writing was refused (the
    // message has been shown).
    bool writeRefused() const { return m_writeRefused; }
    // Closes and reopens a slot's file, for writing when open for indexing; on
    // failure shows the write error, BreakCode Break.
    bool reopenSlot(int slot);
    // Flushes the header, caches and append buffers in the archive's order and
    // closes every file. Safe to call twice. After a run, what the flush will
    // overwrite is saved and synced first, and the files are synced before the
    // mark says the run closed clean; a failed flush leaves the mark for the next
    // open to undo the run.
    bool close();

    // Words ("PAR." and "LNK.").
    std::optional<WordLookup> findWord(std::string_view word);
    std::optional<WordLookup> findOrAddWord(std::string_view word);
    // Appends a posting {document, head} and makes it the word's head, unless the
    // head already carries the document. True when a posting was written.
    bool addPosting(WordLookup& word, std::uint32_t document);
    // Document numbers of a posting list, newest first; ends at a damaged offset.
    std::vector<std::uint32_t> readPostings(std::uint32_t head);

    // Word lists ("RCP.").
    std::uint32_t wordListEnd() const;
    bool appendWordListEntry(std::uint32_t value);
    // The 8 closing bytes of a document's list (end mark, continuation offset).
    bool endWordList();
    // The entries of the list at `offset`, following continuation blocks.
    std::vector<std::uint32_t> readWordList(std::uint32_t offset);
    // How many entries of `nodes` the list at `offset` holds, each counted once
    // however often the list holds it: the AND test of a search without building
    // the list. The walk, its damage checks and messages are readWordList's.
    std::size_t countInWordList(std::uint32_t offset, const std::vector<std::uint32_t>& nodes);
    // The list at `offset` for ranking, up to `most` entries: each entry equal to
    // one of `nodes` goes to `hits` as {position in the list, index in nodes}, in
    // list order (`hits` is cleared first). Returns the entries read, and whether
    // that was the whole list.
    std::pair<std::uint32_t, bool> findInWordList(std::uint32_t offset, const std::vector<std::uint32_t>& nodes,
                                                  std::vector<std::pair<std::uint32_t, std::uint32_t>>& hits,
                                                  std::uint32_t most);
    // Whether the list at `offset` is one block of exactly `entries` entries: its
    // end mark and an empty continuation stand right after them. A list's length
    // told without reading it, when the next list's start suggests it.
    bool wordListEndsAt(std::uint32_t offset, std::uint32_t entries);
    // Links a new block to the end of the list at `offset`: its last block's
    // continuation slot (which is 0) receives `block`. False when the list is damaged.
    bool linkWordListBlock(std::uint32_t offset, std::uint32_t block);

    // True when a word-list entry is the offset of a WordNode rather than a packed
    // short word. The two share the entry's bytes: an offset whose low byte is 0
    // is taken for a node only when the word at it leads back to it.
    bool isWordNode(std::uint32_t entry);
    // Takes postings out of the lists of words: for each WordNode offset, the
    // postings of the documents given (sorted) are unlinked, each list walked once.
    // Nodes and postings keep their places; only the link that led to a posting
    // (the word's head or the posting before) is rewritten. False on damage (the
    // message shown) or a failed write.
    bool unlinkPostings(const std::map<std::uint32_t, std::vector<std::uint32_t>>& documentsByWord);

    // Roots ("RAD.").
    bool hasRoot(std::string_view root);
    // Inserts the root unless present; false on a write or tree error.
    bool addRoot(std::string_view root);

    // Folders ("PTH."), keyed by the reversed folder path. Returns the text offset of
    // the folder's node (existing or appended).
    std::optional<std::uint32_t> findOrAddFolder(std::string_view reversedPath, bool* added = nullptr);
    // The reversed folder text at a text offset; empty optional when damaged.
    std::optional<std::string> folderText(std::uint32_t textOffset);
    // The same into `text`, whose buffer a walk keeps; false when damaged.
    bool folderTextInto(std::uint32_t textOffset, std::string& text);
    std::uint32_t foldersEnd() const;

    // Documents ("ORD." and "IND.").
    std::optional<DocumentLookup> findOrAddDocument(std::string_view reversedKey, std::uint32_t folderText);
    // The same lookup without adding or telling anything: number 0 when the key is
    // absent, none when the tree cannot be read (a run finds that out itself).
    std::optional<DocumentLookup> findDocument(std::string_view reversedKey, std::uint32_t folderText) const;
    // Appends the record of the newest document (whose DocKeyNode points at the end of "IND.").
    bool appendDocumentRecord(const DocRecord& record);
    std::optional<DocRecord> readDocument(std::uint32_t number);
    // The same into `out`, reusing its storage; false where readDocument gives nothing.
    bool readDocumentInto(std::uint32_t number, DocRecord& out);
    // Calls `visit` with every document's number and record, in number order,
    // reading "IND." a window at a time: a pass over a large archive costs a few
    // large reads rather than one per record. Unreadable records are skipped.
    void forEachDocument(const std::function<void(std::uint32_t number, const DocRecord& record)>& visit);
    // Rewrites the first 25 bytes of document `number`'s record in place.
    bool rewriteRecordHead(std::uint32_t number, const DocRecord& record);
    std::uint32_t documentCount() const;

    DocumentHeader& header() { return m_header; }
    bool writeHeader();

    // True when a walk met a damaged file since the last call (the message was shown
    // and BreakCode set); clears the mark. A search uses it to go on with its next
    // word where an indexing run would stop.
    bool consumeDamage() { return std::exchange(m_damageSeen, false); }

    // Bytes this run has written to the archive files, for the disk-space check.
    std::uint64_t bytesWritten() const;

private:
    struct TreeDescent;
    bool openWith(io::OpenMode mode, bool mapFiles);
    bool openFiles(io::OpenMode mode);
    bool openSlot(int slot, io::OpenMode mode);
    bool resumeFileWritable();
    void refusedWriting(const std::string& what);
    void mapEveryFile();
    template <typename Visit>
    void walkWordList(std::uint32_t offset, Visit visit);
    CachedFile& file(int slot) { return m_files[static_cast<std::size_t>(slot)]; }
    const CachedFile& file(int slot) const { return m_files[static_cast<std::size_t>(slot)]; }
    void writeFailed();
    void appendFailed();
    bool appendLinkedNode(CachedFile& tree, std::uint32_t slot, const std::string& bytes, std::uint32_t& nodeOffset,
                          const char* orderMessage);
    void damaged(const char* message, StoreFault fault = StoreFault::Damaged);
    bool checkRoomFor(std::uint64_t pendingBytes);
    // Room for `bytes` more in `target` under kArchiveSizeLimit: no offset may
    // pass 32 bits. A refusal shows "Archive too large" once and stops the run.
    bool roomFor(const CachedFile& target, std::uint64_t bytes);
    // The bytes the record of a document with this key takes in "IND.".
    static std::uint64_t recordBytes(std::string_view reversedKey);
    bool appendWordListBytes(std::uint32_t value);
    bool takeWriterLock();
    // Sets a word's posting head. A node the file holds is not made to point at a
    // posting the file does not hold yet: such a head is held here until the
    // postings are written, so that a search beside the run walks the word's
    // completed postings rather than a link to nothing.
    bool setWordHead(std::uint32_t node, std::uint32_t head);
    bool writeHeldHeads();
    // The posting head a lookup found, or the one held for the node.
    std::uint32_t currentHead(std::uint32_t node, std::uint32_t found) const;
    bool beginRun();
    bool undoRun(const RunMark& mark, std::array<bool, kMarkedSlots.size()>& shortFiles);
    bool emptyIndex(bool roots);
    void markedSizes(MarkedSizes& sizes);
    bool endRun();

    // What the run's postings tell without reading them back (see addPosting).
    struct PostedWords {
        enum Answer { Yes, No, Unknown };
        std::uint64_t runStart = 0;                // "LNK." size when the run opened
        std::uint32_t current = 0;                 // document of the pass going on
        bool inPass = false;
        std::unordered_set<std::uint32_t> nodes;   // words posted for it in this pass
        std::vector<std::uint64_t> earlierPasses;  // one bit per document whose pass ended
        // Starts the pass of `document` unless it is the one going on.
        void enter(std::uint32_t document);
        Answer headCarries(const WordLookup& word, std::uint32_t document) const;
        void wrote(std::uint32_t node);
    };

    StoreContext& m_context;
    std::array<CachedFile, kSlotCount> m_files;
    DocumentHeader m_header;
    bool m_open = false;
    bool m_readPostingWindows = false;  // a long, dense postings list is read by windows
    std::unique_ptr<std::uint8_t[]> m_postingWindow;  // made when first needed
    static constexpr std::size_t kListChunkFirst = 4096;
    static constexpr std::size_t kListChunkMost = 64 << 10;
    std::unique_ptr<std::uint8_t[]> m_listChunk;  // word lists read a chunk at a time; made when first needed
    bool m_indexing = false;
    bool m_roomRefused = false;
    bool m_tooLargeShown = false;
    PostedWords m_posted;
    std::unordered_map<std::uint32_t, std::uint32_t> m_heldHeads;  // word node -> posting head
    bool m_damageSeen = false;
    bool m_checkRoom = true;
    bool m_writeRefused = false;
    RunJournal m_journal;
    WriterLock m_writerLock;
    bool m_busy = false;
    EarlierRun m_earlierRun = EarlierRun::Clean;
    bool m_rootsEmptied = false;
};

} // namespace vedra::archive
