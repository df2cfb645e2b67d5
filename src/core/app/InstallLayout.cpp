// The installed layout and the user's working folder.
#include "core/app/InstallLayout.h"

#include "core/app/SystemProbe.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

InstallLayout DetectInstallLayout(const std::string& executablePath)
{
    InstallLayout layout;
    if (executablePath.empty())
        return layout;
    // The programs live in bin/, their helpers in libexec/vedrareader/.
    const fs::path folder = fs::path(executablePath).parent_path();
    fs::path prefix;
    if (folder.filename() == "bin")
        prefix = folder.parent_path();
    else if (folder.filename() == "vedrareader" && folder.parent_path().filename() == "libexec")
        prefix = folder.parent_path().parent_path();
    else
        return layout;
    const fs::path data = prefix / "share" / "vedrareader";
    std::error_code error;
    if (fs::is_directory(data, error)) {
        layout.installed = true;
        layout.dataFolder = withTrailingSlash(data.lexically_normal().string());
    }
    return layout;
}

std::string InstalledWorkingFolder(const std::string& xdgDataHome, const std::string& home)
{
    if (!xdgDataHome.empty() && xdgDataHome[0] == '/')
        return withTrailingSlash(xdgDataHome) + "vedrareader/vedraprog/";
    if (!home.empty() && home[0] == '/')
        return withTrailingSlash(home) + ".local/share/vedrareader/vedraprog/";
    return {};
}

std::string RunningExecutablePath()
{
    std::error_code error;
    fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::optional<std::string> DefaultWorkingFolder(const InstallLayout& layout)
{
    if (!layout.installed)
        return std::nullopt;
    std::string folder = InstalledWorkingFolder(environment("XDG_DATA_HOME"), SystemProbe::real().homeFolder());
    if (folder.empty())
        return folder;
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) ? folder : std::string();
}

} // namespace vedra::app
