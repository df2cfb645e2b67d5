// The verbs of the `vedra` command. Each verb runs one engine operation on the
// workspace that main() prepared and prints its result on standard output.
#pragma once

#include "cli/CliOptions.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vedra::cli {

// EX_TEMPFAIL: another run writes the archive; the same command may be tried again later.
inline constexpr int kExitArchiveBusy = 75;

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
    // The option tables run() parses with: one, or one per form of the verb
    // (notes add, notes search).
    std::vector<const CliOptions*> forms;
};

const std::vector<CliCommand>& cliCommands();

int runInfo(CliContext& context, const std::vector<std::string>& arguments);
int runCreate(CliContext& context, const std::vector<std::string>& arguments);
int runArchives(CliContext& context, const std::vector<std::string>& arguments);
int runIndex(CliContext& context, const std::vector<std::string>& arguments);
int runOcr(CliContext& context, const std::vector<std::string>& arguments);

// A JSON string of a text (shown as UTF-8, control characters escaped).
std::string jsonString(const std::string& text);
int runRoots(CliContext& context, const std::vector<std::string>& arguments);
int runSearch(CliContext& context, const std::vector<std::string>& arguments);
int runShow(CliContext& context, const std::vector<std::string>& arguments);
int runStats(CliContext& context, const std::vector<std::string>& arguments);
int runNotes(CliContext& context, const std::vector<std::string>& arguments);
int runMemo(CliContext& context, const std::vector<std::string>& arguments);
int runOpen(CliContext& context, const std::vector<std::string>& arguments);
int runCalc(CliContext& context, const std::vector<std::string>& arguments);
int runGraph(CliContext& context, const std::vector<std::string>& arguments);
int runFetch(CliContext& context, const std::vector<std::string>& arguments);
int runPrint(CliContext& context, const std::vector<std::string>& arguments);
int runWatch(CliContext& context, const std::vector<std::string>& arguments);

// Each verb's option table, defined beside the verb.
extern const CliOptions kInfoOptions;
extern const CliOptions kCreateOptions;
extern const CliOptions kArchivesOptions;
extern const CliOptions kOcrOptions;
extern const CliOptions kIndexOptions;
extern const CliOptions kRootsListOptions;
extern const CliOptions kRootsAddOptions;
extern const CliOptions kSearchOptions;
extern const CliOptions kShowOptions;
extern const CliOptions kStatsOptions;
extern const CliOptions kNotesAddOptions;
extern const CliOptions kNotesSearchOptions;
extern const CliOptions kMemoAddOptions;
extern const CliOptions kMemoSearchOptions;
extern const CliOptions kOpenOptions;
extern const CliOptions kCalcOptions;
extern const CliOptions kGraphOptions;
extern const CliOptions kFetchOptions;
extern const CliOptions kPrintOptions;
extern const CliOptions kWatchOptions;

} // namespace vedra::cli
