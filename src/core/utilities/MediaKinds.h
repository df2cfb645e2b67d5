// Which files of the multimedia list the preview plays rather than draws, and the
// position that playing resumes from. The list ("FMM.") mixes pictures with sound
// and video and says nothing of which is which; the kind comes from the extension.
#pragma once

#include <cstdint>
#include <string_view>

namespace vedra::utilities {

enum class MediaKind { Picture, Sound, Video };

// The kind of `fileName` (its extension from the last '.', any case); the preview
// plays Sound and Video (IsSoundOrVideo) and draws the rest. A name whose
// extension is not in the multimedia list (`inMultimediaList` false) is a picture
// whatever it ends with, so that removing ".wav" from the list makes the preview
// stop playing it; so is a listed extension that is neither sound nor video
// (".exe", ".exif", a picture's).
MediaKind MediaKindOf(std::string_view fileName, bool inMultimediaList);

// Where a file of `durationMs` starts playing: `rememberedMs` while it lies inside
// the file, else the start (a shorter file would end at once). A duration of 0 or
// less is not known yet and takes the remembered position.
std::int64_t StartPosition(std::int64_t rememberedMs, std::int64_t durationMs);

// The position of the media pane when it last closed, kept by the main window for
// the whole run, so that the next media file shown continues from there.
class MediaPositionMemory {
public:
    // A negative position (a player that never started) is kept as 0.
    void Remember(std::int64_t positionMs);
    std::int64_t remembered() const { return m_positionMs; }

private:
    std::int64_t m_positionMs = 0;
};

} // namespace vedra::utilities
