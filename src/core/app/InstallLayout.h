// Where an installed program keeps its working folder and finds its data. Run from
// its build folder the program works in the current directory, as it always did;
// installed (its executable in a bin/ folder beside share/vedrareader/) it works in
// the user's data folder, $XDG_DATA_HOME/vedrareader/vedraprog, so that starting
// it from the applications menu finds the same archives every time. The folder
// name "vedraprog" keeps the catalogue and the archives in the folder above it.
#pragma once

#include <optional>
#include <string>

namespace vedra::app {

struct InstallLayout {
    bool installed = false;
    // share/vedrareader/ with its trailing '/' when installed; empty otherwise.
    std::string dataFolder;
};

// The layout of the program whose executable is `executablePath` (as /proc/self/exe
// names it): installed when "<bin>/../share/vedrareader/" is a folder.
InstallLayout DetectInstallLayout(const std::string& executablePath);

// The installed program's working folder: `xdgDataHome` + "/vedrareader/vedraprog/"
// when it is an absolute path (the XDG rule ignores a relative one), else `home` +
// "/.local/share/vedrareader/vedraprog/". Empty when neither is usable.
std::string InstalledWorkingFolder(const std::string& xdgDataHome, const std::string& home);

// The path of the running executable; empty when the system does not say.
std::string RunningExecutablePath();

// The working folder the program starts in when none is given: the installed
// one (made if missing) for an installed program, none otherwise (the current
// directory then stays the rule). XDG_DATA_HOME from the environment, the home
// folder as the system probe finds it. nullopt when the program is not installed; an empty string when it is but
// the folder cannot be made.
std::optional<std::string> DefaultWorkingFolder(const InstallLayout& layout);

} // namespace vedra::app
