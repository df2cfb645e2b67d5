#include "cli/WatchService.h"

#include "core/app/InstallLayout.h"
#include "core/watch/WatchService.h"

#include <ostream>

namespace vedra::cli {

int runWatchServiceCommand(CliContext& context, bool enable)
{
    app::Workspace& workspace = context.workspace;
    // This program is the watcher the autostart way starts at once.
    const watch::WatchServiceSetup setup =
        watch::WatchServiceSetupFromEnvironment(workspace, app::RunningExecutablePath());
    const watch::WatchServiceOutcome outcome = enable ? watch::EnableWatchService(setup, workspace.messages())
                                                      : watch::DisableWatchService(setup, workspace.messages());
    for (const watch::WatchServiceNote& note : outcome.notes)
        (note.problem ? context.err : context.out) << note.text << '\n';
    return outcome.ok ? 0 : 1;
}

} // namespace vedra::cli
