// Whether a process this test does not wait for has ended.
#pragma once

#include "support/TempFolder.h"

#include <chrono>
#include <string>
#include <thread>

#include <sys/types.h>

namespace vedra::testing {

// True once `pid` has ended (gone, or a zombie waiting for its parent). Polls with
// a generous bound: the process is not ours to wait for.
inline bool processEnds(pid_t pid)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
        std::size_t close = stat.rfind(')');
        if (stat.empty() || close == std::string::npos || stat.substr(close + 2, 1) == "Z")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace vedra::testing
