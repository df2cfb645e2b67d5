// Opening documents with outside programs: the run-with program box, the program
// registered for an extension, and the start of the program itself. Programs are
// started with an argument vector (program path, document path), never through a
// shell, and are not waited for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::utilities {

// The program-box index that means "not in the box": ToolLocator then skips the
// executables list.
inline constexpr int kNotInProgramBox = -10000;

// The program that opens what no association claims.
inline constexpr const char* kFallbackProgram = "xdg-open";

// Longest document path the run-with window hands on.
inline constexpr std::size_t kMaxLaunchPath = 512;

// The program associations of the current archive: "EXE." + number in the archive
// folder when that file opens for writing; otherwise the same name in the redirect
// folder (or the archive folder, or "Magazzino/" without an archive), created there
// with the default records when missing. Empty when neither can be had.
std::string ProgramAssociationsPath(app::Workspace& workspace);

// Reads the program associations into the program box (workspace.runWithPrograms):
// each record's program name, lower-cased, added unless an entry already begins
// with it. False, with the box unchanged, when the file cannot be opened or made.
bool FillProgramBox(app::Workspace& workspace);

// The index of the first program-box entry that begins with `name` (compared
// without regard to case), or kNotInProgramBox.
int FindInProgramBox(const app::Workspace& workspace, const std::string& name);

// True for a web address rather than a disk path: on Linux a disk path is absolute.
bool IsWebAddress(std::string_view path);

// A file's extension with its '.', from its last '.'-part after the last '/';
// empty when there is none or it is longer than 60 characters.
std::string FileExtension(std::string_view path);

// True for what run-with never starts: ".bat", ".exe", ".sh" and ".desktop" files
// (by extension, any case) and any regular file with an execute bit.
bool IsRefusedDocument(const std::string& path);

// The command line as the user reads it: the program path and the document path,
// each in quotes, a blank between. Only for display: the start uses argv.
std::string LaunchCommandLine(const std::string& programPath, const std::string& documentPath);

// Starts `programName` (a name from the program box, or a path holding '/') on
// `documentPath`. Nothing happens (false) for an empty path, a path longer than
// 512 characters or one that starts with neither '/' nor a letter. A disk file
// that no longer exists shows MsgFileNoLongerExists; a refused document shows
// MsgInvalidOption; a program that ToolLocator cannot find stops
// with its messages; a failed start shows MsgRunError. True when a process was
// started.
bool RunWithProgram(app::Workspace& workspace, int programIndex, const std::string& programName,
                    const std::string& documentPath);

// The program for `path` and its start: a web address (given "http://" when it has
// no scheme) goes to the chosen browser of the browser list, or to the program
// registered for ".htm" when none is chosen; a file to the program registered for
// its extension, else to the fallback program. True when a process was started.
bool OpenWithRegisteredProgram(app::Workspace& workspace, const std::string& path);

// The run-with button (1115): the selected result's path, else the preview's
// selected text when shorter than 512 characters; started with the program named
// in the box, or with its registered program when the box is empty. False when
// there is nothing to open or nothing was started.
bool RunWithButton(app::Workspace& workspace, const std::string& programBoxText, const std::string& selectedRowPath,
                   const std::string& selectedPreviewText);

// The program OpenWithRegisteredProgram would choose for `path` (no start).
std::string RegisteredProgramFor(app::Workspace& workspace, const std::string& path);

} // namespace vedra::utilities
