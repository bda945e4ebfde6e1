#include "viewer/session/MessageStore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace vireo {

// One message as kept, in 48 bytes: its own text by place in its block, the repeating ones by
// pool number. No member initialisers, so a new block leaves its records (and their pages)
// untouched until written.
struct MessageStore::Record {
    double MessageDateTime;
    std::uint32_t Text; // where the text starts in its block's pieces (TextPieces::Place)
    std::uint32_t TextLength;
    TextPool::Id ClassName, MessageGroup, ComputerName, MessageID, UnitFileName, MessageDate, MessageTime;
    int32_t MessageType;
};

// The message texts of one block, packed into pieces; a long text has a piece of its own.
class TextPieces {
public:
    // Copies text in and returns its place.
    std::uint32_t Keep(std::string_view text)
    {
        if (text.empty())
            return 0;
        std::uint32_t place;
        if (text.size() > kOwnPiece) {
            place = Place(pieces_.size(), 0);
            pieces_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
        } else {
            if (kPiece - used_ < text.size()) {
                shared_ = pieces_.size();
                pieces_.push_back(std::make_unique_for_overwrite<char[]>(kPiece));
                used_ = 0;
            }
            place = Place(shared_, used_);
            used_ += text.size();
        }
        std::memcpy(At(place), text.data(), text.size());
        return place;
    }

    // The first byte at a place Keep gave.
    const char* At(std::uint32_t place) const { return pieces_[place >> kOffsetBits].get() + (place & kOffsetMask); }
    char* At(std::uint32_t place) { return pieces_[place >> kOffsetBits].get() + (place & kOffsetMask); }

private:
    static constexpr unsigned kOffsetBits = 14;
    static constexpr std::size_t kPiece = std::size_t{1} << kOffsetBits; // 16 KB
    static constexpr std::uint32_t kOffsetMask = kPiece - 1;
    static constexpr std::size_t kOwnPiece = kPiece / 4;

    // A place: the piece's number above the offset within it. A block of 4,096 messages needs at
    // most 4,096 own pieces and about 1,400 shared ones, well within the 18 bits left.
    static std::uint32_t Place(std::size_t piece, std::size_t offset)
    {
        return static_cast<std::uint32_t>(piece << kOffsetBits | offset);
    }

    std::vector<std::unique_ptr<char[]>> pieces_;
    std::size_t shared_ = 0; // the piece short texts go into
    std::size_t used_ = kPiece; // bytes taken in it; full until there is one
};

// A run of consecutive messages and the texts they own; dropped whole once its last message goes.
struct MessageStore::Block {
    static constexpr int kRecords = 4096;
    Record Records[kRecords];
    TextPieces Texts;
};

MessageStore::MessageStore() = default;
MessageStore::~MessageStore() = default;

int MessageStore::Append(const TraceFields& fields)
{
    // Numbers are never reused: once they are spent, messages are refused rather than wrapped.
    if (NextSequenceNumber == std::numeric_limits<int32_t>::max())
        throw std::overflow_error("No sequence numbers are left for new messages");
    if (fields.MessageStr.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("A message text over 4 GB cannot be stored");
    static_assert(sizeof(Record) == 48, "a message's record is its main cost");
    const int slot = front_ + count_;
    if (slot == static_cast<int>(blocks_.size()) * Block::kRecords)
        blocks_.push_back(std::unique_ptr<Block>(new Block)); // default-initialised: pages stay untouched
    Block& block = *blocks_[static_cast<std::size_t>(slot / Block::kRecords)];
    Record& record = block.Records[slot % Block::kRecords];
    record.MessageDateTime = fields.MessageDateTime;
    record.Text = block.Texts.Keep(fields.MessageStr);
    record.TextLength = static_cast<std::uint32_t>(fields.MessageStr.size());
    record.ClassName = texts_.Intern(fields.ClassName);
    record.MessageGroup = texts_.Intern(fields.MessageGroup);
    record.ComputerName = texts_.Intern(fields.ComputerName);
    record.MessageID = texts_.Intern(fields.MessageID);
    record.UnitFileName = texts_.Intern(fields.UnitFileName);
    record.MessageDate = texts_.Intern(fields.MessageDate);
    record.MessageTime = texts_.Intern(fields.MessageTime);
    record.MessageType = fields.MessageType;
    if (count_ == 0)
        firstSequence_ = NextSequenceNumber;
    ++NextSequenceNumber;
    bytes_ += sizeof(Record) + record.TextLength;
    return count_++;
}

std::pair<const MessageStore::Block*, int> MessageStore::Locate(int index) const
{
    if (index < 0 || index >= count_)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    const int slot = front_ + index;
    return {blocks_[static_cast<std::size_t>(slot / Block::kRecords)].get(), slot % Block::kRecords};
}

TTraceInfo MessageStore::Items(int index) const
{
    const auto [block, slot] = Locate(index);
    const Record& r = block->Records[slot];
    const auto pooled = [this](TextPool::Id id) { return texts_.Text(id); };
    // Every member named, so nothing is zeroed first: this is on every path that walks the store.
    return TTraceInfo{
        .ClassName = pooled(r.ClassName),
        .MessageStr = r.TextLength == 0 ? std::string_view() : std::string_view(block->Texts.At(r.Text), r.TextLength),
        .MessageType = r.MessageType,
        .MessageGroup = pooled(r.MessageGroup),
        .ComputerName = pooled(r.ComputerName),
        .MessageID = pooled(r.MessageID),
        .UnitFileName = pooled(r.UnitFileName),
        .MessageDate = pooled(r.MessageDate),
        .MessageTime = pooled(r.MessageTime),
        .MessageDateTime = r.MessageDateTime,
        .SequenceNumber = firstSequence_ + index,
    };
}

std::int64_t MessageStore::BytesAt(int index) const
{
    const auto [block, slot] = Locate(index);
    return static_cast<std::int64_t>(sizeof(Record)) + block->Records[slot].TextLength;
}

void MessageStore::DropOldest(int count)
{
    count = std::clamp(count, 0, count_);
    for (int i = 0; i < count; ++i)
        bytes_ -= BytesAt(i);
    front_ += count;
    count_ -= count;
    firstSequence_ += count;
    const int spent = front_ / Block::kRecords;
    blocks_.erase(blocks_.begin(), blocks_.begin() + spent);
    front_ -= spent * Block::kRecords;
}

int MessageStore::IndexOfSequence(int32_t sequenceNumber) const
{
    const std::int64_t index = std::int64_t{sequenceNumber} - firstSequence_;
    return index >= 0 && index < count_ ? static_cast<int>(index) : -1;
}

void MessageStore::Clear()
{
    blocks_.clear();
    front_ = 0;
    count_ = 0;
    texts_.Clear();
    bytes_ = 0;
}

} // namespace vireo
