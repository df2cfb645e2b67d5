// Programs started from an argument vector (execv, posix_spawn): the file names of
// documents reach the program byte for byte, whatever blanks, quotes or "$(...)"
// they hold.
#include "core/app/ProcessRunner.h"

#include "core/app/Workspace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <csignal>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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
bool childHasEnded(pid_t pid)
{
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == pid;
}

// The exit status, or -1 when it ended by a signal or was reaped elsewhere.
int reapChild(pid_t pid)
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

void closeDescriptorsFrom(int first, int last)
{
#ifdef SYS_close_range
    if (first > last || ::syscall(SYS_close_range, first, last, 0) == 0)
        return;
#endif
    long most = ::sysconf(_SC_OPEN_MAX);
    int end = most > 0 && most < 65536 ? static_cast<int>(most) - 1 : 65535;
    for (int descriptor = first; descriptor <= std::min(last, end); ++descriptor)
        ::close(descriptor);
}

// posix_spawn can neither lower a limit in the child alone nor tie the child's
// life to ours, so the child is forked. Between fork and exec it makes only system
// calls (the thread that forked may share the heap with others); a failed exec
// reports its errno through a pipe that the exec closes, so a missing program
// still counts as not started. A memory limit of 0 sets none.
pid_t forkChild(const std::vector<std::string>& argv, std::uint64_t memoryBytes)
{
    std::vector<char*> arguments = SpawnArguments(argv);
    const char* program = argv[0].c_str();
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    rlimit memory{static_cast<rlim_t>(memoryBytes), static_cast<rlim_t>(memoryBytes)};
    const pid_t parent = ::getpid();
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        // A run killed outright (SIGKILL, a crash) cannot end its converters: the
        // kernel does, so that none goes on writing into the folders the next run
        // cleans, or hangs on with nobody to watch its limits. Its own children
        // are not reached; pdftotext and 7z start none. (The kernel acts when the
        // thread that forked ends: it is the one that waits for the child.)
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::setpgid(0, 0);
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2, SIGTSTP,
                           SIGTTIN, SIGTTOU})
            ::sigaction(signal, &defaults, nullptr);
        ::sigprocmask(SIG_SETMASK, &noneBlocked, nullptr);
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        closeDescriptorsFrom(STDERR_FILENO + 1, report[1] - 1);
        closeDescriptorsFrom(report[1] + 1, INT_MAX);
        int error = 0;
        if (memoryBytes == 0 || ::setrlimit(RLIMIT_AS, &memory) == 0) {
            ::execv(program, arguments.data());
            error = errno;
        } else {
            error = errno;
        }
        while (::write(report[1], &error, sizeof error) < 0 && errno == EINTR) {
        }
        ::_exit(127);
    }
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        return -1;
    }
    // Also from here, so that a kill of the group right after the return finds it.
    ::setpgid(pid, pid);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got > 0) {
        reapChild(pid);
        return -1;
    }
    return pid;
}

