// The values of the workspace's BreakCode: the one stop request that every long
// loop tests between units of work. A strong type, so that no bare number can
// stand for a stop and no stop can be compared with one.
#pragma once

#include <cstdint>

namespace vedra::app {

enum class StopCode : std::int32_t {
    None = 0,           // go on
    Suspend = 1,        // the user confirmed "suspend" at Escape
    Break = 27,         // Break button, close while busy, a write error, an operation's stop condition
    Closing = 28,       // the window is closing and the settings are already saved
    QuitDeclined = -1,  // the user declined to quit after Escape; stops any running loop
};

} // namespace vedra::app
