// What the window needs to start a watcher of its own: whether the user turned
// the live index on, and the `vedra` program with the arguments that run
// `vedra --workdir W watch`. Starting and ending the process is the window's.
#pragma once

#include <string>
#include <vector>

namespace vedra::watch {

// Set to "1", the window keeps the live index of its working folder running.
inline constexpr const char* kLiveIndexVariable = "VEDRA_LIVE_INDEX";
// Names the `vedra` program the window starts, instead of the one beside it.
inline constexpr const char* kVedraProgramVariable = "VEDRA_PROGRAM";

// True when the live index is on for `workingFolder` (with its trailing '/'): the
// folder holds a non-empty "vedrafolders.txt" (some folder was indexed, so there
// is something to watch), and the user turned the service on for this folder
// (`serviceOn`) or VEDRA_LIVE_INDEX is "1".
bool LiveIndexTurnedOn(const std::string& workingFolder, bool serviceOn = false);

// The `vedra` program for the window whose executable is `executablePath`: the
// one VEDRA_PROGRAM names, else `vedra` beside it (installed, both are in bin/),
// else the build tree's (src/ui/ beside src/cli/). Empty when none can be run.
std::string FindVedraProgram(const std::string& executablePath);

// The arguments after the program that run the watcher of `workingFolder`.
std::vector<std::string> WatcherArguments(const std::string& workingFolder);

} // namespace vedra::watch