pid_t spawnDetached(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments = SpawnArguments(argv);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    ResetSpawnSignals(attributes);
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

// Signals the front end may ignore; an ignored signal would stay ignored across
// exec and make the child deaf to Break.
void ResetSpawnSignals(posix_spawnattr_t& attributes)
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
std::vector<char*> SpawnArguments(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    return arguments;
}

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

RunningProgram RunningProgram::Start(const std::vector<std::string>& argv, const ProgramLimits& limits)
{
    RunningProgram program;
    if (argv.empty() || argv[0].empty())
        return program;
    pid_t pid = forkChild(argv, limits.memoryBytes);
    if (pid <= 0)
        return program;
    program.m_pid = pid;
    if (limits.time.count() > 0)
        program.m_deadline = std::chrono::steady_clock::now() + limits.time;
    program.m_endDescriptor = openPidDescriptor(pid);
    return program;
}

RunningProgram::RunningProgram(RunningProgram&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_endDescriptor(std::exchange(other.m_endDescriptor, -1)),
      m_reaped(std::exchange(other.m_reaped, false)), m_exitCode(std::exchange(other.m_exitCode, -1)),
      m_deadline(std::exchange(other.m_deadline, {}))
{
}

RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept
{
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_endDescriptor = std::exchange(other.m_endDescriptor, -1);
        m_reaped = std::exchange(other.m_reaped, false);
        m_exitCode = std::exchange(other.m_exitCode, -1);
        m_deadline = std::exchange(other.m_deadline, {});
    }
    return *this;
}

RunningProgram::~RunningProgram()
{
    release();
}

void RunningProgram::release()
{
    if (started() && !m_reaped)
        StopPrograms({this});
    if (m_endDescriptor >= 0)
        ::close(m_endDescriptor);
    m_endDescriptor = -1;
    m_pid = -1;
}

bool RunningProgram::hasEnded() const
{
    return !started() || m_reaped || childHasEnded(m_pid);
}

bool RunningProgram::pastTimeLimit() const
{
    return started() && !m_reaped && m_deadline != std::chrono::steady_clock::time_point{} &&
           std::chrono::steady_clock::now() >= m_deadline;
}

int RunningProgram::reap()
{
    if (!started() || m_reaped)
        return m_exitCode;
    m_exitCode = reapChild(m_pid);
    m_reaped = true;
    if (m_endDescriptor >= 0)
        ::close(m_endDescriptor);
    m_endDescriptor = -1;
    return m_exitCode;
}

bool WaitForAnyEnd(const std::vector<const RunningProgram*>& programs, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<pollfd> watch;
    for (;;) {
        watch.clear();
        bool everyOneWatched = true;
        for (const RunningProgram* program : programs) {
            if (program == nullptr || !program->started() || program->m_reaped)
                continue;
            if (program->hasEnded())
                return true;
            if (program->m_endDescriptor >= 0)
                watch.push_back({program->m_endDescriptor, POLLIN, 0});
            else
                everyOneWatched = false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        auto step = everyOneWatched ? left : std::min(left, kPollStep);
        // With nothing to watch this is a plain sleep.
        ::poll(watch.data(), watch.size(), static_cast<int>(step.count()));
    }
}

void StopPrograms(const std::vector<RunningProgram*>& programs)
{
    std::vector<const RunningProgram*> running;
    for (RunningProgram* program : programs) {
        if (program != nullptr && program->started() && !program->m_reaped) {
            ::kill(-program->m_pid, SIGTERM);
            running.push_back(program);
        }
    }
    auto deadline = std::chrono::steady_clock::now() + kTermGrace;
    for (const RunningProgram* program : running) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() > 0)
            WaitForAnyEnd({program}, left);
    }
    for (RunningProgram* program : programs) {
        if (program != nullptr && program->started() && !program->m_reaped) {
            // Also after a clean SIGTERM: members of the group may outlive the leader.
            ::kill(-program->m_pid, SIGKILL);
            program->reap();
        }
    }
}

ProcessOutcome RunProgram(Workspace& workspace, const std::vector<std::string>& argv, const ProgramLimits& limits)
{
    ProcessOutcome outcome;
    RunningProgram program = RunningProgram::Start(argv, limits);
    if (!program.started())
        return outcome;
    outcome.started = true;

    bool ended = WaitForAnyEnd({&program}, kPumpEvery);
    while (!ended) {
        if (program.pastTimeLimit()) {
            outcome.stoppedByLimit = true;
            break;
        }
        workspace.PumpPendingMessages(app::StopCode::Break);
        if (workspace.BreakCode != app::StopCode::None) {
            outcome.stoppedByBreak = true;
            break;
        }
        ended = WaitForAnyEnd({&program}, kPumpEvery);
    }
    if (!ended)
        StopPrograms({&program});
    outcome.exitCode = program.reap();
    return outcome;
}

} // namespace vedra::app
