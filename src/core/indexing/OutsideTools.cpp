// The tool paths come from the workspace's quoted commands, so the display line
// and the program actually run can never disagree about which file is used.
#include "core/indexing/OutsideTools.h"

#include "core/app/Workspace.h"
#include "core/indexing/UnpackFolder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A relative path beginning with '-' (or 7z's '@' list marker) would be read as a
// switch; "./" keeps it a file name. The indexing run passes absolute paths anyway.
std::string asOperand(const std::string& path)
{
    if (!path.empty() && (path.front() == '-' || path.front() == '@'))
        return "./" + path;
    return path;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::uint64_t sizeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

} // namespace

app::ProgramLimits OutsideProgramLimits(const app::Workspace& workspace, std::uint64_t fileSize)
{
    app::ProgramLimits limits;
    if (workspace.OutsideProgramTime.count() > 0) {
        const std::uint64_t wholeMb = fileSize >> 20;
        limits.time = std::chrono::duration_cast<std::chrono::milliseconds>(
            workspace.OutsideProgramTime +
            workspace.OutsideProgramTimePerMb * static_cast<std::chrono::seconds::rep>(wholeMb));
    }
    limits.memoryBytes = workspace.OutsideProgramMemoryMb << 20;
    return limits;
}

std::string ProgramPathFromCommand(const std::string& quotedCommand)
{
    std::size_t open = quotedCommand.find('"');
    if (open == std::string::npos)
        return {};
    std::size_t close = quotedCommand.find('"', open + 1);
    if (close == std::string::npos)
        return {};
    return quotedCommand.substr(open + 1, close - open - 1);
}

std::string PdfToTextCommandLine(const app::Workspace& workspace, const std::string& pdfPath,
                                 const std::string& outPath, bool forIndexing)
{
    return workspace.PdfToTextCommand + (forIndexing ? " -eol dos " : " ") + quoted(pdfPath) + " " + quoted(outPath);
}

std::vector<std::string> PdfToTextArguments(const app::Workspace& workspace, const std::string& pdfPath,
                                            const std::string& outPath, bool forIndexing)
{
    std::string program = ProgramPathFromCommand(workspace.PdfToTextCommand);
    if (!isExecutableFile(program))
        return {};
    std::vector<std::string> argv{program};
    if (forIndexing) {
        argv.emplace_back("-eol");
        argv.emplace_back("dos");
    }
    argv.push_back(asOperand(pdfPath));
    argv.push_back(asOperand(outPath));
    return argv;
}

app::ProcessOutcome ConvertPdf(app::Workspace& workspace, const std::string& pdfPath, const std::string& outPath,
                               bool forIndexing)
{
    std::vector<std::string> argv = PdfToTextArguments(workspace, pdfPath, outPath, forIndexing);
    if (argv.empty())
        return {};
    return app::RunProgram(workspace, argv, OutsideProgramLimits(workspace, sizeOf(pdfPath)));
}

std::string SevenZipCommandLine(const app::Workspace& workspace, const std::string& filePath,
                                const std::string& outFolder)
{
    return workspace.SevenZipCommand + filePath + "\" -o\"" + outFolder + "\" -r-y-pno";
}

app::ProcessOutcome UnpackWith7z(app::Workspace& workspace, const std::string& filePath, const std::string& outFolder)
{
    std::string program = ProgramPathFromCommand(workspace.SevenZipCommand);
    if (!isExecutableFile(program))
        return {};
    // The shown line jams the switches together as "-r-y-pno", which 7z rejects
    // ("Too long switch"); as three arguments it reads all three: no recursion into
    // wildcards, yes to every overwrite, and a dummy password so that an encrypted
    // member fails instead of waiting for one.
    return app::RunProgram(workspace,
                           {program, "x", asOperand(filePath), "-o" + outFolder, "-r-", "-y", "-pno"},
                           OutsideProgramLimits(workspace, sizeOf(filePath)));
}

std::string UnpackFolderFor(const std::string& filePath)
{
    return filePath + std::string(kUnpackFolderSuffix);
}

std::string MirroredUnpackFolderFor(const std::string& temporaryFolder, const std::string& filePath)
{
    std::string base = temporaryFolder;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + (filePath.empty() || filePath[0] != '/' ? "/" : "") + filePath + std::string(kUnpackFolderSuffix);
}

} // namespace vedra::indexing
