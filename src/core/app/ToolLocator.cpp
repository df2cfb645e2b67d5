// Program lookup. A walk of the disks took minutes and found what a package
// manager installs in a handful of folders anyway, so only those folders are
// asked, one file each; a program that is not there is named with its package.
#include "core/app/ToolLocator.h"

#include "core/app/ExecutablesList.h"
#include "core/app/ProgramAssociations.h"
#include "core/io/FileHandle.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;

// Windows programs of the original associations and browser list, and what
// opens their documents here.
constexpr std::pair<std::string_view, std::string_view> kWindowsPrograms[] = {
    {"wordpad", "xdg-open"},  {"notepad", "xdg-open"},  {"iexplore", "xdg-open"},      {"safari", "xdg-open"},
    {"excel", "xdg-open"},    {"powerpnt", "xdg-open"}, {"winword", "xdg-open"},       {"acrord32", "xdg-open"},
    {"msaccess", "xdg-open"}, {"mspub", "xdg-open"},    {"quicktimeplayer", "xdg-open"}, {"wmplayer", "xdg-open"},
    {"7zfm", "xdg-open"},     {"swriter", "libreoffice"}, {"crome", "chromium"},        {"chrome", "chromium"},
};

// Programs this program starts or names by default, and the programs most often
// chosen to open documents, with the Debian package of each.
constexpr std::pair<std::string_view, std::string_view> kDebianPackages[] = {
    {"xdg-open", "xdg-utils"},
    {"pdftotext", "poppler-utils"},
    {"pdftoppm", "poppler-utils"},
    {"7z", "p7zip-full"},
    {"7za", "p7zip-full"},
    {"7zz", "7zip"},
    {"firefox", "firefox-esr"},
    {"firefox-esr", "firefox-esr"},
    {"chromium", "chromium"},
    {"libreoffice", "libreoffice"},
    {"soffice", "libreoffice"},
    {"lowriter", "libreoffice-writer"},
    {"tesseract", "tesseract-ocr"},
    {"pandoc", "pandoc"},
    {"unrtf", "unrtf"},
    {"gs", "ghostscript"},
    {"ps2pdf", "ghostscript"},
    {"unzip", "unzip"},
    {"evince", "evince"},
    {"okular", "okular"},
    {"eog", "eog"},
    {"gimp", "gimp"},
    {"vlc", "vlc"},
    {"mpv", "mpv"},
    {"gedit", "gedit"},
    {"mousepad", "mousepad"},
    {"abiword", "abiword"},
    {"gnumeric", "gnumeric"},
    {"file-roller", "file-roller"},
    {"gio", "libglib2.0-bin"},
};

std::string findInFolders(const std::vector<std::string>& folders, const std::string& programName)
{
    for (const auto& folder : folders) {
        std::string candidate = withTrailingSlash(folder) + programName;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

void addFolders(std::vector<std::string>& folders, const std::vector<std::string>& more)
{
    for (const std::string& folder : more) {
        if (folder.empty())
            continue;
        std::string slashed = withTrailingSlash(folder);
        bool known = false;
        for (const std::string& have : folders)
            known |= withTrailingSlash(have) == slashed;
        if (!known)
            folders.push_back(folder);
    }
}

std::string folderLines(const std::vector<std::string>& folders)
{
    std::string lines;
    for (const std::string& folder : folders)
        lines += (lines.empty() ? "  " : "\n  ") + folder;
    return lines;
}

class WaitCursor {
public:
    explicit WaitCursor(Host& host) : m_host(host) { m_host.setWaitCursor(true); }
    ~WaitCursor() { m_host.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Host& m_host;
};

} // namespace

std::string LinuxProgramName(std::string_view programName)
{
    std::string name(programName);
    const std::string lowered = lowerAscii(name);
    if (lowered.size() > 4 && lowered.compare(lowered.size() - 4, 4, ".exe") == 0) {
        name.resize(name.size() - 4);
        const std::string stem = lowered.substr(0, lowered.size() - 4);
        for (const auto& [windows, opener] : kWindowsPrograms)
            if (stem == windows)
                return std::string(opener);
    }
    return name;
}

std::string_view DebianPackageFor(std::string_view program)
{
    for (const auto& [name, package] : kDebianPackages)
        if (program == name)
            return package;
    return {};
}

std::vector<std::string> ProgramSearchFolders(const ToolContext& context)
{
    std::vector<std::string> folders;
    addFolders(folders, {context.toolPaths().workingFolder});
    addFolders(folders, context.probe().searchPath());
    if (context.probe().programFolders)
        addFolders(folders, context.probe().programFolders());
    return folders;
}

int ToolLocator(ToolContext& context, int programIndex, const std::string& givenName, std::string& outPath)
{
    const std::string programName = LinuxProgramName(givenName);
    WaitCursor cursor(context.host());
    const ToolPaths paths = context.toolPaths();
    const std::string& list = paths.executablesList;
    if (list.empty())
        return 1;
    {
        std::error_code error;
        fs::create_directories(fs::path(list).parent_path(), error);
        if (!context.probe().openFile(list, io::OpenMode::ReadWriteCreate))
            return 1;
    }
    if (programIndex >= 0) {
        // A program removed since it was recorded is looked for again.
        if (auto recorded = ExecutablesList::find(list, programName, context.probe().openFile); recorded && isExecutableFile(*recorded)) {
            outPath = *recorded;
            return 1;
        }
    }

    const std::vector<std::string> folders = ProgramSearchFolders(context);
    const std::string found = findInFolders(folders, programName);
    if (found.empty()) {
        const std::string_view package = DebianPackageFor(programName);
        if (!package.empty())
            context.showMessage(MessageKey::MsgProgramNotInstalled, {programName, package, package});
        else
            context.showMessage(MessageKey::MsgProgramNotInstalledLookedIn, {programName, folderLines(folders)});
        return -1;
    }

    context.rememberProgram(lowerAscii(givenName));
    ExecutablesList::record(list, programName, found, context.probe().openFile);
    if (!paths.associations.empty())
        appendProgramAssociation(paths.associations, givenName);
    outPath = found;
    return 1;
}

} // namespace vedra::app
