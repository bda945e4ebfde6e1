#pragma once

#include "intake/TimeStampText.h"
#include "intake/TraceInfo.h"
#include "viewer/session/MessageStore.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace vireo {

// Turns the arguments of one posted message into a numbered TTraceInfo at the end of the store.
class MessageIntake {
public:
    // Stores into store, formatting time stamps by the conventions the given source reports.
    MessageIntake(MessageStore& store, ITimeConventions& timeConventions);

    // Converts the texts to 8-bit text and the time stamp to its date and time texts, numbers the
    // message and appends it, returning its store index. A time stamp that cannot be formatted
    // throws TimeStampError before anything is stored or numbered.
    int Take(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                           const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                           const QString& UnitFileName, double MessageDateTime);

    // The same for texts already in UTF-8 (a message log being opened): the date and time texts
    // are formatted from fields.MessageDateTime, whatever fields.MessageDate and MessageTime hold.
    int Take(TraceFields fields);

private:
    MessageStore& store_;
    ITimeConventions& timeConventions_;
};

} // namespace vireo
