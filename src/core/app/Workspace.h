// The engine's state owner for one run: folders, the current archive, language,
// work buffers, the stop request and the outside tools. The window owns one and
// lends it to its pages; the `vedra` command owns one too. Nothing here is global.
#pragma once

#include "core/app/Host.h"
#include "core/app/MessageFormat.h"
#include "core/app/MessageTable.h"
#include "core/app/SearchTarget.h"
#include "core/app/StopCode.h"
#include "core/app/SystemProbe.h"
#include "core/app/WorkBufferPlan.h"
#include "core/archive/Catalogue.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <memory>
#include <vector>

namespace vedra::archive {
class ArchiveStore;
struct CacheSizes;
class StoreContext;
}

namespace vedra::app {

class ToolContext;

// The archive number of a catalogue identification string ("C_NAME_3" gives 3):
// -1 when the text names no archive, `defaultNumber` when it has no '_' after its
// first two characters.
int ParseArchiveNumber(std::string_view name, int defaultNumber);

// What the start-up read of the catalogue found.
enum class CatalogueState { Missing, NoCurrentArchive, ArchiveOpened };

class Workspace {
public:
    explicit Workspace(Host& host, SystemProbe probe = SystemProbe::real());
    ~Workspace();
    Workspace(Workspace&&) = delete;
    Workspace& operator=(Workspace&&) = delete;

    Host& host() { return *m_host; }
    const MessageTable& messages() const { return m_messages; }
    const SystemProbe& probe() const { return m_probe; }

    // Set-up before any window exists: work folders, outside tools, language, work
    // buffers, the current archive. 1 when ready; -1 when the work buffers cannot be
    // had (the memory message has then been shown).
    int PrepareWorkspace();

    // Every per-archive path, from the archive folder name.
    void ResolveArchivePaths(const std::string& name);

    // Reads the catalogue again, as the program does once its workspace is ready:
    // makes the current entry the open archive and shows its file counts in the
    // status line. Missing means there is no catalogue at all.
    CatalogueState OpenCatalogueAtStart();

    // The window-independent half of the main window's initialisation: language
    // texts, outside tools located when missing, dates, title, idle state.
    void InitialiseSession(std::time_t now = std::time(nullptr));

    // Finds pdftotext and 7z (ToolLocator) when they are not known yet. Without a
    // current archive there is no executables list to look in, so an archive made
    // after the start has them looked for again.
    void LocateMissingTools();

    // Makes catalogue entry `number` the current archive: paths, settings, the
    // document counts in the status line. False when the entry is missing or free.
    bool OpenArchive(std::int32_t number);

    // The saving steps of closing: pending archive buffers, the language file (for
    // the checked flag button, -1 when none), the catalogue's current archive, the
    // archive files closed, the work buffers freed. False when an archive or
    // catalogue write failed (the write error has been shown, BreakCode Break); the
    // language file fails silently, keeping the old file.
    bool ShutdownSave(int checkedLanguage);

    // The archive files of the current archive (opened on demand by its users).
    archive::ArchiveStore& store();

    // What an archive store sees of the workspace (for a store of one's own).
    archive::StoreContext& storeContext();

    // What ToolLocator sees of the workspace.
    ToolContext& toolContext();

    // The cache sizes the work buffers allow an indexing run.
    archive::CacheSizes cacheSizes() const;

    // Drains pending events (at most every pumpInterval); Escape asks whether to
    // suspend the operation, and OK sets BreakCode to `breakValue`.
    void PumpPendingMessages(StopCode breakValue = StopCode::Suspend);
    void setPumpInterval(std::chrono::milliseconds interval) { m_pumpInterval = interval; }
    // The next PumpPendingMessages drains whatever the interval: a search has just
    // found a screen of rows, and the window shows them at once.
    void pumpSoon() { m_lastPumpNanoseconds = 0; }

    // Stores the language and loads its texts. The windows reload their own.
    void SetLanguage(int languageIndex);

    // Writes the language file for the checked flag button (-1 when none).
    bool SaveLanguageFile(int checkedLanguage);

