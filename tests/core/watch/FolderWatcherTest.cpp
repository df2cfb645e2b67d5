// The live index's watches on real folders: what each change of a tree asks the
// next batch to read, watches that follow a folder moved within the trees and
// leave one moved out, a kernel queue that overflowed; the list of indexed
// folders, the state file, and the locks that keep one watcher and one writer.
#include "core/archive/WriterLock.h"
#include "core/indexing/IndexedFolders.h"
#include "core/watch/FolderWatcher.h"
#include "core/watch/WatchState.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vedra::watch {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

// Everything the kernel queued by now, after the changes made.
std::map<std::string, FolderChange> drain(FolderWatcher& watcher, bool* rescan = nullptr)
{
    ChangeSet changes;
    struct pollfd ready = {watcher.fd(), POLLIN, 0};
    while (::poll(&ready, 1, 100) > 0)
        watcher.readEvents(changes);
    return changes.take(rescan);
}

TEST(FolderWatcherTest, EachChangeNamesTheFolderToReadAgainAndWatchesFollowTheTree)
{
    testing::TempFolder temp;
    const std::string root = temp.slash() + "root/";
    writeFile(root + "a.txt", "alpha");
    writeFile(root + "sub/deep/b.txt", "beta");
    writeFile(root + ".hidden/c.txt", "gamma");
    FolderWatcher watcher([](const std::string& folder) { return folder.find("/.") == std::string::npos; });
    ASSERT_TRUE(watcher.open());
    ASSERT_TRUE(watcher.addRoot(root));
    EXPECT_EQ(watcher.watchedFolders(), 3u) << "root, sub, sub/deep; the hidden folder is left out";

    // A file written, truncated, deleted: its folder alone, not as a tree.
    writeFile(root + "sub/deep/b.txt", "beta two");
    fs::resize_file(root + "a.txt", 0);
    auto changes = drain(watcher);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[root].files);
    EXPECT_TRUE(changes[root + "sub/deep/"].files);
    EXPECT_FALSE(changes[root + "sub/deep/"].tree);
    fs::remove(root + "a.txt");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root].files);

    // A folder made with files in it at once: read as a tree, and watched.
    writeFile(root + "new/inner/n.txt", "nu");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root + "new/"].tree);
    EXPECT_FALSE(changes.contains(root + "new/inner/")) << "the tree covers its folders";
    EXPECT_EQ(watcher.watchedFolders(), 5u);

    // Renamed within the tree: the old place loses a folder, the new one is read,
    // and the watches below report under the new path.
    fs::rename(root + "sub", root + "moved");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root].foldersGone);
    EXPECT_TRUE(changes[root + "moved/"].tree);
    EXPECT_EQ(watcher.watchedFolders(), 5u);
    writeFile(root + "moved/deep/d.txt", "delta");
    changes = drain(watcher);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes.begin()->first, root + "moved/deep/");

    // Moved out: its watches go, and what happens there later is not reported.
    fs::rename(root + "moved", temp.slash() + "outside");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root].foldersGone);
    EXPECT_EQ(watcher.watchedFolders(), 3u);
    writeFile(temp.slash() + "outside/deep/e.txt", "epsilon");
    EXPECT_TRUE(drain(watcher).empty());

    // Moved in from outside with sub-folders: a tree, watched all the way down.
    fs::rename(temp.slash() + "outside", root + "back");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root + "back/"].tree);
    EXPECT_EQ(watcher.watchedFolders(), 5u);
    writeFile(root + "back/deep/f.txt", "phi");
    EXPECT_TRUE(drain(watcher)[root + "back/deep/"].files);

    // A folder deleted: the parent loses it; a hidden folder's files are nobody's.
    fs::remove_all(root + "new");
    writeFile(root + ".hidden/c.txt", "gamma two");
    changes = drain(watcher);
    EXPECT_TRUE(changes[root].foldersGone);
    EXPECT_EQ(watcher.watchedFolders(), 3u);
}

TEST(FolderWatcherTest, AKernelQueueThatOverflowedAsksForARescan)
{
    testing::TempFolder temp;
    const std::string root = temp.slash() + "flood/";
    fs::create_directories(root);
    FolderWatcher watcher;
    ASSERT_TRUE(watcher.open());
    ASSERT_TRUE(watcher.addRoot(root));
    std::size_t queue = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queue;
    ASSERT_LT(queue, 200000u) << "a queue this long takes too long to fill here";
    // Each new file queues a creation and a close: half the queue's length in
    // files, and some, fill it past its end while nobody reads.
    for (std::size_t i = 0; i < queue / 2 + 100; ++i)
        std::ofstream(root + "f" + std::to_string(i));
    bool rescan = false;
    auto changes = drain(watcher, &rescan);
    EXPECT_TRUE(rescan);
}

