// `vedra open FILE [--with PROGRAM]`: opens a file (or a web address) with the
// program registered for its extension in the archive's program associations, or
// with PROGRAM (a name looked up like any program, or a path). The program is
// started on its own and not waited for; the command line is printed.
#include "cli/CliCommands.h"

#include "core/utilities/Launching.h"

#include <filesystem>
#include <ostream>

namespace vedra::cli {

int runOpen(CliContext& context, const std::vector<std::string>& arguments)
{
    std::string target;
    std::string program;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--with" && i + 1 < arguments.size()) {
            program = arguments[++i];
        } else if (target.empty() && !arguments[i].empty() && arguments[i].rfind("--", 0) != 0) {
            target = arguments[i];
        } else {
            target.clear();
            break;
        }
    }
    if (target.empty()) {
        context.err << "usage: vedra open FILE [--with PROGRAM]\n";
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
