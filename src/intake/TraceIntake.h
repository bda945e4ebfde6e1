#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

namespace vireo {

// One posted message as the client sent it: AddTrace's eight arguments, in their order.
struct TraceArguments {
    QString ClassName;          // sending class; empty when none
    QString MessageStr;         // message text
    int32_t MessageType = 0;    // 0 general, 1 information, 2 warning, 3 error; others kept
    QString MessageGroup;       // group name; empty when none
    QString ComputerName;       // sending computer
    QString MessageID;          // token on the sending line
    QString UnitFileName;       // path of the sending unit
    double MessageDateTime = 0; // time stamp, an automation date

    friend bool operator==(const TraceArguments&, const TraceArguments&) = default;
};

// A message of a batch that the intake did not take.
struct TraceRefusal {
    std::size_t Position; // its index in the batch, from 0
    QString Reason;       // why it was not taken
};

// Where the automation object hands each posted message: the viewer's session.
class ITraceIntake {
public:
    virtual ~ITraceIntake() = default;

    // Takes one message, its arguments as the client sent them; throws when the intake fails.
    virtual void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                              const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                              const QString& UnitFileName, double MessageDateTime) = 0;

    // Takes a batch in order; a message that fails is refused alone and the rest are still taken.
    // Returns the refused ones. By default each message goes through ReceiveTrace.
    virtual std::vector<TraceRefusal> ReceiveTraces(const std::vector<TraceArguments>& traces)
    {
        std::vector<TraceRefusal> refused;
        for (std::size_t i = 0; i < traces.size(); ++i) {
            const TraceArguments& t = traces[i];
            try {
                ReceiveTrace(t.ClassName, t.MessageStr, t.MessageType, t.MessageGroup, t.ComputerName, t.MessageID,
                             t.UnitFileName, t.MessageDateTime);
            } catch (const std::exception& e) {
                refused.push_back({i, QString::fromUtf8(e.what())});
            } catch (...) {
                refused.push_back({i, QStringLiteral("Unexpected failure")});
            }
        }
        return refused;
    }

    // Whether the intake holds so much not yet stored that senders of batches should get their
    // answers later, once it has room again (a sender of one message is answered at once).
    virtual bool Crowded() const { return false; }
};

} // namespace vireo
