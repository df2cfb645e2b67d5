// Installed or run from the build folder: where the working folder is.
#include "core/app/InstallLayout.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(InstallLayout, InstalledOnlyBesideShareVedrareader)
{
    TempFolder root;
    fs::create_directories(root.path() / "usr" / "bin");
    fs::create_directories(root.path() / "usr" / "share" / "vedrareader");
    InstallLayout installed = DetectInstallLayout(root.slash() + "usr/bin/vedra");
    EXPECT_TRUE(installed.installed);
    EXPECT_EQ(installed.dataFolder, root.slash() + "usr/share/vedrareader/");

    // A helper in libexec/vedrareader/ sees the same installation.
    InstallLayout helper = DetectInstallLayout(root.slash() + "usr/libexec/vedrareader/vedra-fetch");
    EXPECT_TRUE(helper.installed);
    EXPECT_EQ(helper.dataFolder, installed.dataFolder);
    EXPECT_FALSE(DetectInstallLayout(root.slash() + "usr/libexec/other/vedra-fetch").installed);
    EXPECT_FALSE(DetectInstallLayout(root.slash() + "usr/share/vedrareader/vedra-fetch").installed);

    // A build folder, a bin/ without the data, a data folder that is a file.
    EXPECT_FALSE(DetectInstallLayout(root.slash() + "build/src/cli/vedra").installed);
    fs::create_directories(root.path() / "opt" / "bin");
    EXPECT_FALSE(DetectInstallLayout(root.slash() + "opt/bin/vedra").installed);
    fs::create_directories(root.path() / "odd" / "bin");
    testing::writeFile(root.path() / "odd" / "share" / "vedrareader", "not a folder");
    EXPECT_FALSE(DetectInstallLayout(root.slash() + "odd/bin/vedra").installed);
    EXPECT_FALSE(DetectInstallLayout("").installed);
    EXPECT_EQ(DefaultWorkingFolder(InstallLayout{}), std::nullopt) << "the current directory stays the rule";
}

TEST(InstallLayout, TheWorkingFolderFollowsTheXdgRuleAndKeepsVedraprog)
{
    EXPECT_EQ(InstalledWorkingFolder("/home/u/.data", "/home/u"), "/home/u/.data/vedrareader/vedraprog/");
    EXPECT_EQ(InstalledWorkingFolder("/home/u/.data/", "/home/u"), "/home/u/.data/vedrareader/vedraprog/");
    // Unset or relative XDG_DATA_HOME: the default under the home folder.
    EXPECT_EQ(InstalledWorkingFolder("", "/home/u"), "/home/u/.local/share/vedrareader/vedraprog/");
    EXPECT_EQ(InstalledWorkingFolder("data", "/home/u"), "/home/u/.local/share/vedrareader/vedraprog/");
    EXPECT_EQ(InstalledWorkingFolder("", ""), "");
    EXPECT_EQ(InstalledWorkingFolder("", "relative"), "");
}

TEST(InstallLayout, TheRunningProgramIsFound)
{
    const std::string self = RunningExecutablePath();
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(fs::exists(self));
    EXPECT_FALSE(DetectInstallLayout(self).installed) << "tests run from the build folder";
}

} // namespace
} // namespace vedra::app
