#include "viewer/session/MessageRate.h"

#include "viewer/session/MessageListing.h"
#include "viewer/session/TimeColumns.h"
#include "viewer/session/TraceSession.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace vireo {

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

// The quotient rounded down, so that the seconds before 1899-12-30 fall into buckets of their own.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// The bucket width after width: each divides the next, so coarsening merges whole buckets.
std::int64_t WiderThan(std::int64_t width)
{
    if (width < 60)
        return 60;
    if (width < 3'600)
        return 3'600;
    if (width < kSecondsPerDay)
        return kSecondsPerDay;
    return width * 2;
}

// The bucket width before width (width is wider than one second).
std::int64_t NarrowerThan(std::int64_t width)
{
    if (width <= 60)
        return 1;
    if (width <= 3'600)
        return 60;
    if (width <= kSecondsPerDay)
        return 3'600;
    return width / 2;
}

void Merge(int& count, int& first, int otherCount, int otherFirst)
{
    count += otherCount;
    if (otherFirst >= 0)
        first = first < 0 ? otherFirst : std::min(first, otherFirst);
}

QString DateTimeText(std::int64_t second, bool withDate)
{
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(second - FloorDiv(second, kSecondsPerDay) * kSecondsPerDay));
    const QString clock = time.toString(QStringLiteral("HH:mm:ss"));
    if (!withDate)
        return clock;
    return QDate(1899, 12, 30).addDays(FloorDiv(second, kSecondsPerDay)).toString(Qt::ISODate) + QLatin1Char(' ') + clock;
}

} // namespace

std::int64_t StampSecond(double automationDate)
{
    return FloorDiv(std::llround(LinearDays(automationDate) * kSecondsPerDay * 1000.0), 1000);
}

std::string RateBarText(const RateBar& bar)
{
    const std::int64_t end = bar.Start + bar.Seconds;
    const bool sameDay = FloorDiv(bar.Start, kSecondsPerDay) == FloorDiv(end, kSecondsPerDay);
    return QStringLiteral("%1 to %2: %3 %4")
        .arg(DateTimeText(bar.Start, true), DateTimeText(end, !sameDay))
        .arg(bar.Count)
        .arg(bar.Count == 1 ? QStringLiteral("message") : QStringLiteral("messages"))
        .toStdString();
}

MessageRate::MessageRate(const TraceSession& session, const MessageListing& listing, QObject* parent)
    : QObject(parent), session_(session), listing_(listing)
{
    connect(&listing, &MessageListing::RowsAppended, this, &MessageRate::AppendRows);
    connect(&listing, &MessageListing::RowsReplaced, this, [this] {
        if (!dropping_) // a drop's own relisting is followed by Dropped
            Rebuild();
    });
    connect(&session, &TraceSession::MessagesAboutToBeDropped, this, &MessageRate::TakeOutDropped);
    connect(&session, &TraceSession::MessagesDropped, this, &MessageRate::Dropped);
    Rebuild();
}

std::vector<RateBar> MessageRate::Bars(int maxBars) const
{
    std::vector<RateBar> bars;
    if (buckets_.empty() || maxBars <= 0)
        return bars;
    const std::size_t run = (buckets_.size() + static_cast<std::size_t>(maxBars) - 1) / static_cast<std::size_t>(maxBars);
    for (std::size_t at = 0; at < buckets_.size(); at += run) {
        const std::size_t end = std::min(at + run, buckets_.size());
        RateBar bar{(origin_ + static_cast<std::int64_t>(at)) * width_, static_cast<std::int64_t>(end - at) * width_};
        for (std::size_t i = at; i < end; ++i)
            Merge(bar.Count, bar.FirstStoreIndex, buckets_[i].Count, buckets_[i].First);
        bars.push_back(bar);
    }
    return bars;
}

void MessageRate::Rebuild()
{
    buckets_.clear();
    width_ = 1;
    counted_ = 0;
    AppendRows();
}

