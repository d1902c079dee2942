#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

// Timing and memory readings shared by the benchmarks.
namespace bench {

inline double msSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// A "key: value kB" line of /proc/self/status (VmRSS, VmHWM), -1 when missing.
inline long statusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string k = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(k, 0) == 0)
            return std::atol(line.c_str() + k.size());
    return -1;
}

} // namespace bench
