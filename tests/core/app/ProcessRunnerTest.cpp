#include "core/app/ProcessRunner.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "support/ProcessEnds.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vedra::app {
namespace {

namespace fs = std::filesystem;
using testing::processEnds;
using testing::readFile;
using testing::TempFolder;

// A child that ended but was never reaped would show here.
void expectNoZombieChild()
{
    siginfo_t info{};
    int result = ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
    bool zombie = result == 0 && info.si_pid != 0;
    EXPECT_FALSE(zombie) << "unreaped child " << info.si_pid;
}

class ProcessRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
    }
    void TearDown() override { ::unsetenv("VEDRA_PWNED"); }

    // Break as a user would press it, once the file the child writes when ready
    // exists: a Break before that would not test what the child does with it.
    void breakWhenExists(const fs::path& marker)
    {
        host.setOnDrain([this, marker](int) {
            if (!readFile(marker).empty())
                ws->BreakCode = app::StopCode::Suspend;
        });
    }

    TempFolder folder;
    HeadlessHost host;
    std::unique_ptr<Workspace> ws;
};

TEST_F(ProcessRunner, ExitStatusIsReported)
{
    ProcessOutcome ok = RunProgram(*ws, {"/bin/true"});
    EXPECT_TRUE(ok.started);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_FALSE(ok.stoppedByBreak);

    EXPECT_EQ(RunProgram(*ws, {"/bin/false"}).exitCode, 1);
    EXPECT_EQ(RunProgram(*ws, {"/bin/sh", "-c", "exit 7"}).exitCode, 7);
    EXPECT_EQ(RunProgram(*ws, {"/bin/sh", "-c", "kill -KILL $$"}).exitCode, -1) << "ended by a signal";
    expectNoZombieChild();
}

TEST_F(ProcessRunner, ProgramThatCannotRunIsNotStarted)
{
    fs::path plain = folder.path() / "not-executable";
    testing::writeFile(plain, "#!/bin/sh\nexit 0\n");
    for (const std::string& program : {(folder.path() / "missing").string(), plain.string(), folder.path().string(),
                                       std::string()}) {
        ProcessOutcome outcome = RunProgram(*ws, {program, "arg"});
        EXPECT_FALSE(outcome.started) << program;
        EXPECT_EQ(outcome.exitCode, -1) << program;
        EXPECT_FALSE(outcome.stoppedByBreak);
    }
    EXPECT_FALSE(RunProgram(*ws, {}).started);
    expectNoZombieChild();
}

TEST_F(ProcessRunner, ArgumentsArriveWholeAndNothingIsExecuted)
{
    fs::path pwned = folder.path() / "pwned";
    ::setenv("VEDRA_PWNED", pwned.c_str(), 1);
    const std::string name = "two  blanks \"dq\" it's $(touch $VEDRA_PWNED) `touch $VEDRA_PWNED`; x|y&z\nline";
    fs::path box = folder.path() / "box";
    fs::create_directories(box);
    ProcessOutcome outcome = RunProgram(*ws, {"/usr/bin/touch", (box / name).string()});
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_FALSE(fs::exists(pwned));
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(box))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{name}) << "one argument made one file";
}

TEST_F(ProcessRunner, StandardStreamsAreNullAndNoDescriptorLeaks)
{
    int leaky = ::open(folder.path().c_str(), O_RDONLY);  // no O_CLOEXEC on purpose
    ASSERT_GE(leaky, 0);
    const std::string script = "for f in 0 1 2; do [ \"$(readlink /proc/$$/fd/$f)\" = /dev/null ] || exit 1$f; done;"
                               "[ -e /proc/$$/fd/" + std::to_string(leaky) + " ] && exit 20; exit 0";
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sh", "-c", script});
    ::close(leaky);
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0) << "10-12: that descriptor is not /dev/null; 20: a descriptor leaked";
}

TEST_F(ProcessRunner, ChildLeadsAProcessGroupOfItsOwn)
{
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sh", "-c", "set -- $(cat /proc/$$/stat); [ \"$5\" = \"$$\" ]"});
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0);
}

