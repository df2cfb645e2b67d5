// The browser list goes through readOrRebuild first, so every edit starts from a
// file whose 512-byte record is whole. Choosing rewrites that record in place;
// editing the entries replaces the file atomically. An archive folder opens only
// when the number in its name leads back to that same folder.
#include "core/utilities/UtilityPage.h"

#include "core/app/MessageTable.h"
#include "core/app/ProcessRunner.h"
#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/app/ToolLocator.h"
#include "core/app/Workspace.h"
#include "core/archive/Catalogue.h"
#include "core/io/FileHandle.h"
#include "core/utilities/Launching.h"

#include <algorithm>
#include <filesystem>

namespace vedra::utilities {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxWebWords = 250;
constexpr std::size_t kMaxBrowserLines = 2048;
// Italian, English, Spanish.
constexpr const char* kSelectBrowserText[] = {"Scegliere un browser", "Select browser", "Elija un navegador"};

bool looksLikeArchiveFolder(const std::string& name)
{
    if (name.empty() || name[0] == '.')
        return false;
    std::size_t tail = name.size() > 5 ? name.size() - 5 : 0;
    return name.find('_', tail) != std::string::npos;
}

} // namespace

app::BrowserChoice FillBrowserList(app::Workspace& workspace)
{
    if (workspace.browserListPath.empty())
        return app::BrowserList::defaults();
    std::error_code ignored;
    fs::create_directories(fs::path(workspace.browserListPath).parent_path(), ignored);
    return app::BrowserList::readOrRebuild(workspace.browserListPath, workspace.probe().openFile);
}

bool ChooseBrowser(app::Workspace& workspace, const std::string& browser)
{
    std::string name = browser.substr(0, browser.find_first_of("\r\n"));
    if (name.empty() || workspace.browserListPath.empty())
        return false;
    std::string record = name + "\r\n";
    if (record.size() > app::BrowserList::kSelectedRecordSize)
        return false;
    FillBrowserList(workspace);  // a missing or damaged list gets its defaults first
    record.resize(app::BrowserList::kSelectedRecordSize, '\0');
    // The record is the file's head: the list is replaced whole with the new head, so
    // a crash cannot leave half a name in it.
    auto bytes = io::readFileBytes(workspace.browserListPath, static_cast<std::size_t>(-1), workspace.probe().openFile);
    if (!bytes)
        return false;
    std::string list = std::move(*bytes);
    list.replace(0, std::min(list.size(), record.size()), record);
    return io::writeFileAtomically(workspace.browserListPath, list, workspace.probe().openFile);
}

std::string BrowserListLines(app::Workspace& workspace)
{
    FillBrowserList(workspace);
    workspace.statusText = workspace.browserListPath;
    workspace.host().setStatus(workspace.browserListPath);
    auto bytes = io::readFileBytes(workspace.browserListPath, static_cast<std::size_t>(-1), workspace.probe().openFile);
    if (!bytes || bytes->size() <= app::BrowserList::kSelectedRecordSize)
        return {};
    return bytes->substr(app::BrowserList::kSelectedRecordSize, kMaxBrowserLines);
}

bool SaveBrowserListLines(app::Workspace& workspace, const std::string& lines)
{
    FillBrowserList(workspace);
    auto bytes = io::readFileBytes(workspace.browserListPath, static_cast<std::size_t>(-1), workspace.probe().openFile);
    if (!bytes)
        return false;
    std::string head = bytes->substr(0, app::BrowserList::kSelectedRecordSize);
    head.resize(app::BrowserList::kSelectedRecordSize, '\0');
    // Every entry ends with CR LF, however the editor ended the lines.
    std::string entries;
    std::size_t pos = 0;
    while (pos < lines.size()) {
        std::size_t end = lines.find('\n', pos);
        std::string line = lines.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            entries += line + "\r\n";
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return io::writeFileAtomically(workspace.browserListPath, head + entries, workspace.probe().openFile);
}

bool AddToBrowserList(app::Workspace& workspace, const std::string& programPath)
{
    std::string name = app::lowerAscii(programPath.substr(programPath.find_last_of('/') + 1));
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
        return false;
    app::BrowserChoice choice = FillBrowserList(workspace);
    if (std::find(choice.browsers.begin(), choice.browsers.end(), name) != choice.browsers.end())
        return true;
    auto bytes = io::readFileBytes(workspace.browserListPath, static_cast<std::size_t>(-1), workspace.probe().openFile);
    if (!bytes)
        return false;
    std::string list = *bytes;
    // Entries start after the chosen browser's record and each ends with CR LF.
    if (list.size() < app::BrowserList::kSelectedRecordSize)
        list.resize(app::BrowserList::kSelectedRecordSize, '\0');
    else if (list.size() > app::BrowserList::kSelectedRecordSize && list.back() != '\n')
        list += "\r\n";
    return io::writeFileAtomically(workspace.browserListPath, list + name + "\r\n", workspace.probe().openFile);
}

ProgramPick AddProgramPickedInTree(app::Workspace& workspace, const std::string& path)
{
    // Italian, English, Spanish.
    static constexpr const char* kAdded[] = {"Aggiunto alla lista dei browser: ", "Added to the browser list: ",
                                             "Agregado a la lista de los browser: "};
    static constexpr const char* kListed[] = {"Già nella lista dei browser: ", "Already in the browser list: ",
                                              "Ya está en la lista de los browser: "};
    static constexpr const char* kNotProgram[] = {"Non è un programma: ", "Not a program: ", "No es un programa: "};
    const std::size_t language = app::languageColumn(workspace.LanguageIndex);
    auto say = [&workspace](const char* text, const std::string& what) {
        // The texts are UTF-8 in this file; the host shows cp1252.
        workspace.statusText = app::utf8ToCp1252(text) + what;
        workspace.host().setStatus(workspace.statusText);
    };
    if (!app::isExecutableFile(path)) {
        say(kNotProgram[language], path);
        return ProgramPick::NotAProgram;
    }
    const std::string name = app::lowerAscii(path.substr(path.find_last_of('/') + 1));
    const app::BrowserChoice before = FillBrowserList(workspace);
    if (std::find(before.browsers.begin(), before.browsers.end(), name) != before.browsers.end()) {
        say(kListed[language], name);
        return ProgramPick::AlreadyListed;
    }
    if (!AddToBrowserList(workspace, path)) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        return ProgramPick::NotWritten;
    }
    say(kAdded[language], name);
    return ProgramPick::Added;
}

