// systemctl and the watcher are started with posix_spawn from argument vectors:
// systemctl with its output read back for the messages and a time limit, the
// watcher in a session of its own with its output in the working folder, so that
// it outlives the window or the command that started it.
#include "core/watch/WatchService.h"

#include "core/app/InstallLayout.h"
#include "core/app/MessageFormat.h"
#include "core/app/ProcessRunner.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/io/AtomicFile.h"
#include "core/watch/WatchState.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vedra::watch {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kPollStep{50};
// systemctl says what went wrong in a line or two; more is not shown.
constexpr std::size_t kOutputLimit = 16 * 1024;
constexpr std::size_t kDetailLimit = 400;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

struct CommandResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;   // -1 when ended by a signal
    std::string output;  // standard output and error together
};

int waitForChild(pid_t pid, int options)
{
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid, &status, options);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return got < 0 ? -2 : -3;  // -2: not our child (any more); -3: still running
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs argv[0] (a path) with stdin on /dev/null and its output read back; killed
// past `limit`. Always reaped before the return.
CommandResult runCaptured(const std::vector<std::string>& argv, milliseconds limit)
{
    CommandResult result;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    app::ResetSpawnSignals(attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> arguments = app::SpawnArguments(argv);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (spawned != 0) {
        ::close(ends[0]);
        return result;
    }
    result.started = true;

    const auto deadline = Clock::now() + limit;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd watch{ends[0], POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;  // the deadline is checked above
        const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;  // the end of its output: it has ended or closed it
        if (result.output.size() < kOutputLimit)
            result.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    result.exitCode = waitForChild(pid, 0);
    if (result.timedOut)
        result.exitCode = -1;
    return result;
}

// What a failed command said, on one line.
std::string commandDetail(const CommandResult& result, milliseconds limit)
{
    if (!result.started)
        return "it cannot be started";
    if (result.timedOut)
        return "no answer within " + std::to_string(limit.count() / 1000) + " s";
    std::string detail;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, std::min(line.find_first_not_of(" \t\r"), line.size()));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
            line.pop_back();
        if (line.empty())
            continue;
        detail += (detail.empty() ? "" : "; ") + line;
    }
    if (detail.size() > kDetailLimit)
        detail = detail.substr(0, kDetailLimit) + "...";
    if (detail.empty())
        detail = result.exitCode >= 0 ? "exit status " + std::to_string(result.exitCode) : "ended by a signal";
    return detail;
}

class Systemctl {
public:
    explicit Systemctl(const WatchServiceSetup& setup)
        : m_program(FindProgramOnPath("systemctl", setup.searchPath)), m_limit(setup.commandLimit)
    {
    }

    // A systemd user manager answers: the user's session bus and manager are there.
    bool answers() const { return !m_program.empty() && run({"show-environment"}).exitCode == 0; }

    CommandResult run(std::initializer_list<std::string_view> arguments) const
    {
        std::vector<std::string> argv{m_program, "--user"};
        for (std::string_view argument : arguments)
            argv.emplace_back(argument);
        return runCaptured(argv, m_limit);
    }

    // "systemctl --user ARGUMENTS", as the messages show the command.
    static std::string shown(std::initializer_list<std::string_view> arguments)
    {
        std::string text = "systemctl --user";
        for (std::string_view argument : arguments) {
            text += ' ';
            text += argument;
        }
        return text;
    }

    milliseconds limit() const { return m_limit; }

private:
    std::string m_program;
    milliseconds m_limit;
};

void addNote(WatchServiceOutcome& outcome, const app::MessageTable& messages, app::MessageKey key,
             std::initializer_list<app::MessageArg> args, bool problem = false)
{
    outcome.notes.push_back({key, app::formatMessage(messages.text(key), args), problem});
}

std::string lockPath(const WatchServiceSetup& setup)
{
    return (fs::path(setup.workdir) / kWatchLockName).string();
}

// The last line the watcher wrote, to say why it ended.
std::string lastLogLine(const std::string& logPath)
{
    std::ifstream in(logPath, std::ios::binary);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            last = line;
    if (last.size() > kDetailLimit)
        last = last.substr(0, kDetailLimit) + "...";
    return last;
}

struct WatcherStart {
    int pid = 0;
    std::string problem;  // why it did not start; empty when it runs
};

