// The live index's service turned on and off in a home folder made here: a fake
// systemctl on the search path answers or not (and records what it was asked),
// and a stand-in watcher takes the real watcher lock. Checked: which way is taken,
// an autostart entry of the user's own never replaced or removed, a missing
// template, XDG_CONFIG_HOME, and a watcher started, found, stopped or stubborn.
#include "core/watch/WatchService.h"

#include "core/watch/WatchState.h"
#include "support/ProcessEnds.h"
#include "support/SourceTree.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::watch {
namespace {

namespace fs = std::filesystem;
using app::MessageKey;
using testing::readFile;
using testing::writeFile;

// Answers as a user manager would, from marker files beside it; every call is
// appended to calls.txt.
constexpr const char* kFakeSystemctl = R"(#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls.txt"
[ "$1" = --user ] || exit 64
shift
case "$1" in
  show-environment)
    [ -e "$here/hang" ] && exec sleep 30
    [ -e "$here/answers" ] && { echo "HOME=/nowhere"; exit 0; }
    echo "Failed to connect to bus: No medium found" >&2; exit 1 ;;
  is-enabled) [ -e "$here/enabled" ] && exit 0; exit 1 ;;
  is-active) [ -e "$here/active" ] && exit 0; exit 3 ;;
  enable)
    if [ -e "$here/broken" ]; then
      echo "Failed to enable unit: Unit file vedra-watch.service does not exist." >&2; exit 1
    fi
    touch "$here/enabled" "$here/active"; echo "Created symlink default.target.wants/vedra-watch.service." >&2; exit 0 ;;
  disable) rm -f "$here/enabled" "$here/active"; exit 0 ;;
esac
exit 64
)";

class WatchServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(home());
        fs::create_directories(bin());
        fs::create_directories(workdir());
        fs::create_directories(m_folder.path() / "share");
        fs::copy_file(fs::path(testing::sourceTree()) / "resources/desktop/vedra-watch.desktop", templatePath());
        setup.workdir = workdir().string() + "/";
        setup.home = home().string();
        setup.searchPath = bin().string();
        setup.templatePath = templatePath().string();
        setup.watcherProgram = VEDRA_FAKE_WATCHER;
        setup.stopWait = std::chrono::milliseconds(3000);
        setup.commandLimit = std::chrono::milliseconds(5000);
    }

    void TearDown() override
    {
        ::unsetenv("VEDRA_FAKE_WATCHER_MODE");
        if (int pid = watcherProcess(lock()); pid > 0) {
            ::kill(pid, SIGKILL);
            testing::processEnds(pid);
        }
    }

    fs::path home() const { return m_folder.path() / "home"; }
    fs::path bin() const { return m_folder.path() / "bin"; }
    fs::path workdir() const { return m_folder.path() / "work"; }
    fs::path templatePath() const { return m_folder.path() / "share/vedra-watch.desktop"; }
    fs::path entry() const { return home() / ".config/autostart/vedra-watch.desktop"; }
    std::string lock() const { return (workdir() / kWatchLockName).string(); }
    std::string calls() const { return readFile(bin() / "calls.txt"); }

    // The fake systemctl; `answers`: a user manager is there.
    void installSystemctl(bool answers)
    {
        writeFile(bin() / "systemctl", kFakeSystemctl);
        ::chmod((bin() / "systemctl").c_str(), 0755);
        if (answers)
            writeFile(bin() / "answers", "");
    }

    static bool has(const WatchServiceOutcome& outcome, MessageKey key)
    {
        for (const WatchServiceNote& note : outcome.notes)
            if (note.key == key)
                return true;
        return false;
    }

    WatchServiceSetup setup;
    app::MessageTable english{1};

private:
    testing::TempFolder m_folder;
};

