#include "viewer/session/TimeColumns.h"

#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TraceSession.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vireo {

namespace {

constexpr double kMillisecondsPerDay = 86'400'000.0;

} // namespace

double LinearDays(double automationDate)
{
    if (automationDate >= 0)
        return automationDate;
    const double day = std::ceil(automationDate);
    return day + (day - automationDate);
}

std::string SecondsBetween(double fromDate, double toDate)
{
    const long long ms = std::llround((LinearDays(toDate) - LinearDays(fromDate)) * kMillisecondsPerDay);
    const unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(ms));
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%03llu", ms < 0 ? "-" : "", magnitude / 1000, magnitude % 1000);
    return text;
}

TimeColumns::TimeColumns(const TraceSession& session, const MessageListing& listing, QObject* parent)
    : QObject(parent), session_(session), listing_(listing)
{
    connect(&session, &TraceSession::MessagesDropped, this, &TimeColumns::Dropped);
    connect(&session, &TraceSession::Cleared, this, &TimeColumns::Unmark);
}

void TimeColumns::SetMark(int storeIndex)
{
    mark_ = storeIndex;
    emit MarkChanged();
}

void TimeColumns::Dropped(int count)
{
    if (!mark_)
        return;
    if (*mark_ < count)
        Unmark();
    else
        *mark_ -= count;
}

void TimeColumns::Unmark()
{
    if (!mark_)
        return;
    mark_.reset();
    emit MarkChanged();
}

double TimeColumns::DateAt(int storeIndex) const
{
    return session_.Store().Items(storeIndex).MessageDateTime;
}

std::string TimeColumns::Delta(int storeIndex) const
{
    const int previous = listing_.PreviousListed(storeIndex);
    return previous < 0 ? std::string() : SecondsBetween(DateAt(previous), DateAt(storeIndex));
}

std::string TimeColumns::SinceMark(int storeIndex) const
{
    return mark_ ? SecondsBetween(DateAt(*mark_), DateAt(storeIndex)) : std::string();
}

std::string TimeColumns::Text(int storeIndex, int column) const
{
    return column == kDeltaColumn ? Delta(storeIndex) : SinceMark(storeIndex);
}

} // namespace vireo
