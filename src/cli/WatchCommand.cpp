// `vedra watch`: the live index in the foreground, the commands that ask the
// running one how it is (--status) or hold it (--pause, --resume), and the ones
// that turn it on or off as a service of the user's session (--enable, --disable).
#include "cli/CliCommands.h"
#include "cli/WatchService.h"

#include "core/archive/WriterLock.h"
#include "core/watch/LiveIndex.h"
#include "core/watch/WatchState.h"

#include <csignal>
#include <ostream>
#include <unistd.h>

namespace vedra::cli {
namespace {

// The exit status of --status, --pause and --resume when no watcher runs.
constexpr int kExitNotRunning = 3;

watch::LiveIndex* g_live = nullptr;

extern "C" void onWatchSignal(int signal)
{
    if (g_live == nullptr)
        return;
    if (signal == SIGUSR1)
        g_live->pause();
    else if (signal == SIGUSR2)
        g_live->resume();
    else
        g_live->stop();
}

} // namespace

constexpr OptionSpec kWatchOptionList[] = {
    {.name = "--archive", .value = OptionValue::Integer, .minimum = 0, .maximum = 9999,
     .valueText = "an archive number", .repeatable = true},
    {.name = "--status"},
    {.name = "--pause", .excludes = "--resume"},
    {.name = "--resume"},
    {.name = "--enable", .excludes = "--disable"},
    {.name = "--disable"},
    {.name = "--quiet-ms", .value = OptionValue::Integer, .minimum = 10, .maximum = 60000,
     .valueText = "a number of milliseconds"},
    {.name = "--pending-limit", .value = OptionValue::Integer, .minimum = 1, .maximum = 10000000,
     .valueText = "a number of folders"},
};

constexpr CliOptions kWatchOptions{
    .verb = "watch",
    .options = kWatchOptionList,
    .usage = "usage: vedra watch [PATH...] [--archive N]... [--quiet-ms MS] [--pending-limit N]\n"
             "       vedra watch --status | --pause | --resume | --enable | --disable\n",
};

int runWatch(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kWatchOptions, arguments, context.err);
    if (!given)
        return 2;
    app::Workspace& ws = context.workspace;
    if (given->has("--enable") || given->has("--disable")) {
        // The service runs a plain `vedra watch`: the folders the archives were
        // indexed from, the current archive.
        const char* const others[] = {"--archive", "--status", "--pause", "--resume", "--quiet-ms", "--pending-limit"};
        for (const char* other : others) {
            if (given->has(other)) {
                context.err << "vedra watch: " << (given->has("--enable") ? "--enable" : "--disable")
                            << " cannot be given with " << other << '\n';
                return 2;
            }
        }
        if (!given->words().empty()) {
            context.err << "vedra watch: --enable and --disable take no paths: the service watches the folders "
                           "the archives were indexed from\n";
            return 2;
        }
        return runWatchServiceCommand(context, given->has("--enable"));
    }
    const std::string statePath = ws.WorkingFolder + std::string(watch::kWatchStateName);
    const std::string lockPath = ws.WorkingFolder + std::string(watch::kWatchLockName);
    if (given->has("--status") || given->has("--pause") || given->has("--resume")) {
        const int pid = watch::watcherProcess(lockPath);
        if (given->has("--status")) {
            watch::WatchState state = watch::readWatchState(statePath).value_or(watch::WatchState{});
            for (const std::string& line : watch::watchStatusLines(state, pid))
                context.out << line << '\n';
            return pid > 0 ? 0 : kExitNotRunning;
        }
        if (pid <= 0) {
            context.err << "vedra watch: no watcher runs for " << ws.WorkingFolder << '\n';
            return kExitNotRunning;
        }
        const bool pause = given->has("--pause");
        if (::kill(pid, pause ? SIGUSR1 : SIGUSR2) != 0) {
            context.err << "vedra watch: cannot reach the watcher (PID " << pid << ")\n";
            return 1;
        }
        context.out << (pause ? "Paused" : "Resumed") << " the watcher (PID " << pid << ")\n";
        return 0;
    }

    watch::WatcherLock lock;
    int holder = 0;
    if (!lock.take(lockPath, holder)) {
        if (holder > 0)
            context.err << "vedra watch: a watcher runs already for " << ws.WorkingFolder << " (PID " << holder
                        << ")\n";
        else
            context.err << "vedra watch: cannot lock " << lockPath << '\n';
        return 1;
    }
    watch::LiveIndexSettings settings;
    for (const std::string& number : given->values("--archive"))
        settings.archives.push_back(std::stoi(number));
    settings.folders = given->words();
    if (std::optional<std::int64_t> quiet = given->number("--quiet-ms"))
        settings.quiet = std::chrono::milliseconds(*quiet);
    if (std::optional<std::int64_t> limit = given->number("--pending-limit"))
        settings.pendingLimit = static_cast<std::size_t>(*limit);
    watch::BeQuiet();
    archive::WriterLock::setHoldsBriefly(true);
    watch::LiveIndex live(ws, settings, [&](const std::string& line) {
        context.err << "vedra watch: " << line << std::endl;
    });
    live.setStatePath(statePath);
    g_live = &live;
    constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2};
    struct sigaction action {};
    action.sa_handler = onWatchSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
    // A stop asked for during a batch ends its run as Ctrl-C ends a manual one.
    context.host.setOnDrain([&](int) {
        if (live.stopRequested())
            ws.BreakCode = app::StopCode::Break;
    });
    int status = 1;
    if (live.start())
        status = live.run();
    context.host.setOnDrain(nullptr);
    g_live = nullptr;
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    if (status == 0 || live.stopRequested()) {
        watch::WatchState state = live.state();
        state.phase = watch::WatchPhase::Stopped;
        watch::writeWatchState(statePath, state);
    }
    return live.stopRequested() ? 0 : status;
}

} // namespace vedra::cli