    // Shows a message of the table in the current language, slots filled.
    MessageAnswer showMessage(MessageKey key, MessageButtons buttons = MessageButtons::Ok,
                              std::initializer_list<MessageArg> args = {});
    MessageAnswer showTitledMessage(const std::string& title, MessageKey key,
                                    MessageButtons buttons = MessageButtons::Ok,
                                    std::initializer_list<MessageArg> args = {});

    // The current archive's folder name ("C_NAME_3"); empty without an archive.
    std::string currentArchiveName() const;
    bool hasCurrentArchive() const;

    // "VedraReader - C_NAME" for the current archive; empty without one.
    std::string windowTitle() const;

    std::string languageFilePath() const;
    std::string catalogueFilePath() const;

    // State named as the program's documents name it.
    std::string WorkingFolder;       // with a trailing '/', case kept
    std::string RootFolder;          // holds the catalogue and the archive folders
    std::string ArchiveFolder;       // RootFolder + name + '/'
    std::string ArchiveFilesFolder;  // RootFolder + name + "/Files/"
    std::string RedirectFolder;      // home + '/' + name + "_rep/" when ArchiveFolder is not writable
    std::string DataFolder;          // the installed program's share/vedrareader/; empty when not installed
    std::array<std::uint8_t, 100> CurrentArchiveRecord{};
    archive::CatalogueHead catalogue;
    std::int32_t ArchiveNumber = 0;
    std::string ArchiveNumberText;
    int LanguageIndex = 1;
    bool EnglishReading = true;
    std::string SevenZipPath;
    std::string SevenZipCommand;
    std::string PdfToTextCommand;
    // Limits of the converter and the unpacker on one file: the time grows with
    // the file's size; 0 s and 0 MB mean no limit.
    std::chrono::seconds OutsideProgramTime{60};
    std::chrono::seconds OutsideProgramTimePerMb{2};
    std::uint64_t OutsideProgramMemoryMb = 2048;
    StopCode BreakCode = StopCode::None;
    app::SearchTarget SearchTarget = app::SearchTarget::Archive;

    bool busy = false;
    char currentDriveLetter = 'C';
    int desktopRight = 0;
    int desktopBottom = 0;
    WorkBufferPlan workBuffers;

    std::string notesPath;
    std::string wordRootsPath;
    std::string executablesListPath;
    std::string browserListPath;
    std::string agendaPath;
    std::string extractsPath;

    // Settings of the current archive and their working copies.
    std::string archiveCreationDate;
    int minWordLength = 2;
    int maxWordLength = 16;
    int truncationThreshold = 16;
    int extractLength = 200;
    bool updateChecksDates = true;
    bool wordHashLimitCheck = true;
    std::uint64_t freeDiskBytesAtStart = 0;

    // The web fetch: the normalised address being fetched, the last one asked for
    // ("0" before any), and what the answer's content type said (0 other, 1 PDF,
    // 2 application or packed data), which text extraction reads.
    std::string webAddress;
    std::string lastWebAddress = "0";
    int webContentKind = 0;

    std::string todayDate;
    std::string timeStamp;
    std::string statusText;
    std::vector<std::string> runWithPrograms;

    static constexpr const char* kTitlePrefix = "VedraReader";
    static constexpr const char* kVersion = "1.0.0";

private:
    void locateOutsideTools();
    void takeCurrentEntrySettings();
    void showDocumentCounts();
    static bool isSafeArchiveName(const std::string& name);

    Host* m_host;
    SystemProbe m_probe;
    MessageTable m_messages;
    class StoreLink;
    std::unique_ptr<StoreLink> m_storeLink;
    class ToolLink;
    std::unique_ptr<ToolLink> m_toolLink;
    std::unique_ptr<archive::ArchiveStore> m_store;
    bool m_catalogueKnown = false;
    std::chrono::milliseconds m_pumpInterval{20};
    std::int64_t m_lastPumpNanoseconds = 0;
};

} // namespace vedra::app
