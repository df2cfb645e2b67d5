// Why the checks sit where they do: the program box and the associations come from
// files the user edits by hand, so every name is looked up, never executed as text.
#include "core/utilities/Launching.h"

#include "core/app/BrowserList.h"
#include "core/app/ProcessRunner.h"
#include "core/app/ProgramAssociations.h"
#include "core/app/SystemProbe.h"
#include "core/app/ToolLocator.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "core/search/RowOpening.h"
#include "core/web/UrlRules.h"

#include <filesystem>
#include <sys/stat.h>

namespace vedra::utilities {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxExtensionLength = 60;

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && app::lowerAscii(std::string(text.substr(0, prefix.size()))) ==
                                               app::lowerAscii(std::string(prefix));
}

std::string withScheme(const std::string& address)
{
    return address.find("://") == std::string::npos ? "http://" + address : address;
}

std::vector<app::ProgramAssociation> readAssociations(app::Workspace& workspace)
{
    std::string path = ProgramAssociationsPath(workspace);
    if (path.empty())
        return {};
    auto bytes = io::readFileBytes(path);
    return bytes ? app::decodeProgramAssociations(*bytes) : std::vector<app::ProgramAssociation>{};
}

} // namespace

std::string ProgramAssociationsPath(app::Workspace& workspace)
{
    const std::string number = workspace.ArchiveNumberText.empty() ? "0" : workspace.ArchiveNumberText;
    const std::string name = "EXE." + number;
    if (!workspace.ArchiveFolder.empty() && io::FileHandle::open(workspace.ArchiveFolder + name, io::OpenMode::ReadWrite))
        return workspace.ArchiveFolder + name;
    std::string folder = !workspace.RedirectFolder.empty() ? workspace.RedirectFolder
                         : !workspace.ArchiveFolder.empty() ? workspace.ArchiveFolder
                                                            : workspace.WorkingFolder + "Magazzino/";
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    if (!app::createDefaultProgramAssociations(folder + name))
        return {};
    return folder + name;
}

bool FillProgramBox(app::Workspace& workspace)
{
    std::string path = ProgramAssociationsPath(workspace);
    if (path.empty())
        return false;
    auto bytes = io::readFileBytes(path);
    if (!bytes)
        return false;
    for (const auto& association : app::decodeProgramAssociations(*bytes)) {
        std::string name = app::lowerAscii(association.program);
        if (!name.empty() && FindInProgramBox(workspace, name) == kNotInProgramBox)
            workspace.runWithPrograms.push_back(name);
    }
    return true;
}

int FindInProgramBox(const app::Workspace& workspace, const std::string& name)
{
    if (name.empty())
        return kNotInProgramBox;
    const auto& programs = workspace.runWithPrograms;
    for (std::size_t i = 0; i < programs.size(); ++i)
        if (startsWithIgnoringCase(programs[i], name))
            return static_cast<int>(i);
    return kNotInProgramBox;
}

bool IsWebAddress(std::string_view path)
{
    return path.empty() || web::ClassifyResultPath(path).kind == 'w';
}

std::string FileExtension(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string_view extension = path.substr(dot);
    if (extension.size() < 2 || extension.size() > kMaxExtensionLength)
        return {};
    return std::string(extension);
}

bool IsRefusedDocument(const std::string& path)
{
    std::string extension = app::lowerAscii(FileExtension(path));
    for (const char* refused : {".bat", ".exe", ".sh", ".desktop"})
        if (extension == refused)
            return true;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

std::string LaunchCommandLine(const std::string& programPath, const std::string& documentPath)
{
    return "\"" + programPath + "\" \"" + documentPath + "\"";
}

bool RunWithProgram(app::Workspace& workspace, int programIndex, const std::string& programName,
                    const std::string& documentPath)
{
    if (documentPath.empty() || documentPath.size() > kMaxLaunchPath ||
        (documentPath[0] != '/' && !isLetter(documentPath[0])))
        return false;
    if (search::ClassifyRowPath(documentPath) == search::RowPathState::Missing) {
        workspace.showMessage(app::MessageKey::MsgFileNoLongerExists, app::MessageButtons::Ok, {documentPath});
        return false;
    }
    if (IsRefusedDocument(documentPath)) {
        workspace.showMessage(app::MessageKey::MsgInvalidOption);
        return false;
    }
    std::string programPath;
    if (programName.find('/') != std::string::npos) {
        programPath = programName;
    } else {
        if (programName.empty() || app::ToolLocator(workspace.toolContext(), programIndex, programName, programPath) != 1)
            return false;
        if (programPath.empty())
            return false;
    }
    if (!app::StartDetached({programPath, documentPath})) {
        workspace.showMessage(app::MessageKey::MsgRunError);
        return false;
    }
    workspace.statusText = LaunchCommandLine(programPath, documentPath);
    return true;
}

std::string RegisteredProgramFor(app::Workspace& workspace, const std::string& path)
{
    std::string extension;
    if (IsWebAddress(path)) {
        if (!workspace.browserListPath.empty()) {
            std::string chosen = app::BrowserList::readOrRebuild(workspace.browserListPath, workspace.probe().openFile).selected;
            if (!chosen.empty())
                return chosen;
        }
        extension = ".htm";
    } else {
        extension = FileExtension(path);
    }
    auto program = app::programForExtension(readAssociations(workspace), extension);
    return program && !program->empty() ? *program : std::string(kFallbackProgram);
}

bool OpenWithRegisteredProgram(app::Workspace& workspace, const std::string& path)
{
    std::string target = IsWebAddress(path) ? withScheme(path) : path;
    std::string program = RegisteredProgramFor(workspace, path);
    FillProgramBox(workspace);
    return RunWithProgram(workspace, FindInProgramBox(workspace, program), program, target);
}

bool RunWithButton(app::Workspace& workspace, const std::string& programBoxText, const std::string& selectedRowPath,
                   const std::string& selectedPreviewText)
{
    std::string path = selectedRowPath;
    if (path.empty() && selectedPreviewText.size() < kMaxLaunchPath)
        path = selectedPreviewText;
    if (path.empty() || (path[0] != '/' && !isLetter(path[0])))
        return false;
    if (programBoxText.empty())
        return OpenWithRegisteredProgram(workspace, path);
    std::string target = IsWebAddress(path) ? withScheme(path) : path;
    return RunWithProgram(workspace, FindInProgramBox(workspace, programBoxText), programBoxText, target);
}

} // namespace vedra::utilities
