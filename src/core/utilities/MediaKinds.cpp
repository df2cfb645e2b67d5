// The extensions are those of the list's initial content and their common
// successors; ".mid" and ".rmi" are MIDI, which a player may or may not render:
// when it cannot, the preview tries the file as a picture and draws nothing.
#include "core/utilities/MediaKinds.h"

#include <algorithm>
#include <array>
#include <string>

namespace vedra::utilities {
namespace {

constexpr std::array<std::string_view, 16> kSoundExtensions = {
    ".wav", ".mp3", ".mp2", ".wma", ".mid", ".midi", ".rmi", ".aif",
    ".aiff", ".aifc", ".ogg", ".oga", ".flac", ".m4a", ".opus", ".au"};
constexpr std::array<std::string_view, 13> kVideoExtensions = {
    ".avi", ".mp4", ".mov", ".mpg", ".mpeg", ".wmv", ".swf", ".mkv", ".webm", ".ogv", ".m4v", ".3gp", ".flv"};

std::string lowerExtension(std::string_view fileName)
{
    std::size_t slash = fileName.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return {};
    std::string extension(name.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension;
}

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& extensions, const std::string& extension)
{
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

} // namespace

MediaKind MediaKindOf(std::string_view fileName, bool inMultimediaList)
{
    if (!inMultimediaList)
        return MediaKind::Picture;
    const std::string extension = lowerExtension(fileName);
    if (listed(kSoundExtensions, extension))
        return MediaKind::Sound;
    if (listed(kVideoExtensions, extension))
        return MediaKind::Video;
    return MediaKind::Picture;
}

void MediaPositionMemory::Remember(std::int64_t positionMs)
{
    m_positionMs = std::max<std::int64_t>(positionMs, 0);
}

std::int64_t StartPosition(std::int64_t rememberedMs, std::int64_t durationMs)
{
    rememberedMs = std::max<std::int64_t>(rememberedMs, 0);
    if (durationMs <= 0)
        return rememberedMs;
    return rememberedMs < durationMs ? rememberedMs : 0;
}

} // namespace vedra::utilities