void MessageRate::AppendRows()
{
    // Appended rows come last in arrival order, whether or not the list is sorted.
    const std::vector<int>& rows = listing_.ArrivalRows();
    for (; counted_ < rows.size(); ++counted_)
        Add(rows[counted_]);
    emit Changed();
}

std::int64_t MessageRate::SecondOf(int storeIndex) const
{
    return StampSecond(session_.Store().Items(storeIndex).MessageDateTime);
}

void MessageRate::Add(int storeIndex)
{
    Bucket& bucket = BucketFor(SecondOf(storeIndex));
    if (bucket.Count++ == 0)
        bucket.First = storeIndex; // rows are counted in arrival order
}

MessageRate::Bucket& MessageRate::BucketFor(std::int64_t second)
{
    std::int64_t key = FloorDiv(second, width_);
    if (buckets_.empty()) {
        origin_ = key;
        return buckets_.emplace_back();
    }
    while (std::max(key, LastKey()) - std::min(key, origin_) >= kMaxBuckets) {
        Coarsen();
        key = FloorDiv(second, width_);
    }
    for (; key < origin_; --origin_)
        buckets_.emplace_front();
    while (key > LastKey())
        buckets_.emplace_back();
    return buckets_[static_cast<std::size_t>(key - origin_)];
}

MessageRate::Bucket& MessageRate::BucketOf(int storeIndex)
{
    return buckets_[static_cast<std::size_t>(FloorDiv(SecondOf(storeIndex), width_) - origin_)];
}

void MessageRate::Coarsen()
{
    const std::int64_t wider = WiderThan(width_);
    const std::int64_t widerOrigin = FloorDiv(origin_ * width_, wider);
    std::deque<Bucket> merged;
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        const auto at = static_cast<std::size_t>(FloorDiv((origin_ + static_cast<std::int64_t>(i)) * width_, wider) - widerOrigin);
        if (at == merged.size())
            merged.emplace_back();
        Merge(merged[at].Count, merged[at].First, buckets_[i].Count, buckets_[i].First);
    }
    buckets_ = std::move(merged);
    origin_ = widerOrigin;
    width_ = wider;
}

void MessageRate::TakeOutDropped(int count)
{
    // The dropped messages are the oldest, so their listed rows lead the arrival order; their
    // stamps can still be read.
    dropping_ = true;
    const std::vector<int>& rows = listing_.ArrivalRows();
    std::size_t gone = 0;
    for (; gone < rows.size() && rows[gone] < count; ++gone) {
        Bucket& bucket = BucketOf(rows[gone]);
        --bucket.Count;
        if (bucket.First == rows[gone])
            bucket.First = -1; // found again once the listing has renumbered its rows
    }
    counted_ -= gone;
}

void MessageRate::Dropped(int count)
{
    dropping_ = false;
    int lost = 0;
    for (Bucket& bucket : buckets_) {
        if (bucket.First >= 0)
            bucket.First -= count;
        else if (bucket.Count > 0)
            ++lost;
    }
    FindLostFirsts(lost);
    Trim();
    emit Changed();
}

void MessageRate::FindLostFirsts(int lost)
{
    // With rising stamps only the bucket at the drop's edge lost its first, whose successor is
    // then the first row kept.
    for (const int index : listing_.ArrivalRows()) {
        if (lost == 0)
            return;
        if (Bucket& bucket = BucketOf(index); bucket.First < 0) {
            bucket.First = index;
            --lost;
        }
    }
}

void MessageRate::Trim()
{
    for (; !buckets_.empty() && buckets_.front().Count == 0; ++origin_)
        buckets_.pop_front();
    while (!buckets_.empty() && buckets_.back().Count == 0)
        buckets_.pop_back();
    // What is left may fit finer buckets again; a rebuild finds the finest that fits.
    const auto span = static_cast<std::int64_t>(buckets_.size()) * width_;
    if (width_ > 1 && span / NarrowerThan(width_) + 1 <= kMaxBuckets)
        Rebuild();
}

} // namespace vireo
