#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace vireo {

// The arrival rate over the last seconds, from samples of the running count of messages taken
// in: the intake only counts, and whoever shows the rate samples it now and then.
class RateMeter {
public:
    // How far back the rate looks.
    static constexpr std::int64_t kWindowMs = 5000;

    // Notes the running total at a moment (milliseconds on a steady clock).
    void Sample(std::int64_t total, std::int64_t nowMs);
    // Messages per second over the samples of the last kWindowMs; 0 before two samples.
    double PerSecond() const;

private:
    struct Point {
        std::int64_t total;
        std::int64_t ms;
    };
    std::deque<Point> points_;
};

// The status bar's counts: "1,234 stored, 1,000 listed, 120 messages/s", and ", 5,000 older
// dropped" when the history limit dropped some since the last clear.
std::string StatusCountsText(std::int64_t stored, std::int64_t listed, double perSecond, std::int64_t dropped);

} // namespace vireo