// Starts `vedra --workdir W watch` in a session of its own, its output in the
// working folder's log, and waits until it holds the watcher lock, ends, or
// startWait has passed (it may still be walking the folders then: it counts as
// started).
WatcherStart startWatcher(const WatchServiceSetup& setup)
{
    WatcherStart start;
    if (setup.watcherProgram.empty()) {
        start.problem = "the vedra program was not found";
        return start;
    }
    if (setup.workdir.empty()) {
        start.problem = "no working folder";
        return start;
    }
    const std::string log = (fs::path(setup.workdir) / kWatchLogName).string();
    const std::vector<std::string> argv{setup.watcherProgram, "--workdir", setup.workdir, "watch"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    app::ResetSpawnSignals(attributes);
    // Its own session: closing the terminal or the window that started it does
    // not end it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> arguments = app::SpawnArguments(argv);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        start.problem = setup.watcherProgram + ": " + std::strerror(spawned);
        return start;
    }

    const std::string lock = lockPath(setup);
    const auto deadline = Clock::now() + setup.startWait;
    for (;;) {
        const int status = waitForChild(pid, WNOHANG);
        if (status != -3 && (status != -2 || ::kill(pid, 0) != 0)) {
            std::string why = lastLogLine(log);
            if (why.empty())
                why = status >= 0 ? "exit status " + std::to_string(status) : "it ended at once";
            start.problem = why;
            return start;
        }
        if (watcherProcess(lock) == pid || Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kPollStep);
    }
    start.pid = pid;
    // A long-lived caller (the window) must not keep it as a zombie once it ends.
    std::thread([pid] { waitForChild(pid, 0); }).detach();
    return start;
}

// Gone, or a zombie whose parent has not collected it yet.
bool processEnded(int pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

// SIGTERM to the watcher of the working folder, then a wait for its lock to go
// and, within the same time, for the process to end: it lets the lock go before
// it has saved the rest of its state. True when it no longer watches (or none
// ran); `pid` is the one asked to end.
bool stopWatcher(const WatchServiceSetup& setup, int& pid)
{
    const std::string lock = lockPath(setup);
    pid = watcherProcess(lock);
    if (pid <= 0)
        return true;
    if (::kill(pid, SIGTERM) != 0 && errno == ESRCH)
        return true;
    const auto deadline = Clock::now() + setup.stopWait;
    for (;;) {
        const bool watching = watcherProcess(lock) == pid;
        if (!watching && processEnded(pid))
            return true;
        if (Clock::now() >= deadline)
            return !watching;
        std::this_thread::sleep_for(kPollStep);
    }
}

bool entryExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::optional<std::string> readTemplate(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !fs::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return std::nullopt;
    return text;
}

// Told when the service was turned on from a working folder that is not the one
// the unit and the entry watch at login.
void noteOtherWorkdir(WatchServiceOutcome& outcome, const WatchServiceSetup& setup, const app::MessageTable& messages)
{
    if (setup.defaultWorkdir.empty() || setup.workdir.empty() || WatchesAtLogin(setup))
        return;
    addNote(outcome, messages, app::MessageKey::MsgWatchOtherWorkdir,
            {DisplayPath(setup.defaultWorkdir, setup.home), DisplayPath(setup.workdir, setup.home)});
}

void enableBySystemd(const WatchServiceSetup& setup, const app::MessageTable& messages, const Systemctl& systemctl,
                     WatchServiceOutcome& outcome)
{
    const CommandResult result = systemctl.run({"enable", "--now", kWatchServiceUnit});
    if (!result.started || result.exitCode != 0) {
        addNote(outcome, messages, app::MessageKey::MsgWatchCommandFailed,
                {Systemctl::shown({"enable", "--now", kWatchServiceUnit}), commandDetail(result, systemctl.limit())},
                true);
        return;
    }
    outcome.ok = true;
    outcome.way = WatchServiceWay::Systemd;
    addNote(outcome, messages, app::MessageKey::MsgWatchOnSystemd, {kWatchServiceUnit});
    // The copy an earlier turn-on left would start a second watcher at login.
    const std::string entry = AutostartEntryPath(setup);
    if (!entry.empty() && IsProgramAutostartEntry(entry)) {
        std::error_code error;
        fs::remove(entry, error);
    }
    noteOtherWorkdir(outcome, setup, messages);
}

void enableByAutostart(const WatchServiceSetup& setup, const app::MessageTable& messages,
                       WatchServiceOutcome& outcome)
{
    const std::string entry = AutostartEntryPath(setup);
    outcome.autostartPath = entry;
    const std::optional<std::string> text = readTemplate(setup.templatePath);
    if (!text) {
        addNote(outcome, messages, app::MessageKey::MsgWatchNoTemplate,
                {setup.templatePath.empty() ? std::string(kWatchAutostartName) : setup.templatePath}, true);
        return;
    }
    if (entry.empty()) {
        addNote(outcome, messages, app::MessageKey::MsgWatchCannotWrite,
                {std::string("~/.config/autostart/") + std::string(kWatchAutostartName), "no home folder is set"},
                true);
        return;
    }
    const std::string shown = DisplayPath(entry, setup.home);
    if (entryExists(entry) && !IsProgramAutostartEntry(entry)) {
        addNote(outcome, messages, app::MessageKey::MsgWatchForeignEntry, {shown}, true);
        return;
    }
    std::error_code error;
    fs::create_directories(fs::path(entry).parent_path(), error);
    std::optional<io::AtomicFile> file = io::AtomicFile::begin(entry);
    if (!file || !file->append(*text) || !file->commit()) {
        addNote(outcome, messages, app::MessageKey::MsgWatchCannotWrite, {shown, std::strerror(errno)}, true);
        return;
    }
    outcome.way = WatchServiceWay::Autostart;

    if (int running = watcherProcess(lockPath(setup)); running > 0) {
        outcome.ok = true;
        outcome.watcherPid = running;
        addNote(outcome, messages, app::MessageKey::MsgWatchOnAutostartRunning, {shown, static_cast<long>(running)});
    } else if (WatcherStart start = startWatcher(setup); start.pid > 0) {
        outcome.ok = true;
        outcome.watcherPid = start.pid;
        outcome.watcherStarted = true;
        addNote(outcome, messages, app::MessageKey::MsgWatchOnAutostart, {shown, static_cast<long>(start.pid)});
    } else {
        addNote(outcome, messages, app::MessageKey::MsgWatchNotStarted, {shown, start.problem}, true);
    }
    noteOtherWorkdir(outcome, setup, messages);
}

} // namespace