TEST_F(WatchServiceTest, WithoutSystemctlTheTemplateIsCopiedAndTheWatcherStartedThenBothUndone)
{
    // A descriptor of the caller's that children would inherit (a window's, a pipe's).
    const int held = ::open("/dev/null", O_RDONLY);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    ::close(held);
    ASSERT_TRUE(on.ok) << (on.notes.empty() ? "" : on.notes.front().text);
    EXPECT_EQ(on.way, WatchServiceWay::Autostart);
    EXPECT_EQ(on.autostartPath, entry().string());
    EXPECT_EQ(readFile(entry()), readFile(templatePath()));
    ASSERT_TRUE(on.watcherStarted);
    ASSERT_GT(on.watcherPid, 0);
    EXPECT_EQ(watcherProcess(lock()), on.watcherPid);
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_EQ(on.notes[0].key, MessageKey::MsgWatchOnAutostart);
    EXPECT_EQ(on.notes[0].text, "Live index turned on: autostart entry ~/.config/autostart/vedra-watch.desktop, "
                                "watcher started (PID " + std::to_string(on.watcherPid) + ")");
    EXPECT_FALSE(on.notes[0].problem);

    // Detached as a service must be: its own session, no terminal input, nothing
    // of ours held open; its output goes to the working folder's log.
    const std::string record = readFile(workdir() / "fake-watcher.txt");
    EXPECT_NE(record.find("arg=--workdir\narg=" + setup.workdir + "\narg=watch\n"), std::string::npos) << record;
    EXPECT_NE(record.find("own-session=yes"), std::string::npos);
    EXPECT_NE(record.find("stdin-null=yes"), std::string::npos);
    EXPECT_NE(record.find("inherited-descriptors=no"), std::string::npos);
    EXPECT_NE(readFile(workdir() / kWatchLogName).find("fake watcher of"), std::string::npos);
    EXPECT_EQ(WatchServiceState(setup), WatchServiceWay::Autostart);

    WatchServiceOutcome off = DisableWatchService(setup, english);
    ASSERT_TRUE(off.ok);
    EXPECT_EQ(off.way, WatchServiceWay::Autostart);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(off.watcherPid, on.watcherPid);
    EXPECT_EQ(watcherProcess(lock()), 0);
    EXPECT_TRUE(testing::processEnds(on.watcherPid));
    ASSERT_EQ(off.notes.size(), 2u);
    EXPECT_EQ(off.notes[0].text, "Live index turned off: autostart entry ~/.config/autostart/vedra-watch.desktop removed");
    EXPECT_EQ(off.notes[1].text, "Watcher stopped (PID " + std::to_string(on.watcherPid) + ")");
    EXPECT_EQ(WatchServiceState(setup), WatchServiceWay::None);
}

TEST_F(WatchServiceTest, SystemctlWithoutAUserManagerOrThatHangsLeavesTheAutostartWay)
{
    installSystemctl(false);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    EXPECT_TRUE(on.ok);
    EXPECT_EQ(on.way, WatchServiceWay::Autostart);
    EXPECT_EQ(calls(), "--user show-environment\n");
    ASSERT_TRUE(DisableWatchService(setup, english).ok);

    // A session bus that never answers costs the time limit, not the call.
    writeFile(bin() / "hang", "");
    setup.commandLimit = std::chrono::milliseconds(300);
    const auto before = std::chrono::steady_clock::now();
    on = EnableWatchService(setup, english);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_TRUE(on.ok);
    EXPECT_EQ(on.way, WatchServiceWay::Autostart);
}

TEST_F(WatchServiceTest, AnsweringUserManagerEnablesTheUnitAndDisablesIt)
{
    installSystemctl(true);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    ASSERT_TRUE(on.ok);
    EXPECT_EQ(on.way, WatchServiceWay::Systemd);
    EXPECT_NE(calls().find("--user enable --now vedra-watch.service\n"), std::string::npos) << calls();
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(watcherProcess(lock()), 0);  // systemd starts it, not this call
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_EQ(on.notes[0].text, "Live index turned on: systemd user service vedra-watch.service");
    EXPECT_EQ(WatchServiceState(setup), WatchServiceWay::Systemd);

    WatchServiceOutcome off = DisableWatchService(setup, english);
    ASSERT_TRUE(off.ok);
    EXPECT_EQ(off.way, WatchServiceWay::Systemd);
    EXPECT_NE(calls().find("--user disable --now vedra-watch.service\n"), std::string::npos) << calls();
    ASSERT_EQ(off.notes.size(), 1u);
    EXPECT_EQ(off.notes[0].text, "Live index turned off: systemd user service vedra-watch.service disabled and stopped");
    EXPECT_EQ(WatchServiceState(setup), WatchServiceWay::None);

    // Off already: systemctl is asked, not told to disable.
    writeFile(bin() / "calls.txt", "");
    off = DisableWatchService(setup, english);
    EXPECT_TRUE(off.ok);
    EXPECT_EQ(off.way, WatchServiceWay::None);
    EXPECT_EQ(calls().find("disable"), std::string::npos) << calls();
    ASSERT_EQ(off.notes.size(), 1u);
    EXPECT_EQ(off.notes[0].key, MessageKey::MsgWatchOffAlready);
}

TEST_F(WatchServiceTest, SystemctlRefusalIsReportedWithoutFallingBack)
{
    installSystemctl(true);
    writeFile(bin() / "broken", "");
    WatchServiceOutcome on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_EQ(on.way, WatchServiceWay::None);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(watcherProcess(lock()), 0);
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_TRUE(on.notes[0].problem);
    EXPECT_EQ(on.notes[0].text, "systemctl --user enable --now vedra-watch.service failed: "
                                "Failed to enable unit: Unit file vedra-watch.service does not exist.");
}

