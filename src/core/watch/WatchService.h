// The live index as a service of the user's session: turned on, it starts the
// watcher (`vedra watch`) at every login; turned off, nothing watches. It is off
// for every user until each one turns it on.
//
// Two ways, chosen when it is turned on: where a systemd user manager answers,
// the user unit "vedra-watch.service" the package installs is enabled and
// started; elsewhere the package's autostart entry (a template) is copied into
// the user's autostart folder and the watcher is started at once, so that the
// user need not log in again. Turning it off undoes both ways, removes only an
// autostart entry that is the program's copy, and ends a running watcher.
#pragma once

#include "core/app/MessageTable.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::watch {

inline constexpr std::string_view kWatchServiceUnit = "vedra-watch.service";
inline constexpr std::string_view kWatchAutostartName = "vedra-watch.desktop";
// The template's line that marks a copy as the program's: an entry of the same
// name without it was written by the user and is never replaced or removed.
inline constexpr std::string_view kWatchAutostartMarker = "X-VedraReader-Autostart=vedra-watch";
// The output of a watcher started by EnableWatchService, in the working folder;
// emptied at each start.
inline constexpr std::string_view kWatchLogName = "vedrawatch.log";

// Where the service's parts are for the user, and how long to wait for them.
struct WatchServiceSetup {
    std::string workdir;         // the working folder: the watcher's lock and log are here
    std::string home;            // the home folder
    std::string configHome;      // $XDG_CONFIG_HOME as set; used only when absolute
    std::string searchPath;      // the folders systemctl is looked for in, ':'-separated
    std::string templatePath;    // the package's autostart entry; empty when not installed
    std::string watcherProgram;  // the `vedra` started now by the autostart way; empty: none found
    // The working folder the unit and the entry watch at login; empty when unknown.
    std::string defaultWorkdir;
    std::chrono::milliseconds startWait{5000};  // for a started watcher to take its lock
    std::chrono::milliseconds stopWait{15000};  // for a watcher to end after SIGTERM
    std::chrono::milliseconds commandLimit{30000};  // for each systemctl call
};

// The setup of the workspace's user: its working folder, the home folder its
// probe finds, XDG_CONFIG_HOME, XDG_DATA_HOME and PATH from the environment. The
// template is in the workspace's DataFolder (the installed share/vedrareader/;
// none when the program is not installed); the watcher is the `vedra` beside
// `executablePath`, in the build folder's cli/, or on PATH.
WatchServiceSetup WatchServiceSetupFromEnvironment(const app::Workspace& workspace, const std::string& executablePath);

// "<config home>/autostart/vedra-watch.desktop": $XDG_CONFIG_HOME when it is an
// absolute path (the XDG rule ignores a relative one), else ~/.config. Empty when
// neither is usable.
std::string AutostartEntryPath(const WatchServiceSetup& setup);

// True when `path` is a regular file (not a link) holding the marker line.
bool IsProgramAutostartEntry(const std::string& path);

// The first executable `name` in the ':'-separated `searchPath`; empty when none.
std::string FindProgramOnPath(const std::string& name, const std::string& searchPath);

// `path` with the home folder shown as "~".
std::string DisplayPath(const std::string& path, const std::string& home);

enum class WatchServiceWay { None, Systemd, Autostart };

struct WatchServiceNote {
    app::MessageKey key;
    std::string text;      // the message, in the table's language
    bool problem = false;  // something was not done: for the error stream
};

struct WatchServiceOutcome {
    bool ok = false;  // the service is now as asked
    // Enable: the way taken. Disable: Systemd when a unit was disabled, else
    // Autostart when the entry was removed, else None.
    WatchServiceWay way = WatchServiceWay::None;
    std::string autostartPath;     // the entry written, removed or left alone
    int watcherPid = 0;            // the watcher started, found running or stopped
    bool watcherStarted = false;   // enable: this call started it
    bool watcherStillRunning = false;  // disable: it did not end within stopWait
    std::vector<WatchServiceNote> notes;  // what was done, then what went wrong
};

// Turns the service on (see the top of this file). Where no systemd user manager
// answers and the template is missing, or an entry of the user's own is in the
// way, nothing changes and a note says why. A watcher already running for the
// working folder is left alone, not started twice.
WatchServiceOutcome EnableWatchService(const WatchServiceSetup& setup, const app::MessageTable& messages);

// Turns the service off: `systemctl --user disable --now` when the unit is enabled
// or active, the autostart entry removed when it is the program's copy, and the
// watcher of the working folder sent SIGTERM and waited for. ok is false when
// systemctl fails, the entry cannot be removed, or the watcher still runs.
WatchServiceOutcome DisableWatchService(const WatchServiceSetup& setup, const app::MessageTable& messages);

// How the service is on for the user: Systemd when the unit is enabled, else
// Autostart when the program's entry is in the autostart folder, else None.
WatchServiceWay WatchServiceState(const WatchServiceSetup& setup);
// Whether the setup's working folder is the one the service watches at login.
bool WatchesAtLogin(const WatchServiceSetup& setup);

} // namespace vedra::watch
