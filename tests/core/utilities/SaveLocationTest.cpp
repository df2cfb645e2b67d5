// Where "Save as" starts, what it proposes, and what counts as the working folder's.
#include "core/utilities/SaveLocation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vedra::utilities {
namespace {

namespace fs = std::filesystem;

class SaveLocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("vedra-save-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "home" / "Documenti");
        fs::create_directories(root / "work" / "Magazzino");
    }
    void TearDown() override { fs::remove_all(root); }
    std::string at(const std::string& relative) const { return (root / relative).string(); }

    fs::path root;
};

TEST_F(SaveLocationTest, StartsInTheDocumentsFolderElseHome)
{
    EXPECT_EQ(SaveStartFolder(at("home/Documenti"), at("home")), at("home/Documenti"));
    EXPECT_EQ(SaveStartFolder(at("home/Documents"), at("home")), at("home"));  // not made
    EXPECT_EQ(SaveStartFolder("", at("home")), at("home"));
    EXPECT_EQ(SaveStartFolder("", at("nohome")), "");
    std::ofstream(at("home/file")) << "x";
    EXPECT_EQ(SaveStartFolder(at("home/file"), at("home")), at("home"));  // a file is no folder
}

TEST_F(SaveLocationTest, ProposesTheDocumentsOwnNameOrANewTextName)
{
    EXPECT_EQ(ProposedSaveName("/home/u/lettera.odt", false), "lettera.odt");
    EXPECT_EQ(ProposedSaveName("/home/u/work/Magazzino/estratti.vedra", true), "nuovotesto.txt");
    EXPECT_EQ(ProposedSaveName("", false), "nuovotesto.txt");
    EXPECT_EQ(ProposedSaveName("/home/u/folder/", false), "nuovotesto.txt");
    EXPECT_EQ(SavePathIn("/home/u/Documenti", "a.txt"), "/home/u/Documenti/a.txt");
    EXPECT_EQ(SavePathIn("/home/u/", "a.txt"), "/home/u/a.txt");
    EXPECT_EQ(SavePathIn("", "a.txt"), "a.txt");
}

TEST_F(SaveLocationTest, TellsPathsInsideTheWorkingFolder)
{
    const std::string work = at("work") + "/";
    EXPECT_TRUE(IsInsideFolder(at("work/Magazzino/estratti.vedra"), work));
    EXPECT_TRUE(IsInsideFolder(at("work/new-file.txt"), at("work")));
    EXPECT_TRUE(IsInsideFolder(at("home/../work/Magazzino/x"), work));
    EXPECT_FALSE(IsInsideFolder(at("work2/x"), work));  // a name that only starts alike
    EXPECT_FALSE(IsInsideFolder(at("home/Documenti/x.txt"), work));
    EXPECT_FALSE(IsInsideFolder(at("work/../home/x"), work));
    EXPECT_FALSE(IsInsideFolder("", work));
    EXPECT_FALSE(IsInsideFolder(at("work/x"), ""));
    // Through a link the file is still the working folder's.
    fs::create_directory_symlink(root / "work", root / "home" / "link");
    EXPECT_TRUE(IsInsideFolder(at("home/link/Magazzino/estratti.vedra"), work));
}

} // namespace
} // namespace vedra::utilities
