#include "core/utilities/ImagePreviewRules.h"

#include "core/archive/ArchiveFiles.h"
#include "core/indexing/ArchiveLists.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace vedra::utilities {
namespace {

TEST(PreviewZoom, StepsStopAtTheirLimits)
{
    EXPECT_DOUBLE_EQ(ZoomOut(0.1), 0.1);
    EXPECT_DOUBLE_EQ(ZoomIn(99.95), 100.05);
    EXPECT_DOUBLE_EQ(ZoomIn(100.05), 100.05);
    EXPECT_DOUBLE_EQ(ZoomIn(1), 1.1);
    // Down from 1 in tenths ends on 0.1 exactly, never on a sliver above 0.
    double zoom = 1;
    for (int i = 0; i < 20; ++i)
        zoom = ZoomOut(zoom);
    EXPECT_DOUBLE_EQ(zoom, 0.1);
    for (int i = 0; i < 5; ++i)
        zoom = ZoomIn(zoom);
    for (int i = 0; i < 5; ++i)
        zoom = ZoomOut(zoom);
    EXPECT_DOUBLE_EQ(zoom, 0.1);
}

TEST(PreviewZoom, TitleBarButtonsZoomByOnesThenTenths)
{
    EXPECT_DOUBLE_EQ(ZoomOutByButton(3.5), 2.5);
    EXPECT_DOUBLE_EQ(ZoomOutByButton(1.5), 0.5);
    EXPECT_DOUBLE_EQ(ZoomOutByButton(1), 0.9);
    EXPECT_DOUBLE_EQ(ZoomOutByButton(0.1), 0.1);
    EXPECT_DOUBLE_EQ(ZoomInByButton(99.5), 100.5);
    EXPECT_DOUBLE_EQ(ZoomInByButton(100.5), 100.5);
}

TEST(PreviewZoom, FitShrinksByTheLargerOverflowThenZooms)
{
    // 2000 x 1000 in 1000 x 800: the width overflows by 50 %, the height by 20 %.
    PictureLayout layout = FitPicture(2000, 1000, 1000, 800, 1);
    EXPECT_EQ(layout.width, 1000);
    EXPECT_EQ(layout.height, 500);
    EXPECT_EQ(layout.left, 10);
    EXPECT_EQ(layout.top, 150);
    layout = FitPicture(200, 100, 1000, 800, 2);
    EXPECT_EQ(layout.width, 400);
    EXPECT_EQ(layout.height, 200);
    EXPECT_EQ(layout.left, 300);
    EXPECT_EQ(layout.top, 300);
    EXPECT_EQ(FitPicture(0, 100, 1000, 800, 1).width, 0);
    EXPECT_LE(FitPicture(100000, 100000, 10, 10, 1e9).width, 1 << 24);
}

TEST(PreviewScroll, StepsAndBounds)
{
    EXPECT_EQ(ScrollPreview(0, ScrollAction::LineOn, true, 1000), 100);
    EXPECT_EQ(ScrollPreview(0, ScrollAction::LineOn, false, 1000), 50);
    EXPECT_EQ(ScrollPreview(500, ScrollAction::PageBack, true, 1000), 300);
    EXPECT_EQ(ScrollPreview(50, ScrollAction::PageBack, false, 1000), 0);
    EXPECT_EQ(ScrollPreview(950, ScrollAction::PageOn, false, 1000), 1000);
    EXPECT_EQ(ScrollPreview(10, ScrollAction::End, true, 700), 700);
    EXPECT_EQ(ScrollPreview(10, ScrollAction::LineOn, true, -5), 0);
}

class StepFileNameTest : public ::testing::Test {
protected:
    std::optional<std::string> step(const std::string& path, int direction)
    {
        tried.clear();
        return StepFileName(path, direction, [this](const std::string& candidate) {
            tried.push_back(candidate);
            return files.count(candidate) > 0;
        });
    }
    std::set<std::string> files;
    std::vector<std::string> tried;
};

TEST_F(StepFileNameTest, KeepsTheWidthOfTheNumber)
{
    files = {"/p/img010.jpg", "/p/img008.jpg"};
    EXPECT_EQ(step("/p/img009.jpg", 1), "/p/img010.jpg");
    EXPECT_EQ(step("/p/img009.jpg", -1), "/p/img008.jpg");
    files = {"/p/img099.jpg"};
    EXPECT_EQ(step("/p/img100.jpg", -1), "/p/img099.jpg");
}

TEST_F(StepFileNameTest, NumbersWithoutZerosStepToo)
{
    files = {"/p/img10.jpg", "/p/img9.jpg"};
    EXPECT_EQ(step("/p/img9.jpg", 1), "/p/img10.jpg");
    EXPECT_EQ(step("/p/img10.jpg", -1), "/p/img9.jpg");
    EXPECT_EQ(tried, (std::vector<std::string>{"/p/img09.jpg", "/p/img9.jpg"}));
}

TEST_F(StepFileNameTest, SkipsGapsOnlyTheFirstRunOfTheNameCounts)
{
    files = {"/p/2024/scan7-1.png"};
    EXPECT_EQ(step("/p/2024/scan3-1.png", 1), "/p/2024/scan7-1.png");
    EXPECT_EQ(tried.front(), "/p/2024/scan4-1.png");
}

TEST_F(StepFileNameTest, LimitsOfTheSearch)
{
    EXPECT_FALSE(step("/p/12/photo.jpg", 1));
    EXPECT_TRUE(tried.empty());
    EXPECT_FALSE(step("/p/img0.jpg", -1));
    EXPECT_TRUE(tried.empty());
    EXPECT_FALSE(step("/p/img5.jpg", -1));
    EXPECT_EQ(tried.back(), "/p/img0.jpg");
    EXPECT_FALSE(step("/p/img5.jpg", 1));
    EXPECT_EQ(tried.back(), "/p/img1005.jpg");
    files = {"/p/img1006.jpg"};
    EXPECT_FALSE(step("/p/img5.jpg", 1));
    EXPECT_FALSE(step("/p/n" + std::string(30, '9') + ".jpg", 1));
    EXPECT_EQ(step("/p/n999999999999999999.jpg", 1), std::nullopt);
    EXPECT_EQ(tried.front(), "/p/n1000000000000000000.jpg");
}

TEST(StepFileName, OnTheDisk)
{
    testing::TempFolder folder;
    testing::writeFile(folder.path() / "pic012.bmp", "x");
    std::filesystem::create_directory(folder.path() / "pic011.bmp");
    EXPECT_EQ(StepFileName((folder.path() / "pic013.bmp").string(), -1), (folder.path() / "pic012.bmp").string());
    EXPECT_EQ(StepFileName((folder.path() / "pic012.bmp").string(), -1), std::nullopt);
}

indexing::ArchiveLists listsWith(std::string_view multimedia)
{
    indexing::ArchiveLists lists;
    lists.setList(archive::SlotMediaExtensions, multimedia);
    return lists;
}

TEST(PreviewOpening, WebAddressesUnreadableFilesPicturesAndMedia)
{
    const indexing::ArchiveLists lists = listsWith(".jpg\r\n.wav\r\n.mp4\r\n.exe\r\n");
    std::set<std::string> readable = {"/p/a.jpg", "/p/b.WAV", "/p/c.mp4", "/p/d.txt", "/p/e.mp3", "/p/f.exe"};
    auto decide = [&](const std::string& path) {
        return DecidePreviewFile(path, lists, [&](const std::string& p) { return readable.count(p) > 0; });
    };
    EXPECT_EQ(decide("http://example.org/a.jpg"), PreviewOpening::OpenWithProgram);
    EXPECT_EQ(decide("/p/missing.jpg"), PreviewOpening::Ignore);
    EXPECT_EQ(decide("/p/a.jpg"), PreviewOpening::Picture);
    EXPECT_EQ(decide("/p/b.WAV"), PreviewOpening::Media);
    EXPECT_EQ(decide("/p/c.mp4"), PreviewOpening::Media);
    // Not in this archive's list: drawn (or nothing drawn), never played.
    EXPECT_EQ(decide("/p/e.mp3"), PreviewOpening::Picture);
    EXPECT_EQ(decide("/p/d.txt"), PreviewOpening::Picture);
    EXPECT_EQ(decide("/p/f.exe"), PreviewOpening::Picture);
}

TEST(PreviewOpening, OnTheDiskAFolderOrAMissingFileIsIgnored)
{
    testing::TempFolder folder;
    testing::writeFile(folder.path() / "song.wav", "RIFF");
    std::filesystem::create_directory(folder.path() / "dir.jpg");
    const indexing::ArchiveLists lists = listsWith(".wav\r\n.jpg\r\n");
    EXPECT_EQ(DecidePreviewFile((folder.path() / "song.wav").string(), lists), PreviewOpening::Media);
    EXPECT_EQ(DecidePreviewFile((folder.path() / "dir.jpg").string(), lists), PreviewOpening::Ignore);
    EXPECT_EQ(DecidePreviewFile((folder.path() / "none.jpg").string(), lists), PreviewOpening::Ignore);
}

TEST(PreviewOpening, RowsOfWholeMultimediaExtensionsOnDisk)
{
    const indexing::ArchiveLists lists = listsWith(".png\r\n.cur\r\n");
    EXPECT_TRUE(RowShowsInImagePreview("/p/img009.PNG", lists));
    EXPECT_FALSE(RowShowsInImagePreview("/p/notes.c", lists));
    EXPECT_FALSE(RowShowsInImagePreview("/p/img.png.txt", lists));
    EXPECT_FALSE(RowShowsInImagePreview("www.example.org/logo.png", lists));
    EXPECT_FALSE(RowShowsInImagePreview("", lists));
}

TEST(PreviewScroll, ExtentLeavesTheMarginAtTheFarEnd)
{
    EXPECT_EQ(ScrollExtent(500, 800), 0);
    EXPECT_EQ(ScrollExtent(780, 800), 0);
    EXPECT_EQ(ScrollExtent(781, 800), 1);
    EXPECT_EQ(ScrollExtent(2000, 800), 1220);
}

TEST(PreviewClipping, SpannedRectIsNormalisedAndCutToThePicture)
{
    const PreviewRect picture{10, 20, 100, 50};
    EXPECT_EQ(SpannedRect(30, 40, 20, 25, picture), (PreviewRect{20, 25, 11, 16}));
    EXPECT_EQ(SpannedRect(0, 0, 500, 500, picture), picture);
    EXPECT_EQ(SpannedRect(50, 50, 50, 50, picture), (PreviewRect{50, 50, 1, 1}));
    EXPECT_TRUE(SpannedRect(200, 200, 300, 300, picture).empty());
    EXPECT_FALSE(picture.contains(110, 30));
    EXPECT_TRUE(picture.contains(109, 69));
}

TEST(PreviewClipping, PressReleaseDragPress)
{
    const PreviewRect picture{10, 10, 200, 100};
    ClippingTracker tracker;
    EXPECT_FALSE(tracker.move(50, 50));  // nothing started: no band
    tracker.press(5, 5, picture);        // outside the picture
    EXPECT_EQ(tracker.stage(), ClippingTracker::Stage::None);
    tracker.press(20, 30, picture);
    EXPECT_EQ(tracker.stage(), ClippingTracker::Stage::Started);
    EXPECT_FALSE(tracker.move(40, 40));  // the button is still down
    tracker.release();
    EXPECT_TRUE(tracker.move(60, 70));
    EXPECT_EQ(tracker.band(), (PreviewRect{20, 30, 41, 41}));
    EXPECT_FALSE(tracker.exists());
    EXPECT_TRUE(tracker.clipping().empty());
    tracker.press(400, 90, picture);  // the band ends outside: cut to the picture
    EXPECT_TRUE(tracker.exists());
    EXPECT_EQ(tracker.clipping(), (PreviewRect{20, 30, 190, 61}));
    tracker.release();
    EXPECT_FALSE(tracker.move(10, 10));
    EXPECT_EQ(tracker.clipping(), (PreviewRect{20, 30, 190, 61}));
    // A second click takes the clipping away and starts nothing.
    tracker.press(50, 50, picture);
    EXPECT_FALSE(tracker.exists());
    EXPECT_EQ(tracker.stage(), ClippingTracker::Stage::None);
}

TEST(PreviewClipping, ABandEndingOutsideKeepsItsInsidePart)
{
    const PreviewRect picture{10, 10, 20, 20};
    ClippingTracker tracker;
    tracker.press(15, 15, picture);
    tracker.release();
    // Dragged from inside to the left of the picture: the band keeps its inside part.
    tracker.press(0, 15, picture);
    EXPECT_EQ(tracker.clipping(), (PreviewRect{10, 15, 6, 1}));
    tracker.press(0, 0, picture);
    EXPECT_FALSE(tracker.exists());
    tracker.press(15, 15, picture);
    tracker.release();
    tracker.reset();
    EXPECT_EQ(tracker.stage(), ClippingTracker::Stage::None);
    EXPECT_TRUE(tracker.band().empty());
}

} // namespace
} // namespace vedra::utilities
