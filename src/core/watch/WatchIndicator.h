// What the window's live-index indicator shows for the facts it has: the look
// (which the window turns into a coloured dot), a short word in the user's
// language and the lines of its tooltip. Decided here, without a window, so that
// the choice for every state is tested; the window only draws it.
//
// The state file is believed only while a watcher holds the lock: a file left by
// a watcher that was killed, or one the running watcher has not rewritten yet
// (another process number), says nothing about the watcher that runs now.
#pragma once

#include "core/app/MessageTable.h"
#include "core/watch/WatchState.h"

#include <optional>
#include <string>
#include <vector>

namespace vedra::watch {

enum class IndicatorLook {
    Hidden,       // no watcher and the live index is off: nothing to tell
    NotWatching,  // the live index is on (or the window's watcher ended) but nothing watches
    Starting,
    Watching,
    Updating,
    Paused,
    Error,
};

// The watcher the window started itself, as far as the window knows it.
struct OwnWatcher {
    int runningPid = 0;       // it runs, as this process (it may not hold the lock yet)
    bool ended = false;       // it ran and ended; exitCode says how
    int exitCode = 0;
    std::string startError;   // it could not be started (no program, exec failed); empty otherwise
};

struct WatchFacts {
    std::optional<WatchState> state;  // "vedrawatch.state" as read; none when missing
    int watcherPid = 0;               // the lock's holder (watcherProcess), 0 when none
    bool liveIndexOn = false;         // the user turned the live index on for this working folder
    OwnWatcher own;
};

struct WatchIndicator {
    IndicatorLook look = IndicatorLook::Hidden;
    std::string label;                  // UTF-8, empty when hidden
    std::vector<std::string> tipLines;  // UTF-8, one fact a line
    bool visible() const { return look != IndicatorLook::Hidden; }
    bool operator==(const WatchIndicator&) const = default;
};

// The indicator for `facts`, its texts from `messages`. The last batch's time is
// written in local time, "YYYY-MM-DD HH:MM:SS".
WatchIndicator DescribeWatch(const WatchFacts& facts, const app::MessageTable& messages);

} // namespace vedra::watch