ArchivesOnDisk FillArchivesOnDisk(app::Workspace& workspace)
{
    ArchivesOnDisk found;
    if (workspace.RootFolder.empty())
        return found;
    workspace.BreakCode = app::StopCode::None;
    std::error_code error;
    for (fs::directory_iterator it(workspace.RootFolder, error), end; !error && it != end; it.increment(error)) {
        workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (workspace.BreakCode != app::StopCode::None)
            break;
        std::error_code kindError;
        if (!it->is_directory(kindError))
            continue;
        std::string name = it->path().filename().string();
        if (looksLikeArchiveFolder(name))
            found.names.push_back(name);
    }
    std::sort(found.names.begin(), found.names.end());
    if (found.names.empty())
        return found;
    auto current = std::find(found.names.begin(), found.names.end(), workspace.currentArchiveName());
    found.selected = current != found.names.end() && workspace.hasCurrentArchive()
                         ? static_cast<int>(current - found.names.begin())
                         : static_cast<int>(found.names.size()) - 1;
    return found;
}

std::string OpenArchiveOnDisk(app::Workspace& workspace, const std::string& name, bool& opened)
{
    opened = false;
    int number = app::ParseArchiveNumber(name, workspace.catalogue.defaultNumber);
    if (number <= 0 || !workspace.OpenArchive(number) || workspace.currentArchiveName() != name)
        return {};
    opened = true;
    archive::writeCatalogueNumbers(workspace.catalogueFilePath(), number, workspace.catalogue.defaultNumber);
    workspace.host().setTitle(workspace.windowTitle());
    std::string introduction = workspace.ArchiveFolder + "Introduzione.rtf";
    std::error_code ignored;
    return fs::is_regular_file(introduction, ignored) ? introduction : std::string();
}

std::string WebSearchAddress(const std::string& searchPage, const std::string& words, int languageIndex)
{
    const char* language = languageIndex == 0 ? "IT_" : languageIndex == 1 ? "EN_" : "ES_";
    return searchPage + "ventiquor.asp?keyw=" + words + "&cat=Religioni&pag=1&lang=" + language;
}

bool LaunchWebSearch(app::Workspace& workspace, const std::string& searchPage, const std::string& words,
                     std::string* commandLine)
{
    std::string browser = FillBrowserList(workspace).selected;
    browser = browser.substr(0, browser.find_first_of("\r\n"));
    if (browser.empty()) {
        workspace.host().messageBox(kSelectBrowserText[app::languageColumn(workspace.LanguageIndex)],
                                    app::MessageButtons::Ok);
        return false;
    }
    std::string query = words.substr(0, kMaxWebWords);
    if (query.find_first_not_of(" \t") == std::string::npos || searchPage.empty())
        return false;
    std::string browserPath;
    if (browser.find('/') != std::string::npos)
        browserPath = browser;
    else if (app::ToolLocator(workspace.toolContext(), 0, browser, browserPath) != 1 || browserPath.empty())
        return false;
    std::string address = WebSearchAddress(searchPage, query, workspace.LanguageIndex);
    if (!app::StartDetached({browserPath, address})) {
        workspace.showMessage(app::MessageKey::MsgRunError);
        return false;
    }
    if (commandLine)
        *commandLine = LaunchCommandLine(browserPath, address);
    return true;
}

} // namespace vedra::utilities
