#include "core/utilities/ImagePreviewRules.h"

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

} // namespace
} // namespace vedra::utilities
