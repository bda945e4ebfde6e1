#include "viewer/session/MessageStore.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <memory>

namespace vireo {

int MessageStore::Append(TraceFields fields)
{
    // Numbers are never reused: once they are spent, messages are refused rather than wrapped.
    if (NextSequenceNumber == std::numeric_limits<int32_t>::max())
        throw std::overflow_error("No sequence numbers are left for new messages");
    auto message = std::make_unique<TTraceInfo>();
    message->ClassName = texts_.Intern(fields.ClassName);
    message->MessageStr = std::move(fields.MessageStr);
    message->MessageType = fields.MessageType;
    message->MessageGroup = texts_.Intern(fields.MessageGroup);
    message->ComputerName = texts_.Intern(fields.ComputerName);
    message->MessageID = texts_.Intern(fields.MessageID);
    message->UnitFileName = texts_.Intern(fields.UnitFileName);
    message->MessageDate = texts_.Intern(fields.MessageDate);
    message->MessageTime = texts_.Intern(fields.MessageTime);
    message->MessageDateTime = fields.MessageDateTime;
    message->SequenceNumber = NextSequenceNumber++;
    bytes_ += BytesOf(*message);
    return messages_.Add(std::move(message));
}

std::int64_t MessageStore::BytesOf(const TTraceInfo& message)
{
    // The record, its allocation's bookkeeping and the list's pointer, and a text too long to be
    // held inside its string.
    constexpr std::int64_t kRecord = sizeof(TTraceInfo) + 16 + sizeof(void*);
    const std::size_t text = message.MessageStr.size();
    return kRecord + (text >= sizeof(std::string) ? static_cast<std::int64_t>(text) + 1 : 0);
}

void MessageStore::DropOldest(int count)
{
    count = std::clamp(count, 0, Count());
    for (int i = 0; i < count; ++i)
        bytes_ -= BytesOf(Items(i));
    messages_.DeleteFirst(count);
}

int MessageStore::IndexOfSequence(int32_t sequenceNumber) const
{
    // Sequence numbers rise with arrival order, so the first match is found by bisection.
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (Items(mid).SequenceNumber < sequenceNumber)
            lo = mid + 1;
        else
            hi = mid;
    }
    return (lo < Count() && Items(lo).SequenceNumber == sequenceNumber) ? lo : -1;
}

void MessageStore::Clear()
{
    messages_.Clear();
    texts_.Clear();
    bytes_ = 0;
}

} // namespace vireo
