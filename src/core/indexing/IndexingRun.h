// The indexing run: walks a start folder and everything below it through the
// archive's folder tree, registers every file, reads the text of the files whose
// type allows it, converts PDFs and unpacks compressed files through outside
// programs, and can be stopped and resumed.
#pragma once

#include "core/archive/Records.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/MailText.h"
#include "core/indexing/OcrReader.h"
#include "core/indexing/PatternFilter.h"
#include "core/indexing/PdfConverters.h"
#include "core/indexing/WordExtractor.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vedra::app {
class Workspace;
}
namespace vedra::archive {
class ArchiveStore;
struct DocRecord;
}

namespace vedra::indexing {

class ArchiveInventory;

// An entry of a folder as the walk lists it.
struct WalkEntry {
    std::string name;
    bool folder = false;
    std::uint64_t fileTime = 0;
    std::uint64_t size = 0;
    bool detailed = true;  // fileTime and size were read (a folder's mean nothing)
};

enum class RunMode { None = 0, Roots = 4, Normal = 5, SingleFolder = 6 };

struct IndexingOptions {
    bool subfolders = true;
    bool unpack = false;
    PatternFilter fileFilter;
    PatternFilter folderFilter;
    // The search page's type filter: when set without ".pdf", PDFs are not converted.
    std::string convertedTypes;
    // Every found file is read again, changed or not.
    bool rereadAll = false;
    // Records rewritten by an update get the kind 'c'.
    bool markUpdates = false;
    // PDF converters that may run ahead of the walk; 0 converts each PDF when the
    // walk reaches it. The archive is the same either way.
    std::size_t pdfConverters = DefaultPdfConverters();
    // Without `subfolders`: the sub-folders gone from the start folder still take
    // their documents with them (the live index runs a folder alone after one of
    // its sub-folders went).
    bool removeGoneSubfolders = false;
    // A start folder found empty empties its documents too. Off, an empty start
    // folder may be the mount point of a disk not plugged in and keeps them; the
    // live index turns it on for a folder below the one it watches, emptied by hand.
    bool emptyStartRemoves = false;
};

// Why a file's text could not be read; the file is read again by the next run.
enum class NotReadReason { PermissionDenied, ReadError, ConversionFailed, PastLimit };

// "permission denied", "read error", "conversion failed".
std::string_view notReadReasonText(NotReadReason reason);

struct FileNotRead {
    std::string path;
    NotReadReason reason = NotReadReason::ReadError;
};

struct IndexingCounters {
    std::uint64_t foldersMet = 0;
    std::uint64_t foldersIndexed = 0;
    std::uint64_t filesSeen = 0;
    std::uint64_t newDocuments = 0;
    std::uint64_t newFilesWithText = 0;
    std::uint64_t filesWithText = 0;
    std::uint64_t filesUpdated = 0;
    std::uint64_t otherFilesRead = 0;
    std::uint64_t wordsIndexed = 0;
    std::uint64_t bytesRead = 0;
    // Documents of files gone from the folders walked (deleted, moved away).
    std::uint64_t filesRemoved = 0;
    // Records marked removed in the archive after the run (known when the run
    // looked at what the archive held; 0 for an archive that held nothing).
    std::uint64_t removedInArchive = 0;
    // Folders the excluded-folder list kept out of the walk, and how many each of
    // its entries did, in the order the entries first acted.
    std::uint64_t foldersExcluded = 0;
    std::vector<std::pair<std::string, std::uint64_t>> excludedBy;
    // Files whose text the run could not read, in the order met (not counted as
    // with text or updated).
    std::vector<FileNotRead> notRead;
    // Text recognition: files whose text was recognised now, taken from the
    // cache, and the pages (pictures) given to tesseract.
    std::uint64_t filesRecognised = 0;
    std::uint64_t recognisedFromCache = 0;
    std::uint64_t pagesRecognised = 0;
};

// FILETIME of a modification time: 100-ns ticks since 1601-01-01 UTC, the
// archive's clock (Records.h).
using archive::FileTimeFromUnix;

class IndexingRun {
public:
    // The store must be open for indexing; the lists loaded from it.
    IndexingRun(app::Workspace& workspace, archive::ArchiveStore& store, ArchiveLists& lists);
    ~IndexingRun();

    IndexingOptions& options() { return m_options; }
    const IndexingCounters& counters() const { return m_counters; }
    WordExtractor& extractor() { return m_extractor; }

    // A row the run adds to the result list ("ERRORE in DECOMPATTAZIONE ...").
    void setResultRowSink(std::function<void(const std::string& row, std::uint64_t size)> sink)
    {
        m_resultRow = std::move(sink);
    }
    // Called after every file, for progress displays.
    void setFileObserver(std::function<void(const IndexingCounters&)> observer) { m_observer = std::move(observer); }

