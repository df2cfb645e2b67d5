// Start-up of the engine: the workspace folders, the current archive and the
// per-archive paths, the language, the message pump.
#include "core/app/Workspace.h"

#include "core/app/BrowserList.h"
#include "core/app/ExecutablesList.h"
#include "core/app/LanguageFile.h"
#include "core/app/ToolLocator.h"
#include "core/archive/ArchiveEntry.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/ByteOrder.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWorkFolders[] = {"vedrareport", "vedratemp", "download_vedratemp"};
constexpr std::size_t kDocumentHeaderSize = 196;

std::string formatTime(const char* pattern, std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    char buffer[128];
    std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    return std::string(buffer, length);
}

} // namespace

int ParseArchiveNumber(std::string_view name, int defaultNumber)
{
    name = name.substr(0, std::min<std::size_t>(name.size(), 1024));
    if (std::size_t nul = name.find('\0'); nul != std::string_view::npos)
        name = name.substr(0, nul);
    if (name.empty() || static_cast<unsigned char>(name[0]) < '1')
        return -1;
    std::string_view rest = name.size() > 2 ? name.substr(2) : std::string_view{};
    std::size_t underscore = rest.rfind('_');
    if (underscore == std::string_view::npos)
        return defaultNumber;
    std::string_view digits = rest.substr(underscore + 1);
    if (digits.empty() || static_cast<unsigned char>(digits[0]) < '0')
        return -1;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

// The archive store's view of the workspace: the folders, the probe's file opening,
// the work buffers, and the messages and stop request of a fault.
class Workspace::StoreLink final : public archive::StoreContext {
public:
    explicit StoreLink(Workspace& workspace) : m_ws(workspace) {}

    archive::StoreFolders folders() const override
    {
        return {m_ws.RootFolder, m_ws.ArchiveFolder, m_ws.ArchiveNumber, m_ws.ArchiveNumberText};
    }

    std::optional<io::FileHandle> openFile(const std::filesystem::path& path, io::OpenMode mode,
                                           std::string* refused) override
    {
        if (refused != nullptr)
            refused->clear();
        return opensForWriting(mode) ? openForWriting(m_ws.m_probe, path, mode, refused) : m_ws.m_probe.openFile(path, mode);
    }

    archive::StoreBuffers buffers() override
    {
        const WorkBufferSizes& sizes = m_ws.workBuffers.sizes();
        return {m_ws.workBuffers.dictionaryBuffer(), sizes.dictionaryBytes, sizes.dictionaryUsable,
                m_ws.workBuffers.postingsBuffer(),   sizes.postingsBytes,   sizes.postingsUsable};
    }

    std::uint64_t freeDiskBytes() const override { return m_ws.freeDiskBytesAtStart; }

    void report(archive::StoreFault fault, std::string_view detail) override
    {
        using archive::StoreFault;
        switch (fault) {
        case StoreFault::WriteError:
            m_ws.showMessage(MessageKey::MsgWriteError);
            m_ws.BreakCode = StopCode::Break;
            break;
        case StoreFault::CannotWrite:
            m_ws.showMessage(MessageKey::MsgCannotWrite, MessageButtons::Ok, {detail});
            break;
        case StoreFault::DiskSpaceLow:
            m_ws.showMessage(MessageKey::MsgDiskSpaceLow);
            m_ws.BreakCode = StopCode::Break;
            break;
        case StoreFault::ArchiveTooLarge:
            m_ws.showMessage(MessageKey::MsgArchiveTooLarge);
            m_ws.BreakCode = StopCode::Break;
            break;
        case StoreFault::Damaged:
        case StoreFault::DamagedFolders:
            m_ws.m_host->messageBox(std::string(detail), MessageButtons::Ok);
            m_ws.BreakCode = fault == StoreFault::Damaged ? StopCode::Break : StopCode::Suspend;
            break;
        case StoreFault::KeyRefused:
            m_ws.m_host->messageBox(std::string(detail), MessageButtons::Ok);
            break;
        case StoreFault::RunUndone:
            m_ws.showMessage(MessageKey::MsgRunUndone);
            break;
        case StoreFault::ArchiveRebuilt:
            m_ws.showMessage(MessageKey::MsgArchiveRebuilt);
            break;
        case StoreFault::ArchiveBusy:
            m_ws.showMessage(MessageKey::MsgArchiveBusy, MessageButtons::Ok, {detail});
            break;
        }
    }

private:
    Workspace& m_ws;
};

// ToolLocator's view of the workspace: the folders it looks in and records to,
// the messages, and the "run with" list it adds to.
class Workspace::ToolLink final : public ToolContext {
public:
    explicit ToolLink(Workspace& workspace) : m_ws(workspace) {}

    Host& host() override { return m_ws.host(); }
    const SystemProbe& probe() const override { return m_ws.probe(); }

    ToolPaths toolPaths() const override
    {
        ToolPaths paths{m_ws.WorkingFolder, m_ws.executablesListPath, {}};
        const std::string& folder = m_ws.RedirectFolder.empty() ? m_ws.ArchiveFolder : m_ws.RedirectFolder;
        if (!m_ws.ArchiveNumberText.empty() && !folder.empty())
            paths.associations = folder + "EXE." + m_ws.ArchiveNumberText;
        return paths;
    }

    void showMessage(MessageKey key, std::initializer_list<MessageArg> args) override
    {
        m_ws.showMessage(key, MessageButtons::Ok, args);
    }

    void rememberProgram(const std::string& loweredName) override
    {
        auto& programs = m_ws.runWithPrograms;
        if (std::find(programs.begin(), programs.end(), loweredName) == programs.end())
            programs.push_back(loweredName);
    }

private:
    Workspace& m_ws;
};

Workspace::Workspace(Host& host, SystemProbe probe)
    : m_host(&host), m_probe(std::move(probe)), m_storeLink(std::make_unique<StoreLink>(*this)),
      m_toolLink(std::make_unique<ToolLink>(*this))
{
}

Workspace::~Workspace() = default;

archive::ArchiveStore& Workspace::store()
{
    if (!m_store)
        m_store = std::make_unique<archive::ArchiveStore>(*m_storeLink);
    return *m_store;
}

archive::StoreContext& Workspace::storeContext()
{
    return *m_storeLink;
}

ToolContext& Workspace::toolContext()
{
    return *m_toolLink;
}

archive::CacheSizes Workspace::cacheSizes() const
{
    return archive::CacheSizes::fromBuffers(m_storeLink->buffers(), workBuffers.sizes().textUsable);
}

int Workspace::PrepareWorkspace()
{
    BreakCode = app::StopCode::None;
    CurrentArchiveRecord.fill(0);
    RedirectFolder.clear();
    ArchiveFolder.clear();
    ArchiveFilesFolder.clear();

    WorkingFolder = withTrailingSlash(m_probe.currentDirectory());
    for (const char* folder : kWorkFolders) {
        std::error_code ignored;
        fs::create_directory(WorkingFolder + folder, ignored);
    }

    if (isExecutableFile(WorkingFolder + "pdftotext"))
        PdfToTextCommand = "\"" + WorkingFolder + "pdftotext\"";
    if (isExecutableFile(WorkingFolder + "7z")) {
        SevenZipPath = WorkingFolder + "7z";
        SevenZipCommand = "\"" + SevenZipPath + "\" x \"";
    }

    // The search for "vedraprog" ignores case; the cut keeps the folder's own case.
    std::size_t cut = lowerAscii(WorkingFolder).find("vedraprog");
    RootFolder = cut == std::string::npos ? WorkingFolder : WorkingFolder.substr(0, cut);

    LanguageSetting language = readOrCreateLanguageFile(languageFilePath(), m_probe.openFile);
    LanguageIndex = language.languageIndex;
    EnglishReading = language.englishReading;
    m_messages.load(LanguageIndex);

    freeDiskBytesAtStart = m_probe.freeDiskBytes(WorkingFolder);
    WorkBufferSizes sizes = WorkBufferPlan::compute(freeDiskBytesAtStart, m_probe.availableMemoryBytes());
    if (!workBuffers.allocate(sizes)) {
        showMessage(MessageKey::MsgOutOfMemory);
        return -1;
    }

    minWordLength = 2;
    maxWordLength = 16;
    truncationThreshold = 16;
    extractLength = archive::ArchiveEntry::kDefaultExtractLength;
    updateChecksDates = true;
    wordHashLimitCheck = true;
    archive::putI32le(CurrentArchiveRecord.data() + 84, minWordLength);
    archive::putI32le(CurrentArchiveRecord.data() + 88, maxWordLength);

    if (auto head = archive::readCatalogueHead(catalogueFilePath())) {
        catalogue = *head;
        m_catalogueKnown = true;
        CurrentArchiveRecord = head->currentEntry;
        std::string name = currentArchiveName();
        if (CurrentArchiveRecord[0] != '?' && isSafeArchiveName(name))
            ResolveArchivePaths(name);
    }
    return 1;
}

void Workspace::ResolveArchivePaths(const std::string& name)
{
    takeCurrentEntrySettings();

    ArchiveFilesFolder = RootFolder + name + "/Files/";
    ArchiveFolder = RootFolder + name + "/";

    RedirectFolder.clear();
    // The write test leaves an empty file. One that is empty already is not
    // truncated again: that would write to the archive folder at every start.
    auto probe = m_probe.openFile(ArchiveFolder + "vedraprova.vedra", io::OpenMode::ReadWriteCreate);
    if (!probe || (probe->size() != 0 && !probe->truncate(0))) {
        RedirectFolder = withTrailingSlash(m_probe.homeFolder()) + name + "_rep/";
        std::error_code ignored;
        fs::create_directories(RedirectFolder, ignored);
    }

    if (m_probe.openFile(ArchiveFolder + "vedranote.txt", io::OpenMode::ReadWriteCreate))
        notesPath = ArchiveFolder + "vedranote.txt";
    else
        notesPath = WorkingFolder + "Magazzino/Dizionario.vedra";

    wordRootsPath = WorkingFolder + "Lemmi/Radici/RadiciParole.txt";
    const std::string folder = RedirectFolder.empty() ? WorkingFolder + "Magazzino/" : RedirectFolder;
    executablesListPath = folder + kExecutablesListName;
    browserListPath = folder + kBrowserListName;
    agendaPath = folder + "Agenda.Vedra";
    extractsPath = folder + "estratti.vedra";
}

CatalogueState Workspace::OpenCatalogueAtStart()
{
    auto head = archive::readCatalogueHead(catalogueFilePath());
    if (!head)
        return CatalogueState::Missing;
    catalogue.header = head->header;
    catalogue.defaultNumber = head->defaultNumber;
    m_catalogueKnown = true;

    std::string name = currentArchiveName();
    if (!hasCurrentArchive() || ParseArchiveNumber(name, catalogue.defaultNumber) <= 0)
        return CatalogueState::NoCurrentArchive;
    if (head->currentEntry[0] == '?')
        return CatalogueState::NoCurrentArchive;
    CurrentArchiveRecord = head->currentEntry;
    name = currentArchiveName();
    if (!isSafeArchiveName(name))
        return CatalogueState::NoCurrentArchive;

    ArchiveNumber = ParseArchiveNumber(name, catalogue.defaultNumber);
    ArchiveNumberText = std::to_string(ArchiveNumber);
    catalogue.currentNumber = ArchiveNumber;
    if (ArchiveFolder.empty())
        ResolveArchivePaths(name);
    takeCurrentEntrySettings();
    showDocumentCounts();
    return CatalogueState::ArchiveOpened;
}

bool Workspace::OpenArchive(std::int32_t number)
{
    auto entry = archive::readCatalogueEntry(catalogueFilePath(), number);
    if (!entry || entry->bytes[0] == '?' || entry->bytes[0] == '\0')
        return false;
    std::string name = textUntilNul(reinterpret_cast<const char*>(entry->bytes.data()),
                                    archive::ArchiveEntry::kIdentificationSize);
    if (!isSafeArchiveName(name))
        return false;
    if (m_store)
        m_store->close();
    CurrentArchiveRecord = entry->bytes;
    ArchiveNumber = number;
    ArchiveNumberText = std::to_string(number);
    catalogue.currentNumber = number;
    m_catalogueKnown = true;
    ResolveArchivePaths(name);
    takeCurrentEntrySettings();
    showDocumentCounts();
    m_host->setTitle(windowTitle());
    return true;
}

// Opening an archive takes its word limits and extract length. The truncation
// length is the one the archive was created with: indexing an archive made with
// 20 at 16 would store two forms of every long word.
void Workspace::takeCurrentEntrySettings()
{
    archive::ArchiveEntry entry = archive::ArchiveEntry::decode(CurrentArchiveRecord.data());
    archiveCreationDate = entry.creationDate;
    minWordLength = entry.minWordLength;
    maxWordLength = entry.truncationLength >= 4 && entry.truncationLength <= 30 ? entry.truncationLength : 16;
    truncationThreshold = 16;
    extractLength = archive::effectiveExtractLength(entry.extractLength);
}

void Workspace::showDocumentCounts()
{
    std::uint8_t header[kDocumentHeaderSize] = {};
    if (auto documents = io::FileHandle::open(ArchiveFolder + "IND." + ArchiveNumberText, io::OpenMode::ReadOnly))
        documents->readAt(0, header, sizeof header);
    statusText = formatMessage("files: %ld / %ld", {static_cast<long>(archive::getI32le(header + 92)),
                                                    static_cast<long>(archive::getI32le(header + 100))});
    m_host->setStatus(statusText);
}

bool Workspace::ShutdownSave(int checkedLanguage)
{
    bool ok = true;
    if (m_store)
        ok = m_store->close();
    SaveLanguageFile(checkedLanguage);
    if (m_catalogueKnown && hasCurrentArchive() && ArchiveNumber > 0) {
        std::string path = catalogueFilePath();
        // A catalogue on a read-only disk is left as it is, without a message: the
        // user asked for no write.
        if (m_probe.openFile(path, io::OpenMode::ReadWrite)) {
            bool written = archive::writeCatalogueNumbers(path, ArchiveNumber, catalogue.defaultNumber) &&
                           archive::writeCatalogueEntry(path, ArchiveNumber, CurrentArchiveRecord);
            if (!written) {
                showMessage(MessageKey::MsgWriteError);
                BreakCode = app::StopCode::Break;
                ok = false;
            }
        }
    }
    m_store.reset();
    workBuffers.release();
    return ok;
}

void Workspace::InitialiseSession(std::time_t now)
{
    SearchTarget = kStartSearchTarget;
    SetLanguage(LanguageIndex);
    if (hasCurrentArchive() && ArchiveNumberText.empty()) {
        int number = ParseArchiveNumber(currentArchiveName(), catalogue.defaultNumber);
        if (number > 0) {
            ArchiveNumber = number;
            ArchiveNumberText = std::to_string(number);
        }
    }
    LocateMissingTools();
    todayDate = formatTime(LanguageIndex == 1 ? "%m/%d/%Y" : "%d/%m/%Y", now);
    timeStamp = formatTime("<%a %d %b %Y h:%H m:%M>", now);
    m_host->setTitle(windowTitle());
    busy = false;
}

void Workspace::LocateMissingTools()
{
    if (SevenZipPath.empty() || PdfToTextCommand.size() <= 2)
        locateOutsideTools();
}

void Workspace::locateOutsideTools()
{
    std::string sevenZip;
    if (ToolLocator(*m_toolLink, 1, "7z", sevenZip) == 1 && !sevenZip.empty()) {
        SevenZipPath = sevenZip;
        SevenZipCommand = "\"" + SevenZipPath + "\" x \"";
    }
    std::string pdfToText;
    ToolLocator(*m_toolLink, 1, "pdftotext", pdfToText);
    PdfToTextCommand = "\"" + pdfToText + "\"";
}

void Workspace::PumpPendingMessages(StopCode breakValue)
{
    // The coarse clock costs a few nanoseconds: callers pump once per word.
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    std::int64_t now = static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    if (m_pumpInterval.count() > 0 && now - m_lastPumpNanoseconds <
                                          std::chrono::duration_cast<std::chrono::nanoseconds>(m_pumpInterval).count())
        return;
    m_lastPumpNanoseconds = now;
    if (m_host->drainEvents()) {
        if (showMessage(MessageKey::MsgSuspendOperation, MessageButtons::OkCancel) == MessageAnswer::Ok)
            BreakCode = breakValue;
    }
}

void Workspace::SetLanguage(int languageIndex)
{
    LanguageIndex = languageIndex;
    m_messages.load(languageIndex);
}

bool Workspace::SaveLanguageFile(int checkedLanguage)
{
    return writeLanguageFile(languageFilePath(), checkedLanguage, EnglishReading, m_probe.openFile);
}

MessageAnswer Workspace::showMessage(MessageKey key, MessageButtons buttons, std::initializer_list<MessageArg> args)
{
    std::string_view text = m_messages.text(key);
    return m_host->messageBox(args.size() ? formatMessage(text, args) : std::string(text), buttons);
}

MessageAnswer Workspace::showTitledMessage(const std::string& title, MessageKey key, MessageButtons buttons,
                                           std::initializer_list<MessageArg> args)
{
    std::string_view text = m_messages.text(key);
    return m_host->titledMessageBox(title, args.size() ? formatMessage(text, args) : std::string(text), buttons);
}

std::string Workspace::currentArchiveName() const
{
    return textUntilNul(reinterpret_cast<const char*>(CurrentArchiveRecord.data()),
                        archive::ArchiveEntry::kIdentificationSize);
}

bool Workspace::hasCurrentArchive() const
{
    return CurrentArchiveRecord[0] != '?' && CurrentArchiveRecord[0] != '\0' && !ArchiveFolder.empty();
}

std::string Workspace::windowTitle() const
{
    if (!hasCurrentArchive())
        return {};
    std::string name = currentArchiveName();
    std::size_t underscore = name.rfind('_');
    return std::string(kTitlePrefix) + " - " + (underscore == std::string::npos ? name : name.substr(0, underscore));
}

std::string Workspace::languageFilePath() const
{
    return WorkingFolder + kLanguageFileName;
}

std::string Workspace::catalogueFilePath() const
{
    return RootFolder + archive::kCatalogueFileName;
}

// A catalogue written by another program could name "../x" or "a/b": such a name
// would put archive files outside the root folder, so it opens no archive.
bool Workspace::isSafeArchiveName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace vedra::app
