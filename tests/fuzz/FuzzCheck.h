// The fuzz targets' one assertion: a broken promise aborts, which libFuzzer and
// the replay runner both report with the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace vedra::fuzz {

inline void check(bool holds, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (holds)
        return;
    std::fprintf(stderr, "broken promise at %s:%d\n", file, line);
    std::abort();
}

} // namespace vedra::fuzz
