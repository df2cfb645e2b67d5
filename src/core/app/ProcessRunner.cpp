// posix_spawn with an argument vector: the file names of documents reach the
// program byte for byte, whatever blanks, quotes or "$(...)" they hold.
#include "core/app/ProcessRunner.h"

#include "core/app/Workspace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vedra::app {
namespace {

constexpr std::chrono::milliseconds kPumpEvery{20};
constexpr std::chrono::milliseconds kTermGrace{500};
// Without a pidfd the wait falls back to polling at this step.
constexpr std::chrono::milliseconds kPollStep{5};

// A pidfd becomes readable when the child ends, so a short conversion is seen at
// once instead of at the next 20 ms tick. Older kernels have none: -1.
int openPidDescriptor(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// True once the child has ended; it stays a zombie (WNOWAIT) so that its pid, which
// is also its group's id, cannot be reused before the group is killed and reaped.
// A child already reaped elsewhere (SIGCHLD ignored by the front end) counts as ended.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == pid;
}

bool waitForEnd(pid_t pid, int pidDescriptor, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (hasEnded(pid))
            return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (pidDescriptor >= 0) {
            pollfd watch{pidDescriptor, POLLIN, 0};
            ::poll(&watch, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(left, kPollStep));
        }
    }
}

// The exit status, or -1 when it ended by a signal or was reaped elsewhere.
int reap(pid_t pid)
{
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    if (result == pid && WIFEXITED(status))
        return WEXITSTATUS(status);
    return -1;
}

// Signals the front end may ignore; an ignored signal would stay ignored across
// exec and make the child deaf to Break.
void resetSignals(posix_spawnattr_t& attributes)
{
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2, SIGTSTP,
                       SIGTTIN, SIGTTOU})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigmask(&attributes, &noneBlocked);
}

// The NUL-ended pointer array posix_spawn takes; `argv` must outlive it.
std::vector<char*> argumentPointers(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    return arguments;
}

pid_t spawnChild(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments = argumentPointers(argv);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors opened without O_CLOEXEC elsewhere (a library's) stay with us.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own group, so that Break also ends what the program started (7z's helpers).
    posix_spawnattr_setpgroup(&attributes, 0);
    resetSignals(attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    // posix_spawn, not posix_spawnp: argv[0] is a path and PATH plays no part. glibc
    // reports a failed exec (missing file, no execute bit) as the result.
    int result = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

pid_t spawnDetached(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments = argumentPointers(argv);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignals(attributes);
    // Its own session: closing the terminal or pressing Break leaves the user's
    // document program running.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    int result = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

} // namespace

bool StartDetached(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0].empty())
        return false;
    pid_t pid = spawnDetached(argv);
    if (pid <= 0)
        return false;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

ProcessOutcome RunProgram(Workspace& workspace, const std::vector<std::string>& argv)
{
    ProcessOutcome outcome;
    if (argv.empty() || argv[0].empty())
        return outcome;
    pid_t pid = spawnChild(argv);
    if (pid <= 0)
        return outcome;
    outcome.started = true;

    int pidDescriptor = openPidDescriptor(pid);
    bool ended = waitForEnd(pid, pidDescriptor, kPumpEvery);
    while (!ended) {
        workspace.PumpPendingMessages(app::StopCode::Break);
        if (workspace.BreakCode != app::StopCode::None)
            break;
        ended = waitForEnd(pid, pidDescriptor, kPumpEvery);
    }
    if (!ended) {
        outcome.stoppedByBreak = true;
        ::kill(-pid, SIGTERM);
        waitForEnd(pid, pidDescriptor, kTermGrace);
        // Also after a clean SIGTERM: members of the group may outlive the leader.
        ::kill(-pid, SIGKILL);
    }
    outcome.exitCode = reap(pid);
    if (pidDescriptor >= 0)
        ::close(pidDescriptor);
    return outcome;
}

} // namespace vedra::app
