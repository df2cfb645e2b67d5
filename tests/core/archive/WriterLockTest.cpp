// One writer per archive: a second taker in another process is refused and told
// who holds the lock, a killed holder frees it, and a store opened for indexing
// beside a live run neither rolls that run back nor touches a byte of it.
#include "core/archive/WriterLock.h"

#include "core/archive/ArchiveStore.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace vedra::archive {
namespace {

using testing::ArchiveFixture;
using testing::readFile;

// A child process that holds the lock on `path` until it is killed; returns its
// number once the lock is taken.
pid_t holdInChild(const std::string& path)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        WriterLock lock;
        const char taken = lock.take(path, "vedra index /home/me/docs") == WriterLock::Outcome::Taken ? 'y' : 'n';
        if (::write(ready[1], &taken, 1) != 1)
            ::_exit(3);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char taken = 0;
    const bool told = ::read(ready[0], &taken, 1) == 1;
    ::close(ready[0]);
    if (!told || taken != 'y') {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

TEST(WriterLock, AnotherProcessIsRefusedAndNamedUntilTheHolderIsKilled)
{
    testing::TempFolder folder;
    const std::string path = folder.slash() + std::string(kWriterLockName);
    const pid_t holder = holdInChild(path);
    ASSERT_GT(holder, 0);

    WriterLock second;
    EXPECT_EQ(second.take(path, "vedra index /tmp/b"), WriterLock::Outcome::Busy);
    EXPECT_FALSE(second.held());
    EXPECT_EQ(second.holder(), "PID " + std::to_string(holder) + ", vedra index /home/me/docs");
    EXPECT_EQ(readFile(path), std::to_string(holder) + "\nvedra index /home/me/docs\n") << "the refused taker wrote";

    // A kill leaves the file with its text, but no lock on it.
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(second.take(path, "vedra index /tmp/b"), WriterLock::Outcome::Taken);
    EXPECT_TRUE(second.held());
    EXPECT_EQ(readFile(path), std::to_string(::getpid()) + "\nvedra index /tmp/b\n")
        << "a longer text of the holder before is cut away";

    // Released, it is free to the next taker of this process too.
    second.release();
    WriterLock third;
    EXPECT_EQ(third.take(path, "x"), WriterLock::Outcome::Taken);
}

TEST(WriterLock, AFolderThatCannotHoldTheFileFailsRatherThanPassing)
{
    testing::TempFolder folder;
    WriterLock lock;
    EXPECT_EQ(lock.take(folder.slash() + "missing/" + std::string(kWriterLockName), "x"), WriterLock::Outcome::Failed);
    EXPECT_FALSE(lock.held());
}

TEST(WriterLock, TheCommandLineNamesTheProgramWithoutItsFolder)
{
    const std::string line = CurrentCommandLine();
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.substr(0, line.find(' ')).find('/'), std::string::npos) << line;
    EXPECT_NE(line.rfind("vedra_core_tests_archive", 0), std::string::npos) << line;
    EXPECT_LE(line.size(), 200u);
}

void addWriterLockDocuments(ArchiveStore& store, std::uint32_t first, std::uint32_t last)
{
    auto folder = store.findOrAddFolder("/kcol/r/");
    ASSERT_TRUE(folder);
    for (std::uint32_t n = first; n <= last; ++n) {
        const std::string key = "txt." + std::to_string(n) + "/kcol/";
        auto doc = store.findOrAddDocument(key, *folder);
        ASSERT_TRUE(doc && doc->added);
        DocRecord record;
        record.number = store.documentCount();
        record.lastWrite = 1000 + n;
        record.size = n;
        record.wordList = store.wordListEnd();
        record.folderText = *folder;
        record.key = key;
        ASSERT_TRUE(store.appendDocumentRecord(record));
        for (const std::string& w : {std::string("lockword"), "v" + std::to_string(n)}) {
            auto found = store.findOrAddWord(w);
            ASSERT_TRUE(found);
            store.addPosting(*found, record.number);
            ASSERT_TRUE(store.appendWordListEntry(found->node));
        }
        ASSERT_TRUE(store.endWordList());
    }
}

std::map<std::string, std::string> archiveFolderBytes(const ArchiveFixture& fx)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(fx.workspace->ArchiveFolder))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