TEST_F(WatchServiceTest, TheUnitReplacesTheProgramsOwnEntryButNeverTheUsers)
{
    writeFile(entry(), readFile(templatePath()));
    installSystemctl(true);
    ASSERT_TRUE(EnableWatchService(setup, english).ok);
    EXPECT_FALSE(fs::exists(entry()));

    const std::string own = "[Desktop Entry]\nType=Application\nName=Mine\nExec=vedra watch --archive 2\n";
    writeFile(entry(), own);
    ASSERT_TRUE(EnableWatchService(setup, english).ok);
    EXPECT_EQ(readFile(entry()), own);
}

TEST_F(WatchServiceTest, AnEntryTheUserWroteIsNeverReplacedOrRemoved)
{
    const std::string own = "[Desktop Entry]\nType=Application\nName=Mine\nExec=vedra watch --archive 2\n";
    writeFile(entry(), own);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_EQ(readFile(entry()), own);
    EXPECT_EQ(watcherProcess(lock()), 0);
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_EQ(on.notes[0].key, MessageKey::MsgWatchForeignEntry);
    EXPECT_NE(on.notes[0].text.find("~/.config/autostart/vedra-watch.desktop was not written by VedraReader"),
              std::string::npos);
    EXPECT_EQ(WatchServiceState(setup), WatchServiceWay::None);

    WatchServiceOutcome off = DisableWatchService(setup, english);
    EXPECT_TRUE(off.ok);
    EXPECT_EQ(readFile(entry()), own);
    EXPECT_TRUE(has(off, MessageKey::MsgWatchForeignEntryLeft));

    // A link is the user's too, even to the template itself: removing or
    // rewriting through it would reach the file it names.
    fs::remove(entry());
    fs::create_symlink(templatePath(), entry());
    EXPECT_FALSE(IsProgramAutostartEntry(entry().string()));
    EXPECT_FALSE(EnableWatchService(setup, english).ok);
    EXPECT_FALSE(DisableWatchService(setup, english).way == WatchServiceWay::Autostart);
    EXPECT_TRUE(fs::is_symlink(entry()));
    EXPECT_EQ(readFile(templatePath()), readFile(fs::path(testing::sourceTree()) / "resources/desktop/vedra-watch.desktop"));

    // The program's copy is known by its marker even when an older template wrote it.
    fs::remove(entry());
    writeFile(entry(), "[Desktop Entry]\r\nName=Old\r\n" + std::string(kWatchAutostartMarker) + "\r\n");
    EXPECT_TRUE(IsProgramAutostartEntry(entry().string()));
    EXPECT_TRUE(DisableWatchService(setup, english).ok);
    EXPECT_FALSE(fs::exists(entry()));
}

TEST_F(WatchServiceTest, MissingTemplateChangesNothingAndSaysWhere)
{
    fs::remove(templatePath());
    WatchServiceOutcome on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_FALSE(fs::exists(home() / ".config"));
    EXPECT_EQ(watcherProcess(lock()), 0);
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_EQ(on.notes[0].key, MessageKey::MsgWatchNoTemplate);
    EXPECT_NE(on.notes[0].text.find(templatePath().string()), std::string::npos);

    setup.templatePath.clear();  // not installed
    on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_NE(on.notes.at(0).text.find("vedra-watch.desktop is missing"), std::string::npos);
}

TEST_F(WatchServiceTest, ConfigHomeIsTakenOnlyWhenAbsolute)
{
    EXPECT_EQ(AutostartEntryPath(setup), entry().string());
    setup.configHome = "relative/config";
    EXPECT_EQ(AutostartEntryPath(setup), entry().string());
    setup.configHome = (home() / "elsewhere/").string();
    EXPECT_EQ(AutostartEntryPath(setup), (home() / "elsewhere/autostart/vedra-watch.desktop").string());

    WatchServiceOutcome on = EnableWatchService(setup, english);
    ASSERT_TRUE(on.ok);
    EXPECT_TRUE(fs::exists(home() / "elsewhere/autostart/vedra-watch.desktop"));
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_NE(on.notes.at(0).text.find("~/elsewhere/autostart/vedra-watch.desktop"), std::string::npos);
    EXPECT_TRUE(DisableWatchService(setup, english).ok);
    EXPECT_FALSE(fs::exists(home() / "elsewhere/autostart/vedra-watch.desktop"));

    setup.configHome.clear();
    setup.home = "";
    EXPECT_EQ(AutostartEntryPath(setup), "");
    on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_TRUE(on.notes.at(0).problem);
}

