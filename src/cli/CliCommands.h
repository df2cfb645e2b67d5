// The verbs of the `vedra` command. Each verb runs one engine operation on the
// workspace that main() prepared and prints its result on standard output.
#pragma once

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vedra::cli {

struct CliContext {
    app::Workspace& workspace;
    app::HeadlessHost& host;
    std::ostream& out;
    std::ostream& err;
};

struct CliCommand {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(CliContext& context, const std::vector<std::string>& arguments);
};

const std::vector<CliCommand>& cliCommands();

int runInfo(CliContext& context, const std::vector<std::string>& arguments);
int runCreate(CliContext& context, const std::vector<std::string>& arguments);
int runArchives(CliContext& context, const std::vector<std::string>& arguments);
int runIndex(CliContext& context, const std::vector<std::string>& arguments);
int runSearch(CliContext& context, const std::vector<std::string>& arguments);
int runShow(CliContext& context, const std::vector<std::string>& arguments);
int runStats(CliContext& context, const std::vector<std::string>& arguments);
int runNotes(CliContext& context, const std::vector<std::string>& arguments);
int runMemo(CliContext& context, const std::vector<std::string>& arguments);
int runOpen(CliContext& context, const std::vector<std::string>& arguments);
int runCalc(CliContext& context, const std::vector<std::string>& arguments);
int runGraph(CliContext& context, const std::vector<std::string>& arguments);
int runFetch(CliContext& context, const std::vector<std::string>& arguments);

} // namespace vedra::cli
