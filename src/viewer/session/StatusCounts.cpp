#include "viewer/session/StatusCounts.h"

#include <cmath>

namespace vireo {

namespace {

// A count with thousands separated by commas, as the status bar shows it whatever the locale.
std::string Grouped(std::int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return value < 0 ? "-" + digits : digits;
}

} // namespace

void RateMeter::Sample(std::int64_t total, std::int64_t nowMs)
{
    points_.push_back({total, nowMs});
    while (points_.size() > 2 && nowMs - points_[1].ms >= kWindowMs)
        points_.pop_front();
}

double RateMeter::PerSecond() const
{
    if (points_.size() < 2)
        return 0;
    const Point& first = points_.front();
    const Point& last = points_.back();
    const std::int64_t ms = last.ms - first.ms;
    return ms > 0 ? 1000.0 * static_cast<double>(last.total - first.total) / static_cast<double>(ms) : 0;
}

std::string StatusCountsText(std::int64_t stored, std::int64_t listed, double perSecond, std::int64_t dropped)
{
    std::string text = Grouped(stored) + " stored, " + Grouped(listed) + " listed, "
        + Grouped(std::llround(perSecond)) + " messages/s";
    if (dropped > 0)
        text += ", " + Grouped(dropped) + " older dropped";
    return text;
}

} // namespace vireo
