#include "core/watch/WatcherLaunch.h"

#include "core/indexing/IndexedFolders.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace vedra::watch {

bool LiveIndexTurnedOn(const std::string& workingFolder, bool serviceOn)
{
    const char* variable = std::getenv(kLiveIndexVariable);
    const bool asked = serviceOn || (variable != nullptr && std::string_view(variable) == "1");
    if (!asked || workingFolder.empty())
        return false;
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::path(workingFolder) / indexing::kIndexedFoldersName, error);
    return !error && size > 0;
}

std::string FindVedraProgram(const std::string& executablePath)
{
    if (const char* named = std::getenv(kVedraProgramVariable); named != nullptr && *named != '\0')
        return ::access(named, X_OK) == 0 ? std::string(named) : std::string();
    if (executablePath.empty())
        return {};
    const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
    for (const std::filesystem::path& candidate : {folder / "vedra", folder.parent_path() / "cli" / "vedra"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.lexically_normal().string();
    }
    return {};
}

std::vector<std::string> WatcherArguments(const std::string& workingFolder)
{
    return {"--workdir", workingFolder, "watch"};
}

} // namespace vedra::watch
