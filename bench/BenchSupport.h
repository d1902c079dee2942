#pragma once

#include "odbc/OdbcLib.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// Timing and memory readings shared by the benchmarks.
namespace bench {

// The program's block fetch with every value copied out, as a bare client loop keeps its rows.
inline std::int16_t fetchBlockRowCopy(OdbcLib& lib, std::vector<std::string>& values)
{
    static std::vector<std::string_view> views;
    const std::int16_t code = lib.OdbcFetchBlockRowView(views);
    if (code == 0)
        values.assign(views.begin(), views.end());
    return code;
}

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
