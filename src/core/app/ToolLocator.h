// Finds an outside program (pdftotext, 7z, xdg-open, a browser, an associated
// program) and remembers where, so that it is looked for once.
#pragma once

#include "core/app/Host.h"
#include "core/app/MessageFormat.h"
#include "core/app/MessageTable.h"
#include "core/app/SystemProbe.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {

struct ToolPaths {
    std::string workingFolder;    // with a trailing '/'
    std::string executablesList;  // empty without an archive
    std::string associations;     // the archive's "EXE." file; empty without an archive
};

// What ToolLocator needs from the program around it, and no more: where to look
// and record, how to tell the user. The workspace provides it (Workspace::
// toolContext), so the lookup stays below the workspace that calls it.
class ToolContext {
public:
    virtual ~ToolContext() = default;

    virtual Host& host() = 0;
    virtual const SystemProbe& probe() const = 0;
    virtual ToolPaths toolPaths() const = 0;
    virtual void showMessage(MessageKey key, std::initializer_list<MessageArg> args) = 0;
    // A program found, lower case as given, for the "run with" list.
    virtual void rememberProgram(const std::string& loweredName) = 0;
};

// Looks for `programName` in the executables list (when programIndex >= 0), then
// in the working folder, every folder of PATH and the usual program folders
// (SystemProbe::programFolders). Only the file of that name in each folder is
// checked: no folder is ever listed and no disk is walked. A name of the Windows
// form ("7z.exe", "wordpad.exe") is looked for as its Linux program
// (LinuxProgramName). A path found is recorded in the executables list and
// "programName=" in the archive's program associations.
//
// Returns 1 with `outPath` set when found; -1 when not found, after one message
// that names the program and the Debian package that provides it
// (MsgProgramNotInstalled), or, for a program of no known package, the folders
// looked in (MsgProgramNotInstalledLookedIn); 1 with `outPath` unchanged when the
// executables list cannot be opened (no archive yet): nothing is searched then.
int ToolLocator(ToolContext& context, int programIndex, const std::string& programName, std::string& outPath);

// The program that stands for `programName` on Linux: the name without a final
// ".exe" (any case), and the desktop's opener (xdg-open) or a Debian browser for
// the Windows programs that the original associations and browser list name
// ("wordpad.exe", "iexplore.exe", "crome.exe", ...). Other names are kept as given.
std::string LinuxProgramName(std::string_view programName);

// The Debian package that installs `program` (a Linux program name, as
// LinuxProgramName gives it); empty when the program is of no package known here.
std::string_view DebianPackageFor(std::string_view program);

// The folders ToolLocator looks in, in order, each once: the working folder,
// PATH, the usual program folders.
std::vector<std::string> ProgramSearchFolders(const ToolContext& context);

} // namespace vedra::app