    // Runs over `startPath` (a folder with its trailing '/', or a file). Returns
    // when the walk is done or BreakCode is set; the archive header and, in a normal
    // run, the resume point are written at the end.
    void RunIndexing(const std::string& startPath, RunMode mode);

private:
    struct FileWork;

    void walk(std::uint32_t position, const std::string& startFolder, const std::string& mask);
    // Whether the walk reads the files of `folder` (the exclusions not counted).
    bool walksFolder(const std::string& folder, const std::string& startFolder,
                     std::string_view* excludedBy = nullptr) const;
    void processFolder(const std::string& folder, std::uint32_t folderText, std::uint32_t nextFolder,
                       const std::string& mask);
    // Names to the converters the PDFs of a folder the walk will convert.
    void expectPdfs(const std::string& folder, std::uint32_t folderText, const std::vector<WalkEntry>& entries,
                    const std::string& mask);
    // Reads folders ahead of the walk for their PDFs while the converters want more.
    void lookAhead();
    void countExclusion(std::string_view entry);
    // `attachments`: a mail's, written into the unpack folder instead of running 7z.
    void unpack(const std::string& path, std::uint64_t size, std::uint32_t number,
                const std::vector<MailAttachment>* attachments = nullptr);
    // A mail's attachments of types the run reads, as the members of a packed file.
    void unpackMail(const FileWork& mail);
    // Whether the run reads a member of this (lower-cased) name for its text.
    bool readsAttachment(std::string_view lowerName) const;
    void processFile(const std::string& folder, std::uint32_t folderText, const std::string& name,
                     std::uint64_t fileTime, std::uint64_t size, bool temporary);
    void indexDocument(FileWork& work);
    // The more-types rules' say on reading a file whose name passes the text test:
    // always yes without them.
    bool readsWithMoreTypes(const FileWork& work) const;
    void IndexFile(FileWork& work);
    // `complete`: the unpacker wrote the whole content, so a member missing from it is gone.
    void IndexTempFolder(const std::string& folder, bool complete);
    // After a folder was listed whole and walked: the documents of files no longer
    // in it, and with `subfolders` those of folders no longer in it, are removed.
    void removeGone(const std::string& folder, std::uint32_t folderText, const std::vector<WalkEntry>& entries,
                    const std::string& mask, bool subfolders);
    void removeFolderTree(const std::string& folder);
    void removeDocument(std::uint32_t number, archive::DocRecord& record);
    // The postings of `number` in the words of these word-list entries go at the run's end.
    void forgetWords(std::uint32_t number, std::vector<std::uint32_t> entries);
    void convertPdf(const FileWork& pdf, std::uint32_t folderText, bool temporary);
    // The text in `output` (the run's own file, removed here) indexed as the
    // document "txt.<key>" of `source`.
    void indexConvertedText(const FileWork& source, std::uint32_t folderText, const std::string& output,
                            std::uint64_t size);
    // With recognition on: a picture's recognised text indexed as its text
    // document; a scanned PDF's replaces pdftotext's in `output`.
    void recognisePicture(const FileWork& picture, std::uint32_t folderText);
    void recogniseScannedPdf(const FileWork& pdf, const std::string& output);
    // False (the file marked as not read) when recognition gave no text.
    bool judgeRecognition(const FileWork& file, const OcrOutcome& outcome);
    void writeNameOnlyRecord(const FileWork& work);
    // Keeps the document's record at time 0, so that the next run reads it again.
    void markNotRead(const std::string& path, std::uint32_t number, NotReadReason reason);
    // Time 0 in the document's record: the next run reads (converts, unpacks) it again.
    void readAgainNextRun(std::uint32_t number);
    bool readResumePoint(std::string& folder, std::string& start);
    void writeResumePoint();
    std::string keyFor(const std::string& folder, const std::string& name) const;
    void notify();

    app::Workspace& m_workspace;
    archive::ArchiveStore& m_store;
    ArchiveLists& m_lists;
    WordExtractor m_extractor;
    IndexingOptions m_options;
    IndexingCounters m_counters;
    RunMode m_mode = RunMode::None;
    std::string m_startFolder;
    std::string m_resumeFolder;
    std::string m_resumeStart;
    std::function<void(const std::string&, std::uint64_t)> m_resultRow;
    std::function<void(const IndexingCounters&)> m_observer;
    std::unique_ptr<PdfConverters> m_converters;
    std::unique_ptr<ArchiveInventory> m_inventory;  // none while the archive held no document
    std::map<std::uint32_t, std::vector<std::uint32_t>> m_unlinks;  // word node -> documents
    std::uint64_t m_revived = 0;  // removed records taken up again by files back in their place
    std::uint32_t m_aheadPosition = 0;  // the next folder node lookAhead reads
    bool m_aheadEnded = false;
    std::string m_mask;
    // Time and size of the PDFs lookAhead looked at, by path, until the walk
    // lists their folder: a file is looked at once per run.
    std::unordered_map<std::string, std::pair<std::uint64_t, std::uint64_t>> m_aheadDetails;
};

} // namespace vedra::indexing