TEST_F(ProcessRunner, BreakFromTheHostKillsAHangingChild)
{
    host.setOnDrain([this](int count) {
        if (count >= 3)
            ws->BreakCode = app::StopCode::Suspend;
    });
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sleep", "30"});
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stoppedByBreak);
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Suspend) << "the run that called must see the stop too";
    EXPECT_EQ(host.drainCount(), 3) << "messages were pumped while waiting";
    expectNoZombieChild();
}

TEST_F(ProcessRunner, BreakAlreadySetEndsTheChildAtOnce)
{
    ws->BreakCode = app::StopCode::Suspend;
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sleep", "30"});
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stoppedByBreak);
    expectNoZombieChild();
}

TEST_F(ProcessRunner, EscapeConfirmedWhileWaitingSetsBreak)
{
    host.pressEscape();
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sleep", "30"});
    EXPECT_TRUE(outcome.stoppedByBreak);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].buttons, MessageButtons::OkCancel);
}

TEST_F(ProcessRunner, EscapeCancelledWaitsForTheEnd)
{
    fs::path gate = folder.path() / "gate";
    host.queueAnswer(MessageAnswer::Cancel);
    host.pressEscape();
    // The child ends only once the test, from a later drain, opens the gate.
    host.setOnDrain([gate](int count) {
        if (count == 3)
            testing::writeFile(gate, "open");
    });
    ProcessOutcome outcome =
        RunProgram(*ws, {"/bin/sh", "-c", "while [ ! -e '" + gate.string() + "' ]; do sleep 0.01; done; exit 4"});
    EXPECT_FALSE(outcome.stoppedByBreak);
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(ProcessRunner, ChildIgnoringSigtermIsKilled)
{
    fs::path ready = folder.path() / "ready";
    breakWhenExists(ready);
    ProcessOutcome outcome = RunProgram(
        *ws, {"/bin/sh", "-c", "trap '' TERM; echo up > '" + ready.string() + "'; exec /bin/sleep 30"});
    EXPECT_TRUE(outcome.stoppedByBreak);
    EXPECT_EQ(outcome.exitCode, -1) << "a sleep that ignores SIGTERM only ends by SIGKILL";
    expectNoZombieChild();
}

TEST_F(ProcessRunner, BreakEndsTheChildsOwnChildrenToo)
{
    fs::path pidFile = folder.path() / "pid";
    breakWhenExists(pidFile);
    ProcessOutcome outcome =
        RunProgram(*ws, {"/bin/sh", "-c", "/bin/sleep 30 & echo $! > '" + pidFile.string() + "'; wait"});
    EXPECT_TRUE(outcome.stoppedByBreak);
    pid_t grandchild = std::atoi(readFile(pidFile).c_str());
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(processEnds(grandchild)) << "the sleep started by the child outlived Break";
}

// Children that run while the caller works: started at once, seen to end without
// waiting, stopped together within one grace period.
TEST_F(ProcessRunner, RunningProgramsAreWatchedWithoutWaiting)
{
    fs::path gate = folder.path() / "gate";
    auto before = std::chrono::steady_clock::now();
    RunningProgram held = RunningProgram::Start(
        {"/bin/sh", "-c", "while [ ! -e '" + gate.string() + "' ]; do sleep 0.01; done; exit 3"});
    RunningProgram quick = RunningProgram::Start({"/bin/sh", "-c", "exit 5"});
    ASSERT_TRUE(held.started());
    ASSERT_TRUE(quick.started());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1)) << "Start did not wait";

    EXPECT_TRUE(WaitForAnyEnd({&held, &quick}, std::chrono::seconds(10)));
    EXPECT_TRUE(quick.hasEnded());
    EXPECT_FALSE(held.hasEnded());
    EXPECT_EQ(quick.reap(), 5);
    EXPECT_EQ(quick.reap(), 5) << "the status stays";
    EXPECT_FALSE(WaitForAnyEnd({&held, &quick}, std::chrono::milliseconds(50))) << "a reaped child is not an end";

    testing::writeFile(gate, "open");
    EXPECT_TRUE(WaitForAnyEnd({&held}, std::chrono::seconds(10)));
    EXPECT_EQ(held.reap(), 3);
    expectNoZombieChild();

    RunningProgram missing = RunningProgram::Start({(folder.path() / "missing").string()});
    EXPECT_FALSE(missing.started());
    EXPECT_TRUE(missing.hasEnded());
    EXPECT_EQ(missing.reap(), -1);
    EXPECT_FALSE(RunningProgram::Start({}).started());
}

