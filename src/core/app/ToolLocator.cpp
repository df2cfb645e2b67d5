// Program lookup. The drive-root walk can take minutes on a large disk, so it
// comes last, pumps messages and honours Break.
#include "core/app/ToolLocator.h"

#include "core/app/ExecutablesList.h"
#include "core/app/ProgramAssociations.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;

bool isKernelTree(const fs::path& folder)
{
    const std::string& text = folder.native();
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run"}) {
        std::string p(prefix);
        if (text == p || text.rfind(p + "/", 0) == 0)
            return true;
    }
    return false;
}

// Depth-first walk of one root without following links into other trees.
std::string findUnderRoot(Workspace& workspace, const std::string& root, const std::string& programName)
{
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    if (error)
        return {};
    for (fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            error.clear();
            continue;
        }
        workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (workspace.BreakCode != app::StopCode::None)
            return {};
        const fs::directory_entry& entry = *it;
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            if (isKernelTree(entry.path()))
                it.disable_recursion_pending();
            continue;
        }
        if (entry.path().filename() == programName && isExecutableFile(entry.path().string()))
            return entry.path().string();
    }
    return {};
}

std::string findInFolders(const std::vector<std::string>& folders, const std::string& programName)
{
    for (const auto& folder : folders) {
        std::string candidate = withTrailingSlash(folder) + programName;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
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

int ToolLocator(Workspace& workspace, int programIndex, const std::string& programName, std::string& outPath)
{
    WaitCursor cursor(workspace.host());
    const std::string& list = workspace.executablesListPath;
    if (list.empty())
        return 1;
    {
        std::error_code error;
        fs::create_directories(fs::path(list).parent_path(), error);
        if (!io::FileHandle::open(list, io::OpenMode::ReadWriteCreate))
            return 1;
    }
    if (programIndex >= 0) {
        if (auto recorded = ExecutablesList::find(list, programName)) {
            outPath = *recorded;
            return 1;
        }
    }

    std::string found = findInFolders({workspace.WorkingFolder}, programName);
    if (found.empty())
        found = findInFolders(workspace.probe().searchPath(), programName);
    if (found.empty()) {
        workspace.showMessage(MessageKey::MsgLocatingProgram, MessageButtons::Ok, {programName});
        const StopCode savedBreak = workspace.BreakCode;
        workspace.BreakCode = app::StopCode::None;
        for (const auto& root : workspace.probe().driveRoots()) {
            found = findUnderRoot(workspace, root, programName);
            if (!found.empty() || workspace.BreakCode != app::StopCode::None)
                break;
        }
        if (workspace.BreakCode == app::StopCode::None)
            workspace.BreakCode = savedBreak;
    }
    if (found.empty()) {
        workspace.showMessage(MessageKey::MsgProgramNotFound);
        return -1;
    }

    std::string lowered = lowerAscii(programName);
    auto& programs = workspace.runWithPrograms;
    if (std::find(programs.begin(), programs.end(), lowered) == programs.end())
        programs.push_back(lowered);
    ExecutablesList::record(list, programName, found);
    if (!workspace.ArchiveNumberText.empty()) {
        const std::string& folder = workspace.RedirectFolder.empty() ? workspace.ArchiveFolder : workspace.RedirectFolder;
        if (!folder.empty())
            appendProgramAssociation(folder + "EXE." + workspace.ArchiveNumberText, programName);
    }
    outPath = found;
    return 1;
}

} // namespace vedra::app
