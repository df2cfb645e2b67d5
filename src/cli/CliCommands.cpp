#include "cli/CliCommands.h"

namespace vedra::cli {

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"info", "info", "show the working folders, the current archive, the tools and the buffer sizes", runInfo},
        {"create", "create NAME [--disk L] [--number N] [--min N] [--cut N] [--description TEXT]",
         "create an archive (C_NAME_N), load the word roots and make it the current archive", runCreate},
        {"archives", "archives", "list the archives of the catalogue (* marks the current one)", runArchives},
        {"index", "index PATH [--single] [--unpack] [--no-subfolders] [--files PATTERNS] [--dirs PATTERNS]",
         "index a folder tree (or one folder) into the current archive; Ctrl-C stops and keeps the resume point",
         runIndex},
        {"search", "search WORDS... [--or] [--all-archives] [--files PATTERNS] [--dirs PATTERNS] [--json]",
         "search the current archive (or all): one row per document, tab-separated columns", runSearch},
        {"show", "show FILE [WORDS...]", "the preview of a file around the first hit, hits marked [[...]]", runShow},
        {"fetch", "fetch URL [DEST]", "fetch a web page or file into DEST (default: its local copy); bytes, kind, path", runFetch},
    };
    return commands;
}

} // namespace vedra::cli