TEST_F(ProcessRunner, StoppingSeveralProgramsTakesOneGracePeriod)
{
    std::vector<RunningProgram> programs;
    std::vector<fs::path> ready;
    for (int i = 0; i < 3; ++i) {
        ready.push_back(folder.path() / ("ready" + std::to_string(i)));
        programs.push_back(RunningProgram::Start(
            {"/bin/sh", "-c", "trap '' TERM; echo up > '" + ready.back().string() + "'; exec /bin/sleep 30"}));
        ASSERT_TRUE(programs.back().started());
    }
    for (const fs::path& file : ready) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (readFile(file).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<pid_t> pids;
    std::vector<RunningProgram*> all;
    for (RunningProgram& program : programs) {
        pids.push_back(program.pid());
        all.push_back(&program);
    }
    auto before = std::chrono::steady_clock::now();
    StopPrograms(all);
    auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::milliseconds(1200)) << "the grace periods ran one after another";
    for (std::size_t i = 0; i < programs.size(); ++i) {
        EXPECT_TRUE(programs[i].reaped());
        EXPECT_EQ(programs[i].reap(), -1) << "ignoring SIGTERM, it ended by SIGKILL";
        EXPECT_TRUE(processEnds(pids[i]));
    }
    expectNoZombieChild();
}

TEST_F(ProcessRunner, DroppingARunningProgramStopsIt)
{
    pid_t pid = 0;
    {
        RunningProgram program = RunningProgram::Start({"/bin/sleep", "30"});
        ASSERT_TRUE(program.started());
        pid = program.pid();
        RunningProgram moved = std::move(program);
        EXPECT_FALSE(program.started()) << "moved from";
        EXPECT_EQ(moved.pid(), pid);
    }
    EXPECT_TRUE(processEnds(pid));
    expectNoZombieChild();
}

// A run killed outright (SIGKILL) cannot stop its converters itself: they must
// not live on without it. A forked process stands for the run; it starts two
// children, with and without a memory limit, and is killed.
TEST_F(ProcessRunner, ChildrenEndWithAProgramKilledOutright)
{
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) {
        ProgramLimits limited;
        limited.memoryBytes = 256ull << 20;
        RunningProgram first = RunningProgram::Start({"/bin/sleep", "30"}, limited);
        RunningProgram second = RunningProgram::Start({"/bin/sleep", "30"});
        pid_t pids[2] = {first.pid(), second.pid()};
        if (::write(pipe[1], pids, sizeof pids) != static_cast<ssize_t>(sizeof pids))
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ::close(pipe[1]);
    pid_t pids[2] = {0, 0};
    ssize_t got = ::read(pipe[0], pids, sizeof pids);
    ::close(pipe[0]);
    ::kill(run, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(run, &status, 0), run);
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof pids));
    for (pid_t pid : pids) {
        ASSERT_GT(pid, 0) << "the child did not start";
        bool ended = processEnds(pid);
        EXPECT_TRUE(ended) << "child " << pid << " outlived the program that started it";
        if (!ended)
            ::kill(pid, SIGKILL);
    }
}

