// `vedra open FILE [--with PROGRAM]`: opens a file (or a web address) with the
// program registered for its extension in the archive's program associations, or
// with PROGRAM (a name looked up like any program, or a path). The program is
// started on its own and not waited for; the command line is printed.
#include "cli/CliCommands.h"

#include "core/utilities/Launching.h"

#include <filesystem>
#include <ostream>

namespace vedra::cli {

constexpr OptionSpec kOpenOptionList[] = {{.name = "--with", .value = OptionValue::Text}};

// A file name may begin with '-'.
constexpr CliOptions kOpenOptions{
    .verb = "open",
    .options = kOpenOptionList,
    .usage = "usage: vedra open FILE [--with PROGRAM]\n",
    .minWords = 1,
    .maxWords = 1,
    .dashWords = DashWords::Words,
};

int runOpen(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kOpenOptions, arguments, context.err);
    if (!given)
        return 2;
    std::string target = given->words()[0];
    const std::string program = given->text("--with").value_or("");
    if (target.empty()) {
        context.err << kOpenOptions.usage;
        return 2;
    }
    // A file named relative to the current folder is a file, not a web address.
    std::error_code error;
    if (target[0] != '/' && std::filesystem::exists(target, error)) {
        target = std::filesystem::absolute(target, error).lexically_normal().string();
    } else if (target[0] != '/' && target.find("://") == std::string::npos && target.rfind("www.", 0) != 0) {
        // A mistyped file name would otherwise go to the browser as a web address.
        context.err << "vedra: no such file: " << target << '\n';
        return 1;
    }

    app::Workspace& ws = context.workspace;
    bool started;
    if (program.empty()) {
        started = utilities::OpenWithRegisteredProgram(ws, target);
    } else {
        utilities::FillProgramBox(ws);
        started = utilities::RunWithProgram(ws, utilities::FindInProgramBox(ws, program), program, target);
    }
    if (!started) {
        context.err << "vedra: nothing was started for " << target << '\n';
        return 1;
    }
    context.out << ws.statusText << '\n';
    return 0;
}

} // namespace vedra::cli
