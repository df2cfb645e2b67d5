#include "core/utilities/SaveLocation.h"

#include <filesystem>
#include <system_error>

namespace vedra::utilities {
namespace {

namespace fs = std::filesystem;

bool isFolder(std::string_view path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(fs::path(path), error);
}

// Links resolved where the path exists, the rest taken as written.
fs::path resolved(std::string_view path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error)
        return fs::path(path).lexically_normal();
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return (error ? absolute : canonical).lexically_normal();
}

} // namespace

std::string SaveStartFolder(std::string_view documentsFolder, std::string_view homeFolder)
{
    if (isFolder(documentsFolder))
        return std::string(documentsFolder);
    if (isFolder(homeFolder))
        return std::string(homeFolder);
    return {};
}

std::string ProposedSaveName(std::string_view documentPath, bool ownText)
{
    if (ownText || documentPath.empty())
        return std::string(kNewTextFileName);
    std::string name = fs::path(documentPath).filename().string();
    return name.empty() ? std::string(kNewTextFileName) : name;
}

std::string SavePathIn(std::string_view startFolder, std::string_view name)
{
    if (startFolder.empty())
        return std::string(name);
    std::string path(startFolder);
    if (path.back() != '/')
        path += '/';
    return path + std::string(name);
}

bool IsInsideFolder(std::string_view path, std::string_view folder)
{
    if (path.empty() || folder.empty())
        return false;
    const fs::path inner = resolved(path);
    fs::path outer = resolved(folder);
    // "a/b/" normalises to "a/b/" with an empty last part: compare by the folder's parts.
    if (!outer.empty() && outer.filename().empty())
        outer = outer.parent_path();
    auto it = inner.begin();
    for (const fs::path& part : outer) {
        if (it == inner.end() || *it != part)
            return false;
        ++it;
    }
    return true;
}

} // namespace vedra::utilities
