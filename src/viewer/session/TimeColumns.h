#pragma once

#include <QObject>

#include <optional>
#include <string>

namespace vireo {

class MessageListing;
class TraceSession;

// Days since 1899-12-30 on one line: an automation date before it counts its days back but its
// time of day forward (-1.25 is 29 December, 06:00, i.e. -0.75).
double LinearDays(double automationDate);

// Seconds from one automation date to another, rounded to milliseconds ("0.125", "-3.000" when
// the second is earlier, "12.500").
std::string SecondsBetween(double fromDate, double toDate);

// The message list's two time columns: "Delta", the seconds since the previous listed message in
// arrival order (whatever the list is sorted by), and "Since Mark", the seconds since the message
// the user marked. The mark follows its message as the oldest are dropped, and goes with it.
class TimeColumns : public QObject {
    Q_OBJECT
public:
    // The columns over the session's messages as the listing lists them; no mark at first.
    TimeColumns(const TraceSession& session, const MessageListing& listing, QObject* parent = nullptr);

    // Marks the message at a store index.
    void SetMark(int storeIndex);
    // The store index of the marked message, if one is marked.
    std::optional<int> Mark() const { return mark_; }

    // Delta of the message at a store index; empty for the first listed message. O(log n).
    std::string Delta(int storeIndex) const;
    // Seconds from the marked message to the one at a store index; empty without a mark.
    std::string SinceMark(int storeIndex) const;
    // The text of column kDeltaColumn or kSinceMarkColumn for the message at a store index.
    std::string Text(int storeIndex, int column) const;

signals:
    // The mark was set, or went with its message.
    void MarkChanged();

private:
    void Dropped(int count);
    void Unmark();
    double DateAt(int storeIndex) const;

    const TraceSession& session_;
    const MessageListing& listing_;
    std::optional<int> mark_;
};

} // namespace vireo
