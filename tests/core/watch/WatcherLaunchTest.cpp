// When the window starts a watcher of its own, and which `vedra` it runs.
#include "core/watch/WatcherLaunch.h"

#include "core/indexing/IndexedFolders.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vedra::watch {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(WatcherLaunch, TheLiveIndexIsOnOnlyWithTheSettingAndFoldersToWatch)
{
    TempFolder work;
    const std::string folders = work.slash() + std::string(indexing::kIndexedFoldersName);
    {
        ScopedVariable on(kLiveIndexVariable, "1");
        EXPECT_FALSE(LiveIndexTurnedOn(work.slash())) << "nothing indexed yet";
        testing::writeFile(folders, "");
        EXPECT_FALSE(LiveIndexTurnedOn(work.slash())) << "an empty list";
        testing::writeFile(folders, "1\t1\t/home/u/docs/\n");
        EXPECT_TRUE(LiveIndexTurnedOn(work.slash()));
        EXPECT_FALSE(LiveIndexTurnedOn("")) << "no working folder";
    }
    for (const char* value : {static_cast<const char*>(nullptr), "", "0", "yes", "11"}) {
        ScopedVariable setting(kLiveIndexVariable, value);
        EXPECT_FALSE(LiveIndexTurnedOn(work.slash())) << (value ? value : "unset");
        EXPECT_TRUE(LiveIndexTurnedOn(work.slash(), true)) << "the service turned on for this folder";
    }
    testing::writeFile(folders, "");
    EXPECT_FALSE(LiveIndexTurnedOn(work.slash(), true)) << "the service on, but nothing to watch";
}

TEST(WatcherLaunch, TheVedraProgramIsBesideTheWindowOrInTheBuildTree)
{
    TempFolder root;
    ScopedVariable none(kVedraProgramVariable, nullptr);
    // Installed: both programs in bin/.
    testing::writeExecutable(root.path() / "usr" / "bin" / "vedra");
    EXPECT_EQ(FindVedraProgram(root.slash() + "usr/bin/vedrareader"), root.slash() + "usr/bin/vedra");
    // The build tree: src/ui/vedrareader and src/cli/vedra.
    fs::create_directories(root.path() / "build" / "src" / "ui");
    testing::writeExecutable(root.path() / "build" / "src" / "cli" / "vedra");
    EXPECT_EQ(FindVedraProgram(root.slash() + "build/src/ui/vedrareader"), root.slash() + "build/src/cli/vedra");
    // A file that cannot be run, a folder of that name, or nothing at all.
    testing::writeFile(root.path() / "plain" / "ui" / "vedra", "not a program");
    EXPECT_EQ(FindVedraProgram(root.slash() + "plain/ui/vedrareader"), "");
    fs::create_directories(root.path() / "odd" / "cli" / "vedra");
    fs::create_directories(root.path() / "odd" / "ui");
    EXPECT_EQ(FindVedraProgram(root.slash() + "odd/ui/vedrareader"), "");
    EXPECT_EQ(FindVedraProgram(""), "");

    // The variable wins; named but missing, nothing is run rather than another program.
    testing::writeExecutable(root.path() / "elsewhere" / "vedra-test");
    {
        ScopedVariable named(kVedraProgramVariable, (root.slash() + "elsewhere/vedra-test").c_str());
        EXPECT_EQ(FindVedraProgram(root.slash() + "usr/bin/vedrareader"), root.slash() + "elsewhere/vedra-test");
    }
    ScopedVariable missing(kVedraProgramVariable, (root.slash() + "elsewhere/gone").c_str());
    EXPECT_EQ(FindVedraProgram(root.slash() + "usr/bin/vedrareader"), "");
}

TEST(WatcherLaunch, TheArgumentsNameTheWorkingFolderBeforeTheVerb)
{
    EXPECT_EQ(WatcherArguments("/home/u/data dir/vedraprog/"),
              (std::vector<std::string>{"--workdir", "/home/u/data dir/vedraprog/", "watch"}));
}

} // namespace
} // namespace vedra::watch
