// `vedra watch --enable` and `vedra watch --disable`: the live index turned on or
// off for the user as a service of the session (see core/watch/WatchService.h).
#pragma once

#include "cli/CliCommands.h"

namespace vedra::cli {

// Turns the service on (`enable`) or off for the working folder of `context`,
// printing what was done on standard output and what went wrong on standard
// error, in the workspace's language. 0 when the service is as asked, 1 otherwise.
int runWatchServiceCommand(CliContext& context, bool enable);

} // namespace vedra::cli
