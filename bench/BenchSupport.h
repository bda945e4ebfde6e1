#pragma once

// Measuring helpers shared by the benchmark programs.

#include <chrono>
#include <ctime>
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

// Milliseconds of the calling thread's CPU time that work takes: unlike the wall clock, it leaves
// out the time other programs on a busy machine take the processor.
template <class Work>
double CpuMilliseconds(Work&& work)
{
    const auto now = [] {
        timespec at{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &at);
        return static_cast<double>(at.tv_sec) * 1e3 + static_cast<double>(at.tv_nsec) / 1e6;
    };
    const double start = now();
    work();
    return now() - start;
}

// The process's resident memory in bytes.
inline long ResidentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * 4096;
}

} // namespace vireo::bench
