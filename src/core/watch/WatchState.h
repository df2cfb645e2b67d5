// What the watcher tells the others (`vedra watch --status`, the window's
// indicator): a small text file in the working folder, "vedrawatch.state",
// replaced whole at every change of state, one "key=value" per line. A reader
// that meets a key it does not know skips it, so later versions may add keys.
//
// Which process watches is told by "vedrawatch.lock": the watcher holds a write
// lock on it for its whole life, and the lock names its process; a watcher that
// was killed leaves a state file that says nothing once the lock is gone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::watch {

inline constexpr std::string_view kWatchStateName = "vedrawatch.state";
inline constexpr std::string_view kWatchLockName = "vedrawatch.lock";

enum class WatchPhase {
    Starting,  // setting up the watches, or the first rescan
    Watching,  // nothing to do: waiting for the disk to change
    Updating,  // a batch of changes runs into the archives
    Paused,    // changes are gathered and run on resume
    Error,     // the last batch or the watches failed; `error` says why
    Stopped,   // the watcher ended (or no watcher runs)
};

// "starting", "watching", "updating", "paused", "error", "stopped".
std::string_view watchPhaseName(WatchPhase phase);
std::optional<WatchPhase> watchPhaseFromName(std::string_view name);

struct WatchState {
    int pid = 0;
    WatchPhase phase = WatchPhase::Stopped;
    std::vector<int> archives;      // archive numbers kept up to date
    std::uint64_t folders = 0;      // folders under watch
    std::uint64_t pending = 0;      // changed folders waiting for the next batch
    std::uint64_t batches = 0;      // batches run since the watcher started
    std::int64_t lastBatchTime = 0; // Unix seconds at the end of the last batch; 0: none yet
    double lastBatchSeconds = 0;    // how long it took
    std::uint64_t lastBatchFolders = 0;
    std::uint64_t lastBatchFiles = 0;  // new, changed and gone files it found
    std::string message;            // the last notice ("rescan after lost events", ...)
    std::string error;              // the last error; empty when the last batch went well
};

std::string formatWatchState(const WatchState& state);
// Lines without '=' and unknown keys are skipped; a number that does not parse
// leaves its field at its default.
WatchState parseWatchState(std::string_view text);

// Replaces `path` whole; false when it cannot be written.
bool writeWatchState(const std::string& path, const WatchState& state);
// None when the file is missing or unreadable.
std::optional<WatchState> readWatchState(const std::string& path);

// The process that holds the watcher lock at `lockPath`; 0 when none does.
int watcherProcess(const std::string& lockPath);

// Held for a watcher's life: the lock of "vedrawatch.lock". One watcher per
// working folder; a second one learns the first one's process number.
class WatcherLock {
public:
    WatcherLock() = default;
    ~WatcherLock();
    WatcherLock(const WatcherLock&) = delete;
    WatcherLock& operator=(const WatcherLock&) = delete;

    // True when taken; otherwise `holder` is the process that holds it (0: the
    // file could not be made or locked, errno tells).
    bool take(const std::string& lockPath, int& holder);
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The state as `vedra watch --status` prints it, one fact a line, for the
// watcher holding the lock (`holder`; 0 or less: none). A state file another
// process wrote (a watcher that ended, before the holder wrote its own) tells
// nothing of the holder: it is shown starting.
std::vector<std::string> watchStatusLines(const WatchState& state, int holder);

} // namespace vedra::watch