TEST_F(WatchServiceTest, WatcherThatEndsAtOnceIsReportedWithWhatItSaid)
{
    ::setenv("VEDRA_FAKE_WATCHER_MODE", "fail", 1);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_FALSE(on.watcherStarted);
    // The entry stays: the next login tries again.
    EXPECT_TRUE(IsProgramAutostartEntry(entry().string()));
    ASSERT_EQ(on.notes.size(), 1u);
    EXPECT_EQ(on.notes[0].text, "Autostart entry ~/.config/autostart/vedra-watch.desktop written, but the watcher "
                                "did not start: nothing to watch: no folder was indexed yet");

    setup.watcherProgram = (bin() / "no-such-vedra").string();
    on = EnableWatchService(setup, english);
    EXPECT_FALSE(on.ok);
    EXPECT_NE(on.notes.at(0).text.find("no-such-vedra: No such file or directory"), std::string::npos);
}

TEST_F(WatchServiceTest, RunningWatcherIsNotStartedTwice)
{
    WatchServiceOutcome first = EnableWatchService(setup, english);
    ASSERT_TRUE(first.watcherStarted);
    WatchServiceOutcome second = EnableWatchService(setup, english);
    EXPECT_TRUE(second.ok);
    EXPECT_FALSE(second.watcherStarted);
    EXPECT_EQ(second.watcherPid, first.watcherPid);
    EXPECT_EQ(second.notes.at(0).key, MessageKey::MsgWatchOnAutostartRunning);
    EXPECT_EQ(watcherProcess(lock()), first.watcherPid);
}

TEST_F(WatchServiceTest, WatcherThatDoesNotEndIsReportedNotKilled)
{
    ::setenv("VEDRA_FAKE_WATCHER_MODE", "stubborn", 1);
    WatchServiceOutcome on = EnableWatchService(setup, english);
    ASSERT_TRUE(on.watcherStarted);
    setup.stopWait = std::chrono::milliseconds(300);
    WatchServiceOutcome off = DisableWatchService(setup, english);
    EXPECT_FALSE(off.ok);
    EXPECT_TRUE(off.watcherStillRunning);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(watcherProcess(lock()), on.watcherPid);
    EXPECT_TRUE(has(off, MessageKey::MsgWatchStillRunning));
}

TEST_F(WatchServiceTest, OtherWorkingFolderThanTheOneWatchedAtLoginIsTold)
{
    setup.defaultWorkdir = (home() / ".local/share/vedrareader/vedraprog/").string();
    WatchServiceOutcome on = EnableWatchService(setup, english);
    ASSERT_TRUE(on.ok);
    ASSERT_EQ(on.notes.size(), 2u);
    EXPECT_EQ(on.notes[1].text, "At login the watcher keeps the default working folder "
                                "~/.local/share/vedrareader/vedraprog/ up to date, not " + setup.workdir + ".");
    ASSERT_TRUE(DisableWatchService(setup, english).ok);

    setup.defaultWorkdir = workdir().string();  // the same folder, without its '/'
    on = EnableWatchService(setup, english);
    EXPECT_EQ(on.notes.size(), 1u);
}

TEST(WatchServicePaths, HomeIsShownAsTildeOnlyForWholeFolders)
{
    EXPECT_EQ(DisplayPath("/home/ann/.config/x", "/home/ann"), "~/.config/x");
    EXPECT_EQ(DisplayPath("/home/ann/.config/x", "/home/ann/"), "~/.config/x");
    EXPECT_EQ(DisplayPath("/home/anna/x", "/home/ann"), "/home/anna/x");
    EXPECT_EQ(DisplayPath("/home/ann", "/home/ann"), "~");
    EXPECT_EQ(DisplayPath("/etc/x", "/"), "/etc/x");
    EXPECT_EQ(DisplayPath("/etc/x", ""), "/etc/x");
}

TEST(WatchServicePaths, ProgramsAreFoundOnlyInAbsoluteFoldersAndWhenExecutable)
{
    testing::TempFolder folder;
    const fs::path plain = folder.path() / "plain";
    const fs::path runnable = folder.path() / "runnable";
    writeFile(plain / "systemctl", "#!/bin/sh\n");
    testing::writeExecutable(runnable / "systemctl");
    fs::create_directories(folder.path() / "dir/systemctl");
    const std::string path = plain.string() + "::" + (folder.path() / "dir").string() + ":" + runnable.string();
    EXPECT_EQ(FindProgramOnPath("systemctl", path), (runnable / "systemctl").string());
    EXPECT_EQ(FindProgramOnPath("systemctl", plain.string()), "");
    // "" and "." name the current directory: never searched.
    const fs::path before = fs::current_path();
    fs::current_path(runnable);
    EXPECT_EQ(FindProgramOnPath("systemctl", ":."), "");
    EXPECT_EQ(FindProgramOnPath("systemctl", ""), "");
    fs::current_path(before);
}

} // namespace
} // namespace vedra::watch
