// A test hook for crash tests, and only that: with VEDRA_KILL_AT_WRITE=N in the
// environment the process raises SIGKILL just before its N-th file write (a
// FileHandle write or truncation, or the rename of a whole-file replacement);
// with VEDRA_KILL_IN_CLOSE=N it counts from the start of an indexing archive's
// close instead. Unset, a write pays one test of a flag read once at start-up.
#pragma once

namespace vedra::io {

namespace detail {
extern bool g_faultPointsArmed;
void countFaultPoint();
} // namespace detail

// Called just before every write the hook counts.
inline void faultPoint()
{
    if (detail::g_faultPointsArmed) [[unlikely]]
        detail::countFaultPoint();
}

// The store calls this when its close begins; it starts VEDRA_KILL_IN_CLOSE's count.
void faultPointsEnterClose();

} // namespace vedra::io
