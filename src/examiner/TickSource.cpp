#include "examiner/TickSource.h"

#include <charconv>
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

void MessageIdSource::NoteUsedIds(const std::vector<std::string>& lines)
{
    constexpr std::string_view prefix = "UniqueStr_";
    for (const auto& line : lines) {
        for (auto at = line.find(prefix); at != std::string::npos; at = line.find(prefix, at + 1)) {
            const char* first = line.data() + at + prefix.size();
            std::int64_t tick = 0;
            if (std::from_chars(first, line.data() + line.size(), tick).ec == std::errc())
                used_.insert(tick);
        }
    }
}

std::string MessageIdSource::NextId()
{
    std::int64_t tick = clock_.TickCount();
    // Past the last ID given, so that a clock standing still costs one step per call.
    if (lastGiven_ && tick <= *lastGiven_)
        tick = *lastGiven_ + 1;
    while (!used_.insert(tick).second)
        ++tick;
    lastGiven_ = tick;
    return "UniqueStr_" + std::to_string(tick);
}

} // namespace vireo
