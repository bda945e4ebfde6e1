#pragma once

#include "intake/TextPool.h"

#include <cstdint>
#include <string_view>

namespace vireo {

// One received trace message, as read from the store: a handful of pointers, valid until the
// message is dropped or the store cleared. The texts that repeat from message to message (class,
// group, computer, ID, unit, date, time) are pooled by the store.
class TTraceInfo {
public:
    PooledText ClassName;        // sending class; empty when none
    std::string_view MessageStr; // message text, where the store keeps it
    int32_t MessageType = 0;     // 0 general, 1 information, 2 warning, 3 error; others kept as sent
    PooledText MessageGroup;     // group name; empty when none
    PooledText ComputerName;     // sending computer, as sent
    PooledText MessageID;        // token that stands on the sending line of the unit
    PooledText UnitFileName;     // path of the sending unit
    PooledText MessageDate;      // date text of the time stamp, formatted on arrival
    PooledText MessageTime;      // time text of the time stamp, formatted on arrival
    double MessageDateTime = 0;  // the time stamp as sent (an automation date), at full precision
    int32_t SequenceNumber = 0;  // arrival number within the run of the main window
};

} // namespace vireo
