// Runs an outside program (the PDF converter, the unpacker) as a child process and
// waits for it the way the engine waits for anything long: pumping messages, so
// that Escape confirmed or Break ends the child instead of freezing the run.
#pragma once

#include <chrono>
#include <cstdint>
#include <spawn.h>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vedra::app {

class Workspace;

// What a child may use before it is ended: a converter that hangs or swells on a
// damaged file must not hold the run or the machine. Zero means no limit.
struct ProgramLimits {
    std::chrono::milliseconds time{0};  // wall time from the start
    std::uint64_t memoryBytes = 0;      // address space (RLIMIT_AS), set in the child before exec
};

struct ProcessOutcome {
    bool started = false;         // false: the program is missing or cannot be run
    int exitCode = -1;            // the child's exit status; -1 when it ended by a signal
    bool stoppedByBreak = false;  // BreakCode became non-zero and the child was killed
    bool stoppedByLimit = false;  // it passed its time limit and its group was killed
};

// Starts argv[0] (a path to an executable, never looked up in PATH and never given
// to a shell) with the arguments as they are, stdin, stdout and stderr on
// /dev/null, in a process group of its own; should this process be killed
// outright, the kernel kills the child too. Waits without a time limit, calling
// workspace.PumpPendingMessages(app::StopCode::Break) about every 20 ms; once BreakCode is non-zero
// the whole group gets SIGTERM and, 500 ms later, SIGKILL. The child is always
// reaped before the call returns. BreakCode is not cleared. With `limits`, the
// child runs under that memory limit, and past its time limit the group is ended
// the same way and stoppedByLimit set.
ProcessOutcome RunProgram(Workspace& workspace, const std::vector<std::string>& argv,
                          const ProgramLimits& limits = {});

// A child started as RunProgram starts one (argument vector, /dev/null streams, a
// group of its own) but not waited for: the caller goes on with its own work and
// asks from time to time whether the child has ended. Destroying one that still
// runs stops it as Break does; every child is reaped.
class RunningProgram {
public:
    RunningProgram() = default;
    // started() is false when argv is empty or the program is missing or cannot run.
    // `limits` as RunProgram takes them; the caller asks pastTimeLimit() and stops it.
    static RunningProgram Start(const std::vector<std::string>& argv, const ProgramLimits& limits = {});
    RunningProgram(RunningProgram&& other) noexcept;
    RunningProgram& operator=(RunningProgram&& other) noexcept;
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    bool started() const { return m_pid > 0; }
    // True once the child has ended, without waiting; also true after reap().
    bool hasEnded() const;
    // Waits for the end and collects the exit status (-1 when ended by a signal or
    // never started); later calls return the same status.
    int reap();
    bool reaped() const { return m_reaped; }
    pid_t pid() const { return m_pid; }
    // True while it runs past the time it was started with; never without one.
    bool pastTimeLimit() const;

private:
    friend bool WaitForAnyEnd(const std::vector<const RunningProgram*>&, std::chrono::milliseconds);
    friend void StopPrograms(const std::vector<RunningProgram*>&);
    void release();

    pid_t m_pid = -1;
    int m_endDescriptor = -1;  // a pidfd, readable once the child ends; -1 without one
    bool m_reaped = false;
    int m_exitCode = -1;
    std::chrono::steady_clock::time_point m_deadline{};  // the epoch: no time limit
};

// Waits until one of `programs` (those started and not reaped) has ended or
// `timeout` has passed; true when one has ended.
bool WaitForAnyEnd(const std::vector<const RunningProgram*>& programs, std::chrono::milliseconds timeout);

// Ends every program of `programs` still running as Break ends one: SIGTERM to
// each group, up to 500 ms for all of them together, then SIGKILL to each group
// (members may outlive the leader). All of them are reaped on return.
void StopPrograms(const std::vector<RunningProgram*>& programs);

// Starts argv[0] (a path, never looked up in PATH, never given to a shell) for the
// user to work with: in a session of its own, stdin on /dev/null, not waited for.
// A small thread of its own reaps it when it ends, so no zombie is left. True when
// the program was started; false when it is missing or cannot be executed.
bool StartDetached(const std::vector<std::string>& argv);

// For posix_spawn: the signals a front end may ignore set back to their
// defaults, and none blocked, so that the child hears SIGTERM and Break.
void ResetSpawnSignals(posix_spawnattr_t& attributes);
// The NUL-ended pointer array posix_spawn takes; `argv` must outlive it.
std::vector<char*> SpawnArguments(const std::vector<std::string>& argv);

} // namespace vedra::app
