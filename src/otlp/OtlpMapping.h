#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <vector>

namespace vireo {

class ITraceIntake;

// One OTLP log record turned into the eight fields of a trace message.
struct MappedTrace {
    QString ClassName;      // service.name of the resource, else the scope's name
    QString MessageStr;     // the body: a string as it is, any other value as JSON text
    int32_t MessageType = 0; // from the severity number (0 general, 1 information, 2 warning, 3 error)
    QString MessageGroup;   // attribute vireo.group
    QString ComputerName;   // resource attribute host.name
    QString MessageID;      // attribute vireo.message_id
    QString UnitFileName;   // attribute code.filepath (or code.file.path)
    double MessageDateTime = 0; // time_unix_nano, else observed time, else arrival, as an automation date

    friend bool operator==(const MappedTrace&, const MappedTrace&) = default;
};

// The message type of an OTLP severity number: 1-8 general, 9-12 information, 13-16 warning,
// 17-24 error; unspecified (0) and numbers outside the protocol's range are general.
int32_t MessageTypeForSeverity(int64_t severityNumber);

// The automation date (days since 1899-12-30 local time, the fraction the time of day) of a
// moment given in nanoseconds since the Unix epoch.
double AutomationDateFromUnixNanos(uint64_t unixNanos);

// The time a record is stamped with: its own time, else its observed time, else its arrival.
uint64_t RecordUnixNanos(uint64_t timeUnixNano, uint64_t observedTimeUnixNano, uint64_t arrivalUnixNanos);

// The message text of an attribute or body value: a string as it is, any other value as compact
// JSON text (bytes as a base64 string, an empty value as an empty text).
QString ValueText(const QJsonValue& value);

// The outcome of handing decoded records to an intake.
struct StoreOutcome {
    int64_t Rejected = 0; // records the intake refused
    QString FirstError;   // why the first of them was refused
};

// Hands every record to the intake in order; a record the intake throws on is counted, not
// retried, and the rest still go.
StoreOutcome StoreTraces(const std::vector<MappedTrace>& traces, ITraceIntake& intake);

} // namespace vireo
