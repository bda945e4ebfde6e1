#pragma once

// The traffic the viewer's figures are taken with: a few dozen classes, units and IDs, five
// groups, one computer, a time that changes every second, and a message text of its own for
// each message.

#include "intake/TraceIntake.h"

namespace vireo::bench {

// Message i of the traffic, as a client posts it.
inline TraceArguments TypicalMessage(long long i)
{
    static const QString groups[] = {QString(), "mgRed", "mgBlue", "mgGreen", "mgYellow"};
    TraceArguments t;
    t.ClassName = QStringLiteral("TClass%1").arg(i % 40);
    t.MessageStr = QStringLiteral("Processing item %1 of batch %2").arg(i).arg(i / 100);
    t.MessageType = static_cast<int>(i % 4);
    t.MessageGroup = groups[i % 5];
    t.ComputerName = QStringLiteral("BUILD-PC");
    t.MessageID = QStringLiteral("UniqueStr_%1").arg(100000 + i % 400);
    t.UnitFileName = QStringLiteral("/home/dev/project/src/Unit%1.pas").arg(i % 40);
    t.MessageDateTime = 45000.5 + static_cast<double>(i) / 86400.0;
    return t;
}

// Posts message i of the traffic to an intake, as one AddTrace does.
inline void PostTypical(ITraceIntake& intake, long long i)
{
    const TraceArguments t = TypicalMessage(i);
    intake.ReceiveTrace(t.ClassName, t.MessageStr, t.MessageType, t.MessageGroup, t.ComputerName, t.MessageID,
                        t.UnitFileName, t.MessageDateTime);
}

} // namespace vireo::bench