TEST(FolderWatcherTest, ATreeCoversOnlyTheFoldersBelowIt)
{
    ChangeSet changes;
    changes.treeAppeared("/a/");
    changes.fileChanged("/a/b/");
    changes.fileChanged("/ab/");  // beside /a/, not in it
    changes.folderGone("/");
    changes.fileChanged("/a/");
    bool rescan = true;
    auto taken = changes.take(&rescan);
    EXPECT_FALSE(rescan);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_TRUE(taken["/"].foldersGone);
    EXPECT_TRUE(taken["/a/"].tree);
    EXPECT_TRUE(taken["/a/"].files);
    EXPECT_TRUE(taken.contains("/ab/"));
    EXPECT_TRUE(changes.empty());
}

TEST(IndexedFoldersTest, AFolderIsAddedOnceAndAWiderOneTakesInTheNarrowerOnes)
{
    using indexing::IndexedFolder;
    std::vector<IndexedFolder> list;
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 1, .subfolders = false, .folder = "/d/a/"}));
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 1, .folder = "/d/b/"}));
    EXPECT_FALSE(indexing::addIndexedFolder(list, {.archive = 1, .folder = "/d/b/x/"}));
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 2, .folder = "/d/b/x/"})) << "another archive";
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 1, .folder = "/d/bb/"})) << "beside /d/b/";
    // The same folder with its sub-folders replaces the one without; a wider one
    // replaces both of its archive's.
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 1, .folder = "/d/a/"}));
    EXPECT_TRUE(indexing::addIndexedFolder(list, {.archive = 1, .unpack = true, .folder = "/d/"}));
    const std::string text = indexing::formatIndexedFolders(list);
    EXPECT_EQ(text, "2\ts\t/d/b/x/\n1\tsu\t/d/\n");
    EXPECT_EQ(indexing::parseIndexedFolders(text), list);
    // Damaged lines are passed over, good ones kept.
    auto parsed = indexing::parseIndexedFolders("x\ts\t/a/\n3\ts\trelative/\n-1\ts\t/b/\n4\t-\t/c/\n5\ts\n\n");
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0], (IndexedFolder{.archive = 4, .subfolders = false, .folder = "/c/"}));
}

