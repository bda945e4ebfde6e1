#pragma once

#include "intake/TraceIntake.h"

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <vector>

namespace vireo {

// One record as the intake takes it, mapped from OTLP: the class is the resource's service.name,
// else the scope's name; the text the body (a string as it is, any other value as JSON text); the
// type from the severity number; group, message ID and unit path the attributes vireo.group,
// vireo.message_id and code.filepath (or code.file.path); the computer the resource's host.name;
// the time stamp time_unix_nano, else the observed time, else the arrival, as an automation date.
using MappedTrace = TraceArguments;

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

// Hands the records to the intake as one batch, in order; a record the intake refuses is counted,
// not retried, and the rest still go.
StoreOutcome StoreTraces(const std::vector<MappedTrace>& traces, ITraceIntake& intake);

} // namespace vireo
