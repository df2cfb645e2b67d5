// The counters of the crash-test hook; see FaultPoint.h.
#include "core/io/FaultPoint.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>

namespace vedra::io {
namespace {

std::uint64_t counterFromEnvironment(const char* name)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    return *end == '\0' ? value : 0;
}

const std::uint64_t g_killAtWrite = counterFromEnvironment("VEDRA_KILL_AT_WRITE");
const std::uint64_t g_killInClose = counterFromEnvironment("VEDRA_KILL_IN_CLOSE");
std::uint64_t g_writes = 0;
std::uint64_t g_closeWrites = 0;
bool g_inClose = false;

} // namespace

namespace detail {

bool g_faultPointsArmed = g_killAtWrite != 0 || g_killInClose != 0;

void countFaultPoint()
{
    ++g_writes;
    if (g_inClose)
        ++g_closeWrites;
    if ((g_killAtWrite != 0 && g_writes == g_killAtWrite) || (g_killInClose != 0 && g_closeWrites == g_killInClose))
        std::raise(SIGKILL);
}

} // namespace detail

void faultPointsEnterClose()
{
    g_inClose = true;
}

} // namespace vedra::io