WatchServiceSetup WatchServiceSetupFromEnvironment(const app::Workspace& workspace, const std::string& executablePath)
{
    WatchServiceSetup setup;
    setup.workdir = workspace.WorkingFolder;
    const std::string& dataFolder = workspace.DataFolder;
    setup.home = workspace.probe().homeFolder();
    setup.configHome = environment("XDG_CONFIG_HOME");
    const char* path = std::getenv("PATH");
    setup.searchPath = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    if (!dataFolder.empty())
        setup.templatePath = (fs::path(dataFolder) / kWatchAutostartName).string();
    if (!executablePath.empty()) {
        const fs::path folder = fs::path(executablePath).parent_path();
        // Installed, `vedra` is beside the window's program; in the build folder
        // it is in cli/ beside ui/.
        for (const fs::path& candidate : {folder / "vedra", folder.parent_path() / "cli" / "vedra"}) {
            if (::access(candidate.c_str(), X_OK) == 0) {
                setup.watcherProgram = candidate.string();
                break;
            }
        }
    }
    if (setup.watcherProgram.empty())
        setup.watcherProgram = FindProgramOnPath("vedra", setup.searchPath);
    if (!dataFolder.empty())
        setup.defaultWorkdir = app::InstalledWorkingFolder(environment("XDG_DATA_HOME"), setup.home);
    return setup;
}

std::string AutostartEntryPath(const WatchServiceSetup& setup)
{
    fs::path config;
    if (!setup.configHome.empty() && setup.configHome[0] == '/')
        config = setup.configHome;
    else if (!setup.home.empty() && setup.home[0] == '/')
        config = fs::path(setup.home) / ".config";
    else
        return {};
    return (config / "autostart" / kWatchAutostartName).lexically_normal().string();
}

bool IsProgramAutostartEntry(const std::string& path)
{
    std::error_code error;
    // A link may point at any file, the template itself among them: the user made it.
    if (!fs::is_regular_file(fs::symlink_status(path, error)))
        return false;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == kWatchAutostartMarker)
            return true;
    }
    return false;
}

std::string FindProgramOnPath(const std::string& name, const std::string& searchPath)
{
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        // An empty entry would mean the current directory: never a place to take
        // a program from.
        if (end > start && searchPath[start] == '/') {
            const fs::path candidate = fs::path(searchPath.substr(start, end - start)) / name;
            std::error_code error;
            if (fs::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
        }
        start = end + 1;
    }
    return {};
}

