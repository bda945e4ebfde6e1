#pragma once

// Measuring helpers shared by the benchmark programs.

#include <chrono>
#include <fstream>

namespace vireo::bench {

// Wall-clock milliseconds that work takes.
template <class Work>
double Milliseconds(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The process's resident memory in bytes.
inline long ResidentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * 4096;
}

} // namespace vireo::bench
