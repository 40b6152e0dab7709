#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

// What the benchmarks share: percentiles of timings, the clock, and the process's memory.

// The value below which a fraction of the values lie (0.5: the median, 1: the largest); 0 for none.
inline double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
    {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

inline double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1000.0;
}

// A line of /proc/self/status in megabytes: "VmRSS:" now, "VmHWM:" at its peak.
inline double residentMegabytes(const char* field = "VmRSS:")
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind(field, 0) == 0)
        {
            return atof(line.c_str() + strlen(field)) / 1024.0;
        }
    }
    return 0.0;
}