// Limits: a child past its time has its whole group ended, whatever it ignores;
// one that asks for more memory than its limit fails in the child alone.
TEST_F(ProcessRunner, ChildPastItsTimeLimitIsEndedWithItsGroup)
{
    fs::path pidFile = folder.path() / "pid";
    ProgramLimits limits;
    limits.time = std::chrono::milliseconds(300);
    limits.memoryBytes = 512ull << 20;
    auto before = std::chrono::steady_clock::now();
    ProcessOutcome outcome = RunProgram(
        *ws, {"/bin/sh", "-c", "trap '' TERM; /bin/sleep 30 & echo $! > '" + pidFile.string() + "'; wait"}, limits);
    auto took = std::chrono::steady_clock::now() - before;
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stoppedByLimit);
    EXPECT_FALSE(outcome.stoppedByBreak);
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(ws->BreakCode, app::StopCode::None) << "a limit ends the program, not the run";
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    pid_t grandchild = std::atoi(readFile(pidFile).c_str());
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(processEnds(grandchild)) << "the child's own child outlived the limit";
    expectNoZombieChild();
}

TEST_F(ProcessRunner, ChildWithinItsLimitsEndsAsUsual)
{
    fs::path seen = folder.path() / "seen";
    ProgramLimits limits;
    limits.time = std::chrono::seconds(20);
    limits.memoryBytes = 300ull << 20;
    int leaky = ::open(folder.path().c_str(), O_RDONLY);  // no O_CLOEXEC on purpose
    ASSERT_GE(leaky, 0);
    const std::string script = "ulimit -v > '" + seen.string() + "'; set -- $(cat /proc/$$/stat); [ \"$5\" = \"$$\" ] || exit 7;"
                               "[ \"$(readlink /proc/$$/fd/1)\" = /dev/null ] || exit 8;"
                               "[ -e /proc/$$/fd/" + std::to_string(leaky) + " ] && exit 9; exit 3";
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sh", "-c", script}, limits);
    ::close(leaky);
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.stoppedByLimit);
    EXPECT_EQ(outcome.exitCode, 3) << "7: not a group of its own; 8: stdout not /dev/null; 9: a descriptor leaked";
    EXPECT_EQ(std::atoll(readFile(seen).c_str()), 300ll * 1024) << "the address-space limit in KiB";

    outcome = RunProgram(*ws, {(folder.path() / "no-such-program").string()}, limits);
    EXPECT_FALSE(outcome.started) << "a failed exec in the forked child";
    expectNoZombieChild();
}

TEST_F(ProcessRunner, ChildAllocatingWithoutEndFailsUnderItsMemoryLimit)
{
    ProgramLimits limits;
    limits.time = std::chrono::seconds(20);
    limits.memoryBytes = 64ull << 20;
    auto before = std::chrono::steady_clock::now();
    // The string doubles until the shell cannot have more.
    ProcessOutcome outcome = RunProgram(*ws, {"/bin/sh", "-c", "x=0123456789; while :; do x=$x$x; done"}, limits);
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.stoppedByLimit) << "the memory limit, not the time limit, ended it";
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
    expectNoZombieChild();
}

TEST_F(ProcessRunner, RunningProgramTellsWhenItIsPastItsTime)
{
    ProgramLimits limits;
    limits.time = std::chrono::milliseconds(100);
    RunningProgram limited = RunningProgram::Start({"/bin/sleep", "30"}, limits);
    RunningProgram unlimited = RunningProgram::Start({"/bin/sleep", "30"});
    ASSERT_TRUE(limited.started());
    EXPECT_FALSE(limited.pastTimeLimit());
    EXPECT_FALSE(WaitForAnyEnd({&limited}, std::chrono::milliseconds(150)));
    EXPECT_TRUE(limited.pastTimeLimit());
    EXPECT_FALSE(unlimited.pastTimeLimit());
    RunningProgram moved = std::move(limited);
    EXPECT_TRUE(moved.pastTimeLimit()) << "the deadline moves with the child";
    StopPrograms({&moved});
    EXPECT_FALSE(moved.pastTimeLimit()) << "a reaped child is past nothing";
}

} // namespace
} // namespace vedra::app
