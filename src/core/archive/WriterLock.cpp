// The lock is held on an open file description of our own (O_CLOEXEC, so the
// converters a run starts never inherit it and never keep it past the run). The
// text is written after the lock is taken; a refused taker that reads it half
// written tries again briefly before it names the holder vaguely.
#include "core/archive/WriterLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace vedra::archive {

namespace {

constexpr std::size_t kCommandShown = 200;
// The third line of a holder that keeps the lock for moments at a time.
constexpr std::string_view kBriefMark = "brief";
// How long a writer waits for such a holder before it gives up as if refused.
constexpr auto kBriefWait = std::chrono::minutes(10);

bool g_holdsBriefly = false;
std::function<bool()> g_whileWaiting;

bool heldBriefly(const std::string& text)
{
    std::size_t first = text.find('\n');
    std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
    return second != std::string::npos && std::string_view(text).substr(second + 1).starts_with(kBriefMark);
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[512];
    off_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || text.size() > 4096)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return text;
}

// "PID 1234, vedra index /x" from the file's two lines; empty when they are not whole.
std::string holderText(const std::string& text)
{
    const std::size_t first = text.find('\n');
    if (first == std::string::npos || first == 0)
        return {};
    const std::size_t second = text.find('\n', first + 1);
    if (second == std::string::npos)
        return {};
    const std::string pid = text.substr(0, first);
    if (pid.find_first_not_of("0123456789") != std::string::npos)
        return {};
    std::string command = text.substr(first + 1, second - first - 1);
    return "PID " + pid + (command.empty() ? "" : ", " + command);
}

} // namespace

WriterLock::Outcome WriterLock::take(const std::string& path, std::string_view command)
{
    release();
    m_holder.clear();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Outcome::Failed;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    // The live index writes in short batches: a writer waits for the batch
    // rather than refusing the user's run.
    if (locked != 0 && errno == EWOULDBLOCK && !g_holdsBriefly) {
        const auto giveUp = std::chrono::steady_clock::now() + kBriefWait;
        while (locked != 0 && (errno == EWOULDBLOCK || errno == EINTR) && heldBriefly(readAll(fd)) &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (g_whileWaiting && !g_whileWaiting()) {
                errno = EWOULDBLOCK;
                break;
            }
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        }
    }
    if (locked != 0) {
        const bool busy = errno == EWOULDBLOCK;
        for (int attempt = 0; busy && attempt < 20 && m_holder.empty(); ++attempt) {
            m_holder = holderText(readAll(fd));
            if (m_holder.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (busy && m_holder.empty())
            m_holder = "another process";
        ::close(fd);
        return busy ? Outcome::Busy : Outcome::Failed;
    }
    const std::string text = std::to_string(::getpid()) + "\n" + std::string(command.substr(0, kCommandShown)) + "\n" +
                             (g_holdsBriefly ? std::string(kBriefMark) + "\n" : std::string());
    // Written before cutting, so a reader never finds the file empty of a holder
    // that has one; what an earlier holder left past the end goes with the cut.
    if (::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::ftruncate(fd, static_cast<off_t>(text.size())) != 0) {
        ::close(fd);
        return Outcome::Failed;
    }
    m_fd = fd;
    return Outcome::Taken;
}

void WriterLock::setWhileWaiting(std::function<bool()> step)
{
    g_whileWaiting = std::move(step);
}

void WriterLock::setHoldsBriefly(bool brief)
{
    g_holdsBriefly = brief;
}

void WriterLock::release()
{
    if (m_fd < 0)
        return;
    // Closing the only description of the file drops the lock.
    ::close(m_fd);
    m_fd = -1;
}

std::string CurrentCommandLine()
{
    // A /proc file tells no size: read to its end.
    const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const std::string text = readAll(fd);
    ::close(fd);
    const std::string* bytes = &text;
    std::string line;
    std::size_t start = 0;
    bool first = true;
    while (start < bytes->size()) {
        std::size_t end = bytes->find('\0', start);
        if (end == std::string::npos)
            end = bytes->size();
        std::string word = bytes->substr(start, end - start);
        if (first) {
            const std::size_t slash = word.rfind('/');
            if (slash != std::string::npos)
                word.erase(0, slash + 1);
            first = false;
        }
        for (char& c : word)
            if (c == '\n' || c == '\r')
                c = ' ';
        if (!line.empty())
            line += ' ';
        line += word;
        start = end + 1;
        if (line.size() > kCommandShown)
            break;
    }
    return line.substr(0, kCommandShown);
}

} // namespace vedra::archive
