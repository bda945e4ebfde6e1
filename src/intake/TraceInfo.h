#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// A text held by the message store, seen in place: copying it copies a view. Compares like a
// string; stays valid until its message is dropped or the store cleared.
class StoredText {
public:
    StoredText() = default;
    explicit StoredText(std::string_view text) : text_(text) {}

    std::string_view view() const { return text_; }
    operator std::string_view() const { return text_; }
    std::string str() const { return std::string(text_); }
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }
    const char* data() const { return text_.data(); }

    friend bool operator==(StoredText a, std::string_view b) { return a.text_ == b; }

private:
    std::string_view text_;
};

// One received trace message, as read from the store. The texts that repeat from message to
// message (class, group, computer, ID, unit, date, time) are held once by the store; the same
// text always has the same place, so its address tells it apart.
class TTraceInfo {
public:
    StoredText ClassName;     // sending class; empty when none
    StoredText MessageStr;    // message text
    int32_t MessageType = 0;  // 0 general, 1 information, 2 warning, 3 error; others kept as sent
    StoredText MessageGroup;  // group name; empty when none
    StoredText ComputerName;  // sending computer, as sent
    StoredText MessageID;     // token that stands on the sending line of the unit
    StoredText UnitFileName;  // path of the sending unit
    StoredText MessageDate;   // date text of the time stamp, formatted on arrival
    StoredText MessageTime;   // time text of the time stamp, formatted on arrival
    double MessageDateTime = 0; // the time stamp as sent (an automation date), at full precision
    int32_t SequenceNumber = 0; // arrival number within the run of the main window
};

} // namespace vireo