// The live run's journal is in state "run open", exactly what a run cut off
// leaves: before the lock, a second open took it for one and rolled it back.
TEST(WriterLock, ASecondStoreBesideALiveRunRollsNothingBack)
{
    ArchiveFixture fx;
    ASSERT_TRUE(fx.openForIndexing());
    addWriterLockDocuments(*fx.store, 1, 30);
    ASSERT_TRUE(fx.store->close());

    CacheSizes none;
    none.appendBuffer = 128;  // the live run's writes and patches reach the files
    ASSERT_TRUE(fx.openForIndexing(none));
    addWriterLockDocuments(*fx.store, 31, 50);
    auto again = fx.store->findOrAddWord("v3");
    ASSERT_TRUE(again && fx.store->addPosting(*again, 40));
    auto mark = RunMark::decode(readFile(fx.store->markPath()));
    ASSERT_TRUE(mark && mark->state == RunMark::kRunOpen);
    ASSERT_FALSE(mark->entries.empty()) << "the live run has bytes a rollback would put back";
    const auto live = archiveFolderBytes(fx);

    const pid_t child = ::fork();
    if (child == 0) {
        // The second writer: a store of its own on the same archive.
        ArchiveStore other(fx.workspace->storeContext());
        const std::size_t shown = fx.host.messages().size();
        const bool opened = other.openForIndexing(CacheSizes{});
        int code = 0;
        if (opened)
            code = 10;
        else if (!other.busy())
            code = 11;
        else if (fx.host.messages().size() != shown + 1)
            code = 12;
        else if (fx.host.messages().back().text !=
                 "Another indexing run (PID " + std::to_string(::getppid()) + ", " + CurrentCommandLine() +
                     ") is writing this archive; try again when it has ended.")
            code = 13;
        else if (fx.workspace->BreakCode != app::StopCode::None)
            code = 14;
        ::_exit(code);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 opened, 11 not busy, 12 no single message, 13 wrong text, 14 a stop";
    EXPECT_EQ(archiveFolderBytes(fx), live) << "the refused store wrote or undid something";

    // A search beside the live run reads the last completed state: the run's
    // links past it (new tree nodes, posting heads, list blocks) are not damage.
    {
        const std::size_t shown = fx.host.messages().size();
        ArchiveStore reader(fx.workspace->storeContext());
        ASSERT_TRUE(reader.open());
        EXPECT_EQ(reader.documentCount(), 30u);
        for (std::uint32_t n = 1; n <= 50; ++n) {
            auto word = reader.findWord("v" + std::to_string(n));
            EXPECT_EQ(word.has_value(), n <= 30) << n;
            if (word)
                for (std::uint32_t document : reader.readPostings(word->postings))
                    EXPECT_LE(document, 30u) << n;
            if (n <= 30)
                if (auto record = reader.readDocument(n))
                    reader.readWordList(record->wordList);
        }
        // The run's postings of "lockword", some still in its buffer: the head in
        // the file leads to the completed ones.
        auto lockword = reader.findWord("lockword");
        ASSERT_TRUE(lockword);
        std::vector<std::uint32_t> holders = reader.readPostings(lockword->postings);
        std::sort(holders.begin(), holders.end());
        EXPECT_EQ(holders.size(), 30u);
        EXPECT_EQ(holders.empty() ? 0u : holders.back(), 30u);
        EXPECT_FALSE(reader.consumeDamage());
        EXPECT_EQ(fx.host.messages().size(), shown) << fx.host.messages().back().text;
        EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
    }

    // The live run ends as if it had been alone, and then the archive is free.
    ASSERT_TRUE(fx.store->close());
    EXPECT_EQ(fx.documentsWith("lockword").size(), 50u);
    EXPECT_EQ(fx.documentsWith("v3"), (std::set<std::string>{"/lock/3.txt", "/lock/04.txt"}));
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_EQ(fx.store->earlierRun(), EarlierRun::Clean);
    EXPECT_FALSE(fx.store->busy());
    EXPECT_TRUE(fx.store->close());
}

TEST(WriterLock, ASecondStoreOfTheSameProcessIsRefusedToo)
{
    ArchiveFixture fx;
    ASSERT_TRUE(fx.openForIndexing());
    ArchiveStore other(fx.workspace->storeContext());
    EXPECT_FALSE(other.openForIndexing(CacheSizes{}));
    EXPECT_TRUE(other.busy());
    EXPECT_FALSE(other.isOpen());
    ASSERT_TRUE(fx.store->close());
    EXPECT_TRUE(other.openForIndexing(CacheSizes{}));
    EXPECT_FALSE(other.busy());
    EXPECT_TRUE(other.close());
}

} // namespace
} // namespace vedra::archive
