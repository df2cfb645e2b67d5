// One writer per archive: our own file ".vedra-writer.lock" in the archive folder,
// locked with flock(2) for as long as a run may write the archive. The lock dies
// with its holder's process, so a run that was killed never blocks the next one;
// the file itself is left in place and says nothing once unlocked. The archive's
// own files keep their bytes.
//
// The file's text, rewritten by every holder: its process number on the first
// line, its command line on the second, so that a refused writer can name it;
// "brief" on a third line from a holder that a writer should wait for.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vedra::archive {

inline constexpr std::string_view kWriterLockName = ".vedra-writer.lock";

class WriterLock {
public:
    enum class Outcome { Taken, Busy, Failed };

    WriterLock() = default;
    ~WriterLock() { release(); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Takes the lock of the file at `path`, creating it, and writes this process's
    // number and `command` into it. Busy when another open file description holds
    // it (another process, or another store of this one): holder() then names it.
    // Failed when the file cannot be made or locked.
    Outcome take(const std::string& path, std::string_view command);
    void release();
    // This process holds the lock for moments at a time (the live index's
    // batches): its file says so on a third line, "brief", and a writer refused
    // by such a holder waits for it instead (up to ten minutes). A brief holder
    // itself never waits: it tries again later, so two never wait on each other.
    static void setHoldsBriefly(bool brief);
    // Called every few milliseconds while waiting for a brief holder (a window
    // keeps answering); returning false gives up the wait, as a refusal.
    static void setWhileWaiting(std::function<bool()> step);
    bool held() const { return m_fd >= 0; }
    // "PID 1234, vedra index /home/me/docs" as the holder wrote it; "another
    // process" when it had not written yet.
    const std::string& holder() const { return m_holder; }

private:
    int m_fd = -1;
    std::string m_holder;
};

// This process's command line as a user typed it: the program's file name and its
// arguments, blank-separated, cut to a length a message can show.
std::string CurrentCommandLine();

} // namespace vedra::archive
