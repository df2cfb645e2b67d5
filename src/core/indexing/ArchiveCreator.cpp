// Everything that can refuse the request is checked before anything is written:
// the input, then whether the catalogue can be written. A requested number is
// capped at one above the highest, so numbers stay without gaps. Once the files
// exist, a failure after them (roots, description) still leaves a usable archive.
#include "core/indexing/ArchiveCreator.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveEntry.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/DefaultRoots.h"
#include "core/indexing/IndexingRun.h"
#include "core/indexing/MoreTypes.h"
#include "core/indexing/OcrReader.h"
#include "core/indexing/WordExtractor.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <filesystem>
#include <system_error>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string creationDate(std::time_t now)
{
    std::tm local{};
    ::localtime_r(&now, &local);
    char buffer[64];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%d %B %Y", &local);
    // "%d" pads with a zero; the archive's dates never did.
    std::string text(buffer, length);
    if (!text.empty() && text[0] == '0')
        text.erase(0, 1);
    return text;
}

} // namespace

std::int32_t HighestArchiveNumber(const app::Workspace& workspace)
{
    std::int32_t highest = 0;
    for (const auto& entry : archive::readCatalogueEntries(workspace.catalogueFilePath()))
        highest = std::max(highest, entry.number);
    return highest;
}

std::uint64_t LoadRootsFolder(app::Workspace& workspace)
{
    archive::ArchiveStore& store = workspace.store();
    bool opened = store.isOpenForIndexing();
    if (!opened && !store.openForIndexing(workspace.cacheSizes()))
        return 0;
    ArchiveLists lists;
    lists.load(store);
    IndexingRun run(workspace, store, lists);
    run.RunIndexing(workspace.WorkingFolder + "Lemmi/Radici/", RunMode::Roots);
    if (!opened)
        store.close();
    return run.counters().otherFilesRead;
}

bool WriteArchiveDescription(app::Workspace& workspace, const std::string& utf8Text)
{
    if (utf8Text.empty())
        return true;
    std::string refused;
    const std::string path = workspace.ArchiveFolder + "DescrizioneArc.vedra";
    // The probe says whether writing is refused (a read-only disk); the text then
    // replaces the old one whole, so a crash never leaves half a description.
    auto file = app::openForWriting(workspace.probe(), path, io::OpenMode::ReadWriteCreate, &refused);
    if (!file && !refused.empty()) {
        workspace.showMessage(app::MessageKey::MsgCannotWrite, app::MessageButtons::Ok, {std::string_view(refused)});
        return false;
    }
    if (file)
        file->close();
    if (!file || !io::writeFileAtomically(path, app::utf8ToCp1252(utf8Text))) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        return false;
    }
    return true;
}

CreatedArchive CreateArchive(app::Workspace& workspace, const NewArchive& request)
{
    CreatedArchive result;
    if (request.name.empty()) {
        result.error = "the archive needs a name";
        return result;
    }
    if (request.name.find('/') != std::string::npos || request.name.find('\0') != std::string::npos) {
        result.error = "an archive name cannot hold '/'";
        return result;
    }
    if (request.truncationLength < 4 || request.truncationLength > 30) {
        result.error = "the truncation length must be 4 to 30";
        return result;
    }
    if (request.minWordLength < 0 || request.minWordLength > 30) {
        result.error = "the minimum word length must be 0 to 30";
        return result;
    }
    std::int32_t highest = HighestArchiveNumber(workspace);
    std::int32_t number = request.number > 0 ? std::min(request.number, highest + 1) : highest + 1;
    if (number <= highest) {
        auto existing = archive::readCatalogueEntry(workspace.catalogueFilePath(), number);
        if (existing && existing->bytes[0] != '?' && existing->bytes[0] != '\0') {
            result.error = "archive number " + std::to_string(number) + " is in use";
            return result;
        }
    }

    std::string identification;
    identification += upperAscii(request.disk != 0 ? request.disk : workspace.currentDriveLetter);
    identification += '_';
    for (char c : request.name)
        identification += upperAscii(c);
    identification += '_' + std::to_string(number);
    // The identification must keep its number inside its 48-byte field.
    if (identification.size() >= archive::ArchiveEntry::kIdentificationSize) {
        workspace.showMessage(app::MessageKey::MsgTextTooLong);
        result.error = "the archive name is too long";
        result.messageShown = true;
        return result;
    }

    archive::ArchiveEntry entry;
    entry.identification = identification;
    entry.creationDate = creationDate(std::time(nullptr));
    entry.extractLength = static_cast<std::uint16_t>(workspace.extractLength == 0 ? 200 : workspace.extractLength);
    entry.minWordLength = request.minWordLength;
    entry.truncationLength = request.truncationLength;
    std::array<std::uint8_t, archive::ArchiveEntry::kSize> bytes{};
    entry.encode(bytes.data());

    std::string catalogue = workspace.catalogueFilePath();
    // A catalogue on a read-only disk or folder: say so before anything is made.
    std::string refused;
    if (!app::openForWriting(workspace.probe(), catalogue, io::OpenMode::ReadWriteCreate, &refused) &&
        !refused.empty()) {
        workspace.showMessage(app::MessageKey::MsgCannotWrite, app::MessageButtons::Ok, {std::string_view(refused)});
        result.messageShown = true;
        return result;
    }
    if (!archive::writeCatalogueEntry(catalogue, number, bytes) ||
        !archive::writeCatalogueNumbers(catalogue, number, workspace.catalogue.defaultNumber)) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        result.messageShown = true;
        return result;
    }

    workspace.store().close();
    workspace.CurrentArchiveRecord = bytes;
    workspace.ArchiveNumber = number;
    workspace.ArchiveNumberText = std::to_string(number);
    workspace.catalogue.currentNumber = number;
    std::error_code folderError;
    fs::create_directories(workspace.RootFolder + identification, folderError);
    if (folderError && app::isWriteRefusal(folderError.value())) {
        workspace.showMessage(app::MessageKey::MsgCannotWrite, app::MessageButtons::Ok,
                              {std::string_view(workspace.RootFolder)});
        result.messageShown = true;
        return result;
    }
    workspace.ResolveArchivePaths(identification);
    workspace.minWordLength = request.minWordLength;
    workspace.maxWordLength = request.truncationLength;

    archive::ArchiveStore& store = workspace.store();
    std::function<std::string(int)> appended;
    if (request.moreTypes || request.ocr)
        appended = [&request](int slot) {
            std::string bytes = request.moreTypes ? MoreTypesListBytes(slot) : std::string();
            if (request.ocr && slot == archive::SlotMediaExtensions)
                bytes += OcrListBytes();
            return bytes;
        };
    if (store.createArchiveFiles(appended) < 0) {
        if (!store.writeRefused())
            workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        result.messageShown = true;
        return result;
    }
    result.number = number;
    result.identification = identification;

    // A first archive without roots would index no word at all.
    InstallDefaultRoots(workspace.WorkingFolder, workspace.DataFolder);
    result.rootFilesRead = LoadRootsFolder(workspace);
    WriteArchiveDescription(workspace, request.description);
    workspace.OpenArchive(number);
    workspace.minWordLength = request.minWordLength;
    workspace.maxWordLength = request.truncationLength;
    if (request.announceEmpty)
        workspace.showMessage(app::MessageKey::MsgArchiveReadyButEmpty);
    return result;
}

} // namespace vedra::indexing
