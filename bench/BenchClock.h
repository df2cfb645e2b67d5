// The clock and the percentile of the benchmark programs that report their own
// figures rather than Google Benchmark's.
#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

namespace vedra::bench {

inline double nowMicros()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// The sample below which `fraction` of the sorted samples lie (nearest rank).
inline double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    std::size_t rank = static_cast<std::size_t>(fraction * static_cast<double>(samples.size()) + 0.999999);
    return samples[std::min(samples.size(), std::max<std::size_t>(rank, 1)) - 1];
}

} // namespace vedra::bench
