// The file wrapper against what the system really does: transfers cut short by a
// small pipe and by signals, a full device, descriptors left out of children.
#include "core/io/FileHandle.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace vedra::io {
namespace {

using testing::TempFolder;

std::atomic<int> g_alarms{0};

void countAlarm(int)
{
    g_alarms.fetch_add(1, std::memory_order_relaxed);
}

// SIGALRM every millisecond without SA_RESTART, so a blocked read, write or open
// of this thread comes back early (EINTR, or the bytes moved so far). Threads
// started while it lives block the signal: only the thread under test is hit.
class AlarmStorm {
public:
    AlarmStorm()
    {
        g_alarms = 0;
        struct sigaction action {};
        action.sa_handler = countAlarm;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(SIGALRM, &action, &m_previous);
        const itimerval every{{0, 1000}, {0, 1000}};
        ::setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~AlarmStorm()
    {
        const itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &m_previous, nullptr);
    }
    AlarmStorm(const AlarmStorm&) = delete;
    AlarmStorm& operator=(const AlarmStorm&) = delete;

    template <typename Body> static std::thread unhit(Body body)
    {
        sigset_t alarm, before;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        ::pthread_sigmask(SIG_BLOCK, &alarm, &before);
        std::thread thread(std::move(body));
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return thread;
    }

private:
    struct sigaction m_previous {};
};

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

class FileHandleTest : public ::testing::Test {
protected:
    // A broken pipe is an error to see in the test, not the end of the program.
    void SetUp() override
    {
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &m_previousPipe);
    }
    void TearDown() override { ::sigaction(SIGPIPE, &m_previousPipe, nullptr); }

    // Ends a slowWriter whatever happened to the reading end: a writer still waiting
    // in open is let through, and one still writing gets EPIPE instead of hanging.
    void finishWriter(std::optional<FileHandle>& reading, std::thread& writer)
    {
        if (!reading) {
            int fd;
            do {
                fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
            } while (fd < 0 && errno == EINTR);
            if (fd >= 0)
                ::close(fd);
        }
        reading.reset();
        writer.join();
    }

    // The other end of the FIFO, with the pipe shrunk to one page so that
    // transfers come in pieces; after each piece it waits a millisecond, as a slow
    // program would.
    static void slowWriter(const std::string& path, const std::string& bytes, std::size_t pieceSize)
    {
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ::fcntl(fd, F_SETPIPE_SZ, 4096);
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(fd, bytes.data() + done, std::min(pieceSize, bytes.size() - done));
            if (n <= 0) {
                ADD_FAILURE() << "the reading end went away: " << errno;
                break;
            }
            done += static_cast<std::size_t>(n);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(fd);
    }

    // Reads `fd` to its end, then closes it.
    static void slowReader(int fd, std::string& got, std::size_t pieceSize)
    {
        std::string piece(pieceSize, '\0');
        while (ssize_t n = ::read(fd, piece.data(), piece.size())) {
            if (n < 0) {
                ADD_FAILURE() << "reading the pipe failed: " << errno;
                break;
            }
            got.append(piece.data(), static_cast<std::size_t>(n));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(fd);
    }

    TempFolder tmp;
    std::string fifo = (tmp.path() / "fifo").string();

private:
    struct sigaction m_previousPipe {};
};

TEST_F(FileHandleTest, ReadsFromASmallPipeAreCompletedUntilTheWriterCloses)
{
    const std::string sent = pattern(64 * 1024 + 17);
    std::thread writer([&] { slowWriter(fifo, sent, 1000); });
    std::optional<FileHandle> handle = FileHandle::open(fifo, OpenMode::ReadOnly);
    std::string got(sent.size() + 100, '\0');
    std::int64_t count = handle ? handle->readAt(0, got.data(), got.size()) : -1;
    finishWriter(handle, writer);
    ASSERT_EQ(count, static_cast<std::int64_t>(sent.size()));
    got.resize(sent.size());
    EXPECT_EQ(got, sent);
}

TEST_F(FileHandleTest, ReadsAndOpensInterruptedBySignalsAreRetried)
{
    const std::string sent = pattern(32 * 1024);
    std::string got(sent.size(), '\0');
    std::int64_t count = -1;
    bool opened = false;
    int alarmsDuringOpen = 0;
    int alarmsInAll = 0;
    {
        AlarmStorm storm;
        std::thread writer = AlarmStorm::unhit([&] {
            // The open of the reading end waits for this one, through several alarms.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            slowWriter(fifo, sent, 512);
        });
        std::optional<FileHandle> handle = FileHandle::open(fifo, OpenMode::ReadOnly);
        opened = handle.has_value();
        alarmsDuringOpen = g_alarms;
        if (handle)
            count = handle->readAt(0, got.data(), got.size());
        alarmsInAll = g_alarms;
        finishWriter(handle, writer);
    }

    ASSERT_TRUE(opened);
    EXPECT_GT(alarmsDuringOpen, 0);
    EXPECT_GT(alarmsInAll, alarmsDuringOpen);
    ASSERT_EQ(count, static_cast<std::int64_t>(sent.size()));
    EXPECT_EQ(got, sent);
}

TEST_F(FileHandleTest, WritesCutShortBySignalsIntoAFullPipeAreCompleted)
{
    const std::string sent = pattern(48 * 1024 + 5);
    std::string got;
    bool written = false;
    int alarms = 0;
    {
        AlarmStorm storm;
        // Holding both ends, the open does not wait for the reader.
        auto handle = FileHandle::open(fifo, OpenMode::ReadWrite);
        ASSERT_TRUE(handle);
        ::fcntl(handle->descriptor(), F_SETPIPE_SZ, 4096);
        // Opened here, so the reader cannot miss a writing end closed early.
        int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(readEnd, 0);
        ::fcntl(readEnd, F_SETFL, 0);
        std::thread reader = AlarmStorm::unhit([&] { slowReader(readEnd, got, 700); });
        written = handle->writeAt(0, sent);
        alarms = g_alarms;
        // The reader sees the end once the last writing end is closed.
        handle->close();
        reader.join();
    }

    EXPECT_TRUE(written);
    EXPECT_GT(alarms, 0);
    EXPECT_EQ(got, sent);
}

TEST_F(FileHandleTest, WritingToAFullDeviceFailsWithNoSpace)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full to write to";
    auto full = FileHandle::open("/dev/full", OpenMode::ReadWrite);
    ASSERT_TRUE(full);
    errno = 0;
    EXPECT_FALSE(full->writeAt(0, std::string(10000, 'x')));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(full->append("x"));
}

TEST_F(FileHandleTest, EveryOpenModeKeepsTheDescriptorOutOfChildPrograms)
{
    const auto file = tmp.path() / "file";
    for (OpenMode mode : {OpenMode::CreateTruncate, OpenMode::ReadWriteCreate, OpenMode::ReadWrite,
                          OpenMode::ReadOnly}) {
        auto handle = FileHandle::open(file, mode);
        ASSERT_TRUE(handle) << static_cast<int>(mode);
        int flags = ::fcntl(handle->descriptor(), F_GETFD);
        ASSERT_GE(flags, 0);
        EXPECT_TRUE(flags & FD_CLOEXEC) << static_cast<int>(mode);
    }
}

} // namespace
} // namespace vedra::io
