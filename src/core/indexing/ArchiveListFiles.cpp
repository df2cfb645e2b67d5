// Lines split at LF only, so a file with bare LF or CR LF shows the same. Display
// picks the encoding line by line, so a list edited by hand in either encoding
// still shows every entry right; saving drops NULs, which would end the list
// early for the code that reads it.
#include "core/indexing/ArchiveListFiles.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vedra::indexing {
namespace {


// Calls `each` with every line of `text`, a line ending at LF (its CR kept); a
// last line without LF counts, an empty tail after the last LF does not.
template <typename Each>
void forEachLine(std::string_view text, Each each)
{
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        each(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

} // namespace

bool IsEditableListSlot(int slot)
{
    return std::find(kEditableListSlots.begin(), kEditableListSlots.end(), slot) != kEditableListSlots.end();
}

std::string ListTextForDisplay(std::string_view fileBytes)
{
    std::string shown;
    bool first = true;
    forEachLine(fileBytes, [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!first)
            shown += '\n';
        first = false;
        shown += app::displayUtf8(line);
    });
    return shown;
}

std::string ListFileBytes(std::string_view displayText)
{
    std::string bytes;
    forEachLine(displayText, [&](std::string_view line) {
        std::string entry = app::utf8ToCp1252(line);
        entry.erase(entry.find_last_not_of(" \t\r") + 1);
        // A NUL would end the list where the program reads it.
        entry.erase(std::remove(entry.begin(), entry.end(), '\0'), entry.end());
        if (entry.find_first_not_of(" \t") == std::string::npos)
            return;
        bytes += entry;
        bytes += "\r\n";
    });
    return bytes;
}

std::optional<std::string> ReadListFile(app::Workspace& workspace, int slot)
{
    if (!workspace.hasCurrentArchive() || !IsEditableListSlot(slot))
        return std::nullopt;
    const std::string path = workspace.store().slotPath(slot);
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        return std::string();
    auto bytes = io::readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    return ListTextForDisplay(*bytes);
}

bool SaveListFile(app::Workspace& workspace, int slot, std::string_view displayText)
{
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(app::MessageKey::MsgNeedArchive);
        return false;
    }
    if (!IsEditableListSlot(slot))
        return false;
    if (!io::writeFileAtomically(workspace.store().slotPath(slot), ListFileBytes(displayText))) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        return false;
    }
    return true;
}

bool CurrentArchiveReadsMoreTypes(app::Workspace& workspace)
{
    if (!workspace.hasCurrentArchive())
        return false;
    auto bytes = io::readFileBytes(workspace.store().slotPath(archive::SlotTextExtensions), ArchiveLists::kMaxListBytes);
    if (!bytes)
        return false;
    ArchiveLists lists;
    lists.setList(archive::SlotTextExtensions, *bytes);
    return lists.readsMoreTypes();
}

} // namespace vedra::indexing
