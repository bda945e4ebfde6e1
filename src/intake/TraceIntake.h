#pragma once

#include <QString>

#include <cstdint>

namespace vireo {

// Where the automation object hands each posted message: the main window's intake.
class ITraceIntake {
public:
    virtual ~ITraceIntake() = default;

    // Takes one message, its arguments as the client sent them; throws when the intake fails.
    virtual void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                              const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                              const QString& UnitFileName, double MessageDateTime) = 0;
};

} // namespace vireo
