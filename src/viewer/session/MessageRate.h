#pragma once

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vireo {

class MessageListing;
class TraceSession;

// A span of time on the message-rate strip and the listed messages stamped within it.
struct RateBar {
    std::int64_t Start = 0;   // its first second, counted from 1899-12-30 00:00 (the stamps' clock)
    std::int64_t Seconds = 0; // how many seconds it spans
    int Count = 0;            // listed messages stamped within it
    int FirstStoreIndex = -1; // store index of the earliest arrival among them; -1 when none

    bool operator==(const RateBar&) const = default;
};

// The second, counted from 1899-12-30 00:00, an automation date falls in (rounded to the
// millisecond first, as the time columns round).
std::int64_t StampSecond(double automationDate);

// What a bar spans and counts: "2003-01-01 12:00:05 to 12:00:06: 3 messages".
std::string RateBarText(const RateBar& bar);

// How many listed messages were stamped in each second, or in each minute, hour, day or more
// days when one-second buckets would not fit in kMaxBuckets: the histogram of the message-rate
// strip. It follows the listing: an appended row costs O(1) (a span that outgrows the buckets
// regroups them, which only the bounded bucket count limits), a relisting rebuilds in one pass,
// and rows dropped by the history limit are taken out. Stamps need not rise with arrival
// (clients on other computers): each message counts where its stamp falls, and the span grows
// either way.
class MessageRate : public QObject {
    Q_OBJECT
public:
    // The most buckets held, whatever the span: a wider span coarsens the bucket width.
    static constexpr int kMaxBuckets = 3600;

    // Follows the listing of the session's messages; it must be created after the listing, so that
    // it reads the listing's rows before and after the listing follows a drop.
    MessageRate(const TraceSession& session, const MessageListing& listing, QObject* parent = nullptr);

    // Seconds one bucket spans: 1, 60, 3600, 86400 or 86400 times a power of two.
    std::int64_t BucketSeconds() const { return width_; }
    // Buckets from the earliest stamp's to the latest's, empty ones between included.
    int BucketCount() const { return static_cast<int>(buckets_.size()); }
    // The buckets, earliest first, merged into runs of equal length (the last may be shorter) so
    // that at most maxBars remain.
    std::vector<RateBar> Bars(int maxBars) const;

signals:
    // The counts changed (rows appended, relisted or dropped).
    void Changed();

private:
    struct Bucket {
        int Count = 0;
        int First = -1; // store index of the earliest arrival counted here
    };

    void Rebuild();
    void AppendRows();
    void Add(int storeIndex);
    Bucket& BucketFor(std::int64_t second);
    Bucket& BucketOf(int storeIndex);
    void Coarsen();
    void TakeOutDropped(int count);
    void Dropped(int count);
    void FindLostFirsts(int lost);
    void Trim();
    std::int64_t SecondOf(int storeIndex) const;
    std::int64_t LastKey() const { return origin_ + static_cast<std::int64_t>(buckets_.size()) - 1; }

    const TraceSession& session_;
    const MessageListing& listing_;
    std::int64_t width_ = 1;
    std::int64_t origin_ = 0; // bucket number (second / width) of buckets_.front()
    std::deque<Bucket> buckets_;
    std::size_t counted_ = 0; // leading rows of the listing's arrival order counted
    bool dropping_ = false;   // between a drop's two signals, when the listing relists its rows
};

} // namespace vireo
