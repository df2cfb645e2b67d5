#include "cli/HelperProgram.h"

#include "core/app/InstallLayout.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace vedra::cli {

std::string HelperProgram(const char* name, const char* variable)
{
    if (const char* named = std::getenv(variable); named != nullptr && *named)
        return named;
    const std::filesystem::path self = app::RunningExecutablePath();
    if (self.empty())
        return {};
    const std::filesystem::path folder = self.parent_path();
    for (const std::filesystem::path& candidate :
         {folder / name, folder.parent_path() / "libexec" / "vedrareader" / name}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

void ExecHelper(const std::string& program, char** argv)
{
    // argv[0] stays `vedra`'s, so the helper's messages name the command the user typed.
    ::execv(program.c_str(), argv);
}

} // namespace vedra::cli
