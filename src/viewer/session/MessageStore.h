#pragma once

#include "intake/TextPool.h"
#include "intake/TraceInfo.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace vireo {

// The texts of one message as they arrive, before the store keeps and numbers them.
struct TraceFields {
    std::string_view ClassName;
    std::string_view MessageStr;
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
// with the counter of sequence numbers. Messages are kept compactly, with no allocation of their
// own: fixed records in blocks of a few thousand, their texts packed beside them and the
// repeating texts pooled. Appending costs the same however large the store is, and dropping the
// oldest frees whole blocks.
class MessageStore {
public:
    MessageStore();
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    // Stores a copy of a message at the end, numbered with NextSequenceNumber, which then rises
    // by one, and returns its index; throws std::overflow_error, storing nothing, once the
    // numbers are spent.
    int Append(const TraceFields& fields);

    // Number of stored messages.
    int Count() const { return count_; }

    // The message at an arrival index (0 .. Count() - 1); throws std::out_of_range outside.
    TTraceInfo Items(int index) const;

    // Index of the message with the given sequence number, or -1.
    int IndexOfSequence(int32_t sequenceNumber) const;

    // Frees the count oldest messages (at most Count()); the rest move to the front.
    void DropOldest(int count);

    // Bytes the stored messages take, their shared texts aside.
    std::int64_t Bytes() const { return bytes_; }
    // Bytes the message at an index takes, its shared texts aside.
    std::int64_t BytesAt(int index) const;

    // Frees every message and its pooled texts; numbering goes on where it was.
    void Clear();

    // Sequence number of the next message; only ever rises while the store lives.
    int32_t NextSequenceNumber = 0;

private:
    struct Record;
    struct Block;

    // The block holding the message at an index, and the message's slot in it.
    std::pair<const Block*, int> Locate(int index) const;

    std::vector<std::unique_ptr<Block>> blocks_; // a drop moves the pointers of those left: cheap
    int front_ = 0; // slot of message 0 in the first block
    int count_ = 0;
    int32_t firstSequence_ = 0; // numbers run on without gaps from message 0
    TextPool texts_;
    std::int64_t bytes_ = 0;
};

} // namespace vireo