TEST(IndexedFoldersTest, TwoProcessesAddingAtOnceKeepEveryFolder)
{
    testing::TempFolder temp;
    const std::string path = temp.slash() + std::string(indexing::kIndexedFoldersName);
    pid_t children[2];
    for (int archive = 0; archive < 2; ++archive) {
        children[archive] = ::fork();
        if (children[archive] == 0) {
            bool ok = true;
            for (int i = 0; i < 40; ++i)
                ok &= indexing::rememberIndexedFolder(
                    path, {.archive = archive, .folder = "/f" + std::to_string(i) + "/"});
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(indexing::readIndexedFolders(path).size(), 80u);
}

TEST(WatchStateTest, TheStateFileReadsBackAndToleratesWhatItDoesNotKnow)
{
    WatchState state;
    state.pid = 42;
    state.phase = WatchPhase::Updating;
    state.archives = {1, 3};
    state.folders = 100000;
    state.pending = 7;
    state.batches = 12;
    state.lastBatchTime = 1'790'000'000;
    state.lastBatchSeconds = 0.25;
    state.lastBatchFolders = 2;
    state.lastBatchFiles = 5;
    state.message = "line one\nline two";
    state.error = "no room";
    WatchState back = parseWatchState(formatWatchState(state));
    EXPECT_EQ(back.pid, 42);
    EXPECT_EQ(back.phase, WatchPhase::Updating);
    EXPECT_EQ(back.archives, (std::vector<int>{1, 3}));
    EXPECT_EQ(back.folders, 100000u);
    EXPECT_EQ(back.pending, 7u);
    EXPECT_EQ(back.batches, 12u);
    EXPECT_EQ(back.lastBatchTime, 1'790'000'000);
    EXPECT_DOUBLE_EQ(back.lastBatchSeconds, 0.25);
    EXPECT_EQ(back.lastBatchFiles, 5u);
    EXPECT_EQ(back.message, "line one line two") << "a message stays on its line";
    EXPECT_EQ(back.error, "no room");

    WatchState odd = parseWatchState("state=dancing\npid=12x\nfolders=9\nfuture=1\nnonsense\narchives=2,,x,4");
    EXPECT_EQ(odd.phase, WatchPhase::Stopped);
    EXPECT_EQ(odd.pid, 0);
    EXPECT_EQ(odd.folders, 9u);
    EXPECT_EQ(odd.archives, (std::vector<int>{2, 4}));
    EXPECT_EQ(watchStatusLines(odd, 0), std::vector<std::string>{"State: not running"});

    // The lock's holder is the watcher: a state file of another process (one that
    // ended, the holder not having written its own yet) is not shown as its.
    const std::vector<std::string> mine = watchStatusLines(back, back.pid);
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine[0], "State: " + std::string(watchPhaseName(back.phase)) + " (PID " + std::to_string(back.pid) + ")");
    EXPECT_NE(std::find(mine.begin(), mine.end(), "Watched folders: 100000"), mine.end());
    const std::vector<std::string> other = watchStatusLines(back, back.pid + 1);
    ASSERT_FALSE(other.empty());
    EXPECT_EQ(other[0], "State: " + std::string(watchPhaseName(WatchPhase::Starting)) + " (PID " +
                            std::to_string(back.pid + 1) + ")");
    EXPECT_NE(std::find(other.begin(), other.end(), "Watched folders: 0"), other.end());
}

// Runs `body` in a child process that signals `ready` then waits for `go`.
pid_t holdInChild(int ready[2], int go[2], const std::function<void()>& body)
{
    pid_t child = ::fork();
    if (child == 0) {
        body();
        char byte = 'r';
        [[maybe_unused]] ssize_t n = ::write(ready[1], &byte, 1);
        n = ::read(go[0], &byte, 1);
        ::_exit(0);
    }
    char byte;
    [[maybe_unused]] ssize_t n = ::read(ready[0], &byte, 1);
    return child;
}

TEST(WatchStateTest, OneWatcherAFolderAndAWriterWaitsForABriefHolderOnly)
{
    testing::TempFolder temp;
    const std::string lockPath = temp.slash() + "vedrawatch.lock";
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    EXPECT_EQ(watcherProcess(lockPath), 0);
    pid_t child = holdInChild(ready, go, [&] {
        static WatcherLock lock;
        int holder = 0;
        if (!lock.take(lockPath, holder))
            ::_exit(3);
    });
    EXPECT_EQ(watcherProcess(lockPath), child);
    WatcherLock second;
    int holder = 0;
    EXPECT_FALSE(second.take(lockPath, holder));
    EXPECT_EQ(holder, child);
    [[maybe_unused]] ssize_t n = ::write(go[1], "g", 1);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(watcherProcess(lockPath), 0) << "the lock dies with its holder";
    EXPECT_TRUE(second.take(lockPath, holder));

    // The archive's writer lock: an ordinary holder refuses at once, a brief one
    // is waited for until it lets go.
    const std::string writerPath = temp.slash() + ".vedra-writer.lock";
    for (bool brief : {false, true}) {
        pid_t writer = holdInChild(ready, go, [&] {
            static archive::WriterLock lock;
            archive::WriterLock::setHoldsBriefly(brief);
            if (lock.take(writerPath, "vedra watch") != archive::WriterLock::Outcome::Taken)
                ::_exit(3);
        });
        archive::WriterLock mine;
        // The window's pump runs while waiting; giving up there is a refusal.
        int steps = 0;
        archive::WriterLock::setWhileWaiting([&] { return ++steps < 3 || !brief; });
        if (brief) {
            EXPECT_EQ(mine.take(writerPath, "vedra index"), archive::WriterLock::Outcome::Busy);
            EXPECT_EQ(steps, 3);
        }
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            [[maybe_unused]] ssize_t w = ::write(go[1], "g", 1);
        });
        archive::WriterLock::setWhileWaiting([&] { return ++steps > 0; });
        const auto started = std::chrono::steady_clock::now();
        archive::WriterLock::Outcome outcome = mine.take(writerPath, "vedra index");
        const auto waited = std::chrono::steady_clock::now() - started;
        archive::WriterLock::setWhileWaiting(nullptr);
        release.join();
        ::waitpid(writer, nullptr, 0);
        if (brief) {
            EXPECT_EQ(outcome, archive::WriterLock::Outcome::Taken);
            EXPECT_GE(waited, std::chrono::milliseconds(250));
        } else {
            EXPECT_EQ(outcome, archive::WriterLock::Outcome::Busy);
            EXPECT_NE(mine.holder().find("vedra watch"), std::string::npos) << mine.holder();
        }
    }
}

} // namespace
} // namespace vedra::watch