std::string DisplayPath(const std::string& path, const std::string& home)
{
    const std::string base = withoutTrailingSlashes(home);
    if (base.empty() || base == "/" || path.compare(0, base.size(), base) != 0)
        return path;
    if (path.size() == base.size())
        return "~";
    if (path[base.size()] != '/')
        return path;
    std::string shown("~");
    shown.append(path, base.size());
    return shown;
}

WatchServiceOutcome EnableWatchService(const WatchServiceSetup& setup, const app::MessageTable& messages)
{
    WatchServiceOutcome outcome;
    const Systemctl systemctl(setup);
    if (systemctl.answers())
        enableBySystemd(setup, messages, systemctl, outcome);
    else
        enableByAutostart(setup, messages, outcome);
    return outcome;
}

WatchServiceOutcome DisableWatchService(const WatchServiceSetup& setup, const app::MessageTable& messages)
{
    WatchServiceOutcome outcome;
    bool failed = false;

    const Systemctl systemctl(setup);
    if (systemctl.answers()) {
        const bool enabled = systemctl.run({"is-enabled", "--quiet", kWatchServiceUnit}).exitCode == 0;
        const bool active = systemctl.run({"is-active", "--quiet", kWatchServiceUnit}).exitCode == 0;
        if (enabled || active) {
            const CommandResult result = systemctl.run({"disable", "--now", kWatchServiceUnit});
            if (result.started && result.exitCode == 0) {
                outcome.way = WatchServiceWay::Systemd;
                addNote(outcome, messages, app::MessageKey::MsgWatchOffSystemd, {kWatchServiceUnit});
            } else {
                failed = true;
                addNote(outcome, messages, app::MessageKey::MsgWatchCommandFailed,
                        {Systemctl::shown({"disable", "--now", kWatchServiceUnit}),
                         commandDetail(result, systemctl.limit())},
                        true);
            }
        }
    }

    const std::string entry = AutostartEntryPath(setup);
    outcome.autostartPath = entry;
    if (!entry.empty() && entryExists(entry)) {
        const std::string shown = DisplayPath(entry, setup.home);
        if (!IsProgramAutostartEntry(entry)) {
            addNote(outcome, messages, app::MessageKey::MsgWatchForeignEntryLeft, {shown}, true);
        } else if (std::error_code error; fs::remove(entry, error)) {
            if (outcome.way == WatchServiceWay::None)
                outcome.way = WatchServiceWay::Autostart;
            addNote(outcome, messages, app::MessageKey::MsgWatchOffAutostart, {shown});
        } else {
            failed = true;
            addNote(outcome, messages, app::MessageKey::MsgWatchCannotRemove, {shown, error.message()}, true);
        }
    }

    int pid = 0;
    const bool ended = stopWatcher(setup, pid);
    outcome.watcherPid = pid;
    if (!ended) {
        failed = true;
        outcome.watcherStillRunning = true;
        addNote(outcome, messages, app::MessageKey::MsgWatchStillRunning, {static_cast<long>(pid)}, true);
    } else if (pid > 0) {
        addNote(outcome, messages, app::MessageKey::MsgWatchStopped, {static_cast<long>(pid)});
    }

    if (outcome.way == WatchServiceWay::None && !failed) {
        WatchServiceOutcome already;
        addNote(already, messages, app::MessageKey::MsgWatchOffAlready, {});
        outcome.notes.insert(outcome.notes.begin(), already.notes.front());
    }
    outcome.ok = !failed;
    return outcome;
}

bool WatchesAtLogin(const WatchServiceSetup& setup)
{
    if (setup.defaultWorkdir.empty() || setup.workdir.empty())
        return false;
    std::error_code error;
    const std::string here = withoutTrailingSlashes(fs::weakly_canonical(setup.workdir, error).string());
    const std::string atLogin = withoutTrailingSlashes(fs::weakly_canonical(setup.defaultWorkdir, error).string());
    return here == atLogin;
}

WatchServiceWay WatchServiceState(const WatchServiceSetup& setup)
{
    const Systemctl systemctl(setup);
    if (systemctl.answers() && systemctl.run({"is-enabled", "--quiet", kWatchServiceUnit}).exitCode == 0)
        return WatchServiceWay::Systemd;
    const std::string entry = AutostartEntryPath(setup);
    if (!entry.empty() && IsProgramAutostartEntry(entry))
        return WatchServiceWay::Autostart;
    return WatchServiceWay::None;
}

} // namespace vedra::watch
