#include "cli/CliCommands.h"

namespace vedra::cli {

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"info", "info", "show the working folders, the current archive, the tools and the buffer sizes", runInfo},
    };
    return commands;
}

} // namespace vedra::cli
