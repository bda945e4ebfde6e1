#pragma once

#include "components/ObjectList.h"
#include "intake/TextPool.h"
#include "intake/TraceInfo.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// The texts of one message as they arrive, before the store pools and numbers them.
struct TraceFields {
    std::string_view ClassName;
    std::string MessageStr;
    int32_t MessageType = 0;
    std::string_view MessageGroup;
    std::string_view ComputerName;
    std::string_view MessageID;
    std::string_view UnitFileName;
    std::string_view MessageDate;
    std::string_view MessageTime;
    double MessageDateTime = 0; // the time stamp the date and time texts were formatted from
};

// Every message received since the main window was created or last cleared, in arrival order,
// with the counter of sequence numbers. Appending costs the same however large the store is.
class MessageStore {
public:
    // Stores a message at the end, numbered with NextSequenceNumber, which then rises by one, and
    // returns its index; throws std::overflow_error, storing nothing, once the numbers are spent.
    int Append(TraceFields fields);

    // Number of stored messages.
    int Count() const { return messages_.Count(); }

    // The message at an arrival index (0 .. Count() - 1).
    const TTraceInfo& Items(int index) const { return messages_.Items(index); }

    // Index of the first message with the given sequence number, or -1.
    int IndexOfSequence(int32_t sequenceNumber) const;

    // Frees the count oldest messages (at most Count()); the rest move to the front.
    void DropOldest(int count);

    // Bytes the stored messages take, their shared texts aside.
    std::int64_t Bytes() const { return bytes_; }
    // Bytes a stored message takes, its shared texts aside.
    static std::int64_t BytesOf(const TTraceInfo& message);

    // Frees every message and its pooled texts; numbering goes on where it was.
    void Clear();

    // Sequence number of the next message; only ever rises while the store lives.
    int32_t NextSequenceNumber = 0;

private:
    TObjectList<TTraceInfo> messages_;
    TextPool texts_;
    std::int64_t bytes_ = 0;
};

} // namespace vireo
