#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace vireo {

// The millisecond clock and the short pause behind the message IDs; tests put a fixed clock here.
class TickSource {
public:
    virtual ~TickSource() = default;
    // Milliseconds since the system started, as a signed 32-bit number.
    virtual std::int32_t TickCount() = 0;
    // Blocks for one millisecond, so that the next tick count has moved on.
    virtual void PauseOneMillisecond() = 0;
};

// The machine's own clock: CLOCK_BOOTTIME and a real sleep.
class SystemTickSource : public TickSource {
public:
    std::int32_t TickCount() override;
    void PauseOneMillisecond() override;
};

// Hands out the "UniqueStr_" IDs of inserted calls: the tick count, moved on past any value it
// already gave, so that IDs stay distinct even when the clock has not advanced.
class MessageIdSource {
public:
    // Reads ticks from the given clock, which must outlive this object.
    explicit MessageIdSource(TickSource& clock) : clock_(clock) {}
    // The next ID text, such as UniqueStr_5437890.
    std::string NextId();

private:
    TickSource& clock_;
    std::unordered_set<std::int64_t> used_;
    std::int64_t last_ = 0;
};

} // namespace vireo
