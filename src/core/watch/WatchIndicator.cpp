#include "core/watch/WatchIndicator.h"

#include "core/app/MessageFormat.h"

#include <climits>
#include <cstdio>
#include <ctime>

namespace vedra::watch {
namespace {

using app::MessageKey;

MessageKey labelKey(IndicatorLook look)
{
    switch (look) {
    case IndicatorLook::Starting: return MessageKey::MsgWatchStarting;
    case IndicatorLook::Watching: return MessageKey::MsgWatchWatching;
    case IndicatorLook::Updating: return MessageKey::MsgWatchUpdating;
    case IndicatorLook::Paused: return MessageKey::MsgWatchPaused;
    case IndicatorLook::Error: return MessageKey::MsgWatchError;
    case IndicatorLook::Hidden:
    case IndicatorLook::NotWatching: break;
    }
    return MessageKey::MsgWatchNotWatching;
}

IndicatorLook lookOf(WatchPhase phase)
{
    switch (phase) {
    case WatchPhase::Starting: return IndicatorLook::Starting;
    case WatchPhase::Watching: return IndicatorLook::Watching;
    case WatchPhase::Updating: return IndicatorLook::Updating;
    case WatchPhase::Paused: return IndicatorLook::Paused;
    case WatchPhase::Error: return IndicatorLook::Error;
    // Written as the watcher ends, before it lets the lock go.
    case WatchPhase::Stopped: break;
    }
    return IndicatorLook::NotWatching;
}

std::string localStamp(std::int64_t unixSeconds)
{
    const std::time_t when = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    char stamp[32] = "?";
    if (::localtime_r(&when, &local) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    return stamp;
}

long asLong(std::uint64_t count)
{
    return count > static_cast<std::uint64_t>(LONG_MAX) ? LONG_MAX : static_cast<long>(count);
}

class Describer {
public:
    explicit Describer(const app::MessageTable& messages) : m_messages(messages) {}

    void setLook(IndicatorLook look)
    {
        m_shown.look = look;
        m_shown.label = std::string(m_messages.text(labelKey(look)));
    }
    void line(MessageKey key, std::initializer_list<app::MessageArg> args = {})
    {
        m_shown.tipLines.push_back(app::formatMessage(m_messages.text(key), args));
    }
    const std::string& label() const { return m_shown.label; }
    WatchIndicator take() { return std::move(m_shown); }

private:
    const app::MessageTable& m_messages;
    WatchIndicator m_shown;
};

} // namespace

WatchIndicator DescribeWatch(const WatchFacts& facts, const app::MessageTable& messages)
{
    Describer shown(messages);
    if (facts.watcherPid <= 0) {
        const OwnWatcher& own = facts.own;
        if (!own.startError.empty()) {
            shown.setLook(IndicatorLook::Error);
            shown.line(MessageKey::MsgWatchCannotStart, {own.startError});
            return shown.take();
        }
        if (own.runningPid > 0) {
            // Started, but the lock is not taken yet.
            shown.setLook(IndicatorLook::Starting);
            const std::string label = shown.label();
            shown.line(MessageKey::MsgWatchTipHeading, {label, static_cast<long>(own.runningPid)});
            return shown.take();
        }
        if (!facts.liveIndexOn && !own.ended)
            return {};
        // A watcher of the window's that failed is an error the user should see;
        // one that was ended on purpose (exit 0) only leaves nothing watching.
        shown.setLook(own.ended && own.exitCode != 0 ? IndicatorLook::Error : IndicatorLook::NotWatching);
        if (facts.liveIndexOn)
            shown.line(MessageKey::MsgWatchTipNoWatcher);
        if (own.ended)
            shown.line(MessageKey::MsgWatchTipEnded, {static_cast<long>(own.exitCode)});
        return shown.take();
    }

    const bool current = facts.state && facts.state->pid == facts.watcherPid;
    shown.setLook(current ? lookOf(facts.state->phase) : IndicatorLook::Starting);
    const std::string label = shown.label();
    shown.line(MessageKey::MsgWatchTipHeading, {label, static_cast<long>(facts.watcherPid)});
    if (!current)
        return shown.take();

    const WatchState& state = *facts.state;
    if (!state.archives.empty()) {
        std::string numbers;
        for (int number : state.archives)
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
        shown.line(MessageKey::MsgWatchTipArchives, {numbers});
    }
    shown.line(MessageKey::MsgWatchTipFolders, {asLong(state.folders)});
    shown.line(MessageKey::MsgWatchTipPending, {asLong(state.pending)});
    if (state.lastBatchTime > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", state.lastBatchSeconds);
        const std::string stamp = localStamp(state.lastBatchTime);
        shown.line(MessageKey::MsgWatchTipLastBatch, {stamp, asLong(state.lastBatchFolders),
                                                     asLong(state.lastBatchFiles), std::string_view(seconds),
                                                     asLong(state.batches)});
    } else {
        shown.line(MessageKey::MsgWatchTipNoBatch);
    }
    if (!state.message.empty())
        shown.line(MessageKey::MsgWatchTipNotice, {state.message});
    if (!state.error.empty())
        shown.line(MessageKey::MsgWatchTipError, {state.error});
    return shown.take();
}

} // namespace vedra::watch
