// Which multimedia files the preview plays, and where playing resumes.
#include "core/utilities/MediaKinds.h"

#include "core/utilities/ImagePreviewRules.h"

#include <gtest/gtest.h>

namespace vedra::utilities {
namespace {

TEST(MediaKinds, TheExtensionDecidesAmongListedFilesOnly)
{
    EXPECT_EQ(MediaKindOf("/home/u/Song.WAV", true), MediaKind::Sound);
    EXPECT_EQ(MediaKindOf("/home/u/clip.mpeg", true), MediaKind::Video);
    EXPECT_EQ(MediaKindOf("/home/u/clip.wmv", true), MediaKind::Video);
    EXPECT_EQ(MediaKindOf("/home/u/a.mid", true), MediaKind::Sound);
    // Listed, but neither sound nor video: drawn as pictures (or nothing).
    EXPECT_EQ(MediaKindOf("/home/u/photo.jpg", true), MediaKind::Picture);
    EXPECT_EQ(MediaKindOf("/home/u/setup.exe", true), MediaKind::Picture);
    EXPECT_EQ(MediaKindOf("/home/u/shot.exif", true), MediaKind::Picture);
    // The user took ".wav" off the list: the preview stops playing it.
    EXPECT_EQ(MediaKindOf("/home/u/song.wav", false), MediaKind::Picture);
    EXPECT_FALSE(IsSoundOrVideo("/home/u/song.wav", false));
    EXPECT_TRUE(IsSoundOrVideo("/home/u/song.mp3", true));
    EXPECT_FALSE(IsSoundOrVideo("/home/u/photo.png", true));
}

TEST(MediaKinds, OnlyTheNamesLastDotCounts)
{
    EXPECT_EQ(MediaKindOf("/music.wav/readme", true), MediaKind::Picture) << "a folder's extension";
    EXPECT_EQ(MediaKindOf("/films/track.wav.txt", true), MediaKind::Picture);
    EXPECT_EQ(MediaKindOf("/films/.avi", true), MediaKind::Video);
    EXPECT_EQ(MediaKindOf("/films/avi", true), MediaKind::Picture);
    EXPECT_EQ(MediaKindOf("", true), MediaKind::Picture);
    EXPECT_EQ(MediaKindOf("/a/b.wa", true), MediaKind::Picture) << "a prefix of an extension is not it";
    EXPECT_EQ(MediaKindOf("/a/b.wavx", true), MediaKind::Picture);
}

TEST(MediaKinds, PlayingResumesInsideTheFileElseFromItsStart)
{
    EXPECT_EQ(StartPosition(1500, 3000), 1500);
    EXPECT_EQ(StartPosition(2999, 3000), 2999);
    EXPECT_EQ(StartPosition(3000, 3000), 0) << "stopped at the end: the next play starts again";
    EXPECT_EQ(StartPosition(90000, 3000), 0) << "a shorter file than the last one";
    EXPECT_EQ(StartPosition(1500, 0), 1500) << "length not known";
    EXPECT_EQ(StartPosition(1500, -1), 1500);
    EXPECT_EQ(StartPosition(-20, 3000), 0);

    MediaPositionMemory memory;
    EXPECT_EQ(memory.remembered(), 0);
    memory.Remember(1234);
    EXPECT_EQ(memory.remembered(), 1234);
    memory.Remember(-1);
    EXPECT_EQ(memory.remembered(), 0) << "a player that never started";
}

} // namespace
} // namespace vedra::utilities
