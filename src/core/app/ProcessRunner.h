// Runs an outside program (the PDF converter, the unpacker) as a child process and
// waits for it the way the engine waits for anything long: pumping messages, so
// that Escape confirmed or Break ends the child instead of freezing the run.
#pragma once

#include <string>
#include <vector>

namespace vedra::app {

class Workspace;

struct ProcessOutcome {
    bool started = false;         // false: the program is missing or cannot be run
    int exitCode = -1;            // the child's exit status; -1 when it ended by a signal
    bool stoppedByBreak = false;  // BreakCode became non-zero and the child was killed
};

// Starts argv[0] (a path to an executable, never looked up in PATH and never given
// to a shell) with the arguments as they are, stdin, stdout and stderr on
// /dev/null, in a process group of its own. Waits without a time limit, calling
// workspace.PumpPendingMessages(app::StopCode::Break) about every 20 ms; once BreakCode is non-zero
// the whole group gets SIGTERM and, 500 ms later, SIGKILL. The child is always
// reaped before the call returns. BreakCode is not cleared.
ProcessOutcome RunProgram(Workspace& workspace, const std::vector<std::string>& argv);

// Starts argv[0] (a path, never looked up in PATH, never given to a shell) for the
// user to work with: in a session of its own, stdin on /dev/null, not waited for.
// A small thread of its own reaps it when it ends, so no zombie is left. True when
// the program was started; false when it is missing or cannot be executed.
bool StartDetached(const std::vector<std::string>& argv);

} // namespace vedra::app
