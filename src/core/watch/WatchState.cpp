#include "core/watch/WatchState.h"

#include "core/io/AtomicFile.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vedra::watch {
namespace {

constexpr std::string_view kPhaseNames[] = {"starting", "watching", "updating", "paused", "error", "stopped"};

template <typename Number>
void parseNumber(std::string_view text, Number& into)
{
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size())
        into = value;
}

// Messages are one line in the file: a line break in one (a path, an error
// text) would end it early.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// A lock request over the whole file.
struct flock wholeFile(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

} // namespace

std::string_view watchPhaseName(WatchPhase phase)
{
    return kPhaseNames[static_cast<int>(phase)];
}

std::optional<WatchPhase> watchPhaseFromName(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(kPhaseNames); ++i)
        if (kPhaseNames[i] == name)
            return static_cast<WatchPhase>(i);
    return std::nullopt;
}

std::string formatWatchState(const WatchState& state)
{
    std::ostringstream out;
    out << "pid=" << state.pid << '\n' << "state=" << watchPhaseName(state.phase) << '\n' << "archives=";
    for (std::size_t i = 0; i < state.archives.size(); ++i)
        out << (i ? "," : "") << state.archives[i];
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", state.lastBatchSeconds);
    out << '\n'
        << "folders=" << state.folders << '\n'
        << "pending=" << state.pending << '\n'
        << "batches=" << state.batches << '\n'
        << "last_batch_time=" << state.lastBatchTime << '\n'
        << "last_batch_seconds=" << seconds << '\n'
        << "last_batch_folders=" << state.lastBatchFolders << '\n'
        << "last_batch_files=" << state.lastBatchFiles << '\n'
        << "message=" << oneLine(state.message) << '\n'
        << "error=" << oneLine(state.error) << '\n';
    return out.str();
}

WatchState parseWatchState(std::string_view text)
{
    WatchState state;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, equals);
        std::string_view value = line.substr(equals + 1);
        if (key == "pid") {
            parseNumber(value, state.pid);
        } else if (key == "state") {
            if (std::optional<WatchPhase> phase = watchPhaseFromName(value))
                state.phase = *phase;
        } else if (key == "archives") {
            while (!value.empty()) {
                std::size_t comma = value.find(',');
                int number = -1;
                parseNumber(value.substr(0, comma), number);
                if (number >= 0)
                    state.archives.push_back(number);
                value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
            }
        } else if (key == "folders") {
            parseNumber(value, state.folders);
        } else if (key == "pending") {
            parseNumber(value, state.pending);
        } else if (key == "batches") {
            parseNumber(value, state.batches);
        } else if (key == "last_batch_time") {
            parseNumber(value, state.lastBatchTime);
        } else if (key == "last_batch_seconds") {
            // from_chars for doubles is in libstdc++ 11 and later.
            parseNumber(value, state.lastBatchSeconds);
        } else if (key == "last_batch_folders") {
            parseNumber(value, state.lastBatchFolders);
        } else if (key == "last_batch_files") {
            parseNumber(value, state.lastBatchFiles);
        } else if (key == "message") {
            state.message = std::string(value);
        } else if (key == "error") {
            state.error = std::string(value);
        }
    }
    return state;
}

bool writeWatchState(const std::string& path, const WatchState& state)
{
    std::optional<io::AtomicFile> file = io::AtomicFile::begin(path);
    return file && file->append(formatWatchState(state)) && file->commit();
}

std::optional<WatchState> readWatchState(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parseWatchState(text.str());
}

int watcherProcess(const std::string& lockPath)
{
    int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct flock lock = wholeFile(F_WRLCK);
    int holder = 0;
    if (::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
        holder = lock.l_pid;
    ::close(fd);
    return holder;
}

WatcherLock::~WatcherLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool WatcherLock::take(const std::string& lockPath, int& holder)
{
    holder = 0;
    if (m_fd >= 0)
        return true;
    // A record lock, not flock(2): its holder can be asked for by process number.
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_SETLK, &lock) != 0) {
        struct flock asked = wholeFile(F_WRLCK);
        if (::fcntl(fd, F_GETLK, &asked) == 0 && asked.l_type != F_UNLCK)
            holder = asked.l_pid;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

std::vector<std::string> watchStatusLines(const WatchState& written, int holder)
{
    std::vector<std::string> lines;
    if (holder <= 0) {
        lines.push_back("State: not running");
        return lines;
    }
    WatchState state = written;
    if (state.pid != holder) {
        state = WatchState{};
        state.phase = WatchPhase::Starting;
        state.pid = holder;
    }
    lines.push_back("State: " + std::string(watchPhaseName(state.phase)) + " (PID " + std::to_string(state.pid) + ")");
    std::string archives;
    for (int number : state.archives)
        archives += (archives.empty() ? "" : ", ") + std::to_string(number);
    lines.push_back("Archives: " + (archives.empty() ? std::string("none") : archives));
    lines.push_back("Watched folders: " + std::to_string(state.folders));
    lines.push_back("Pending folders: " + std::to_string(state.pending));
    if (state.lastBatchTime > 0) {
        std::time_t when = state.lastBatchTime;
        std::tm local{};
        ::localtime_r(&when, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", state.lastBatchSeconds);
        lines.push_back("Last batch: " + std::string(stamp) + ", " + std::to_string(state.lastBatchFolders) +
                        " folders, " + std::to_string(state.lastBatchFiles) + " files changed, " + seconds +
                        " s (" + std::to_string(state.batches) + " batches so far)");
    } else {
        lines.push_back("Last batch: none yet");
    }
    if (!state.message.empty())
        lines.push_back("Notice: " + state.message);
    if (!state.error.empty())
        lines.push_back("Error: " + state.error);
    return lines;
}

} // namespace vedra::watch
