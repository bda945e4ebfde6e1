#include "examiner/TickSource.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <time.h>

namespace vireo {

std::int32_t SystemTickSource::TickCount()
{
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const std::int64_t ms = std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

void SystemTickSource::PauseOneMillisecond()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string MessageIdSource::NextId()
{
    std::int64_t tick = clock_.TickCount();
    // A clock that has not moved on continues after the last ID instead of walking past every one given.
    if (used_.contains(tick))
        tick = std::max(tick, last_ + 1);
    while (!used_.insert(tick).second)
        ++tick;
    last_ = tick;
    return "UniqueStr_" + std::to_string(tick);
}

} // namespace vireo
