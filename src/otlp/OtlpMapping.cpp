#include "otlp/OtlpMapping.h"

#include "intake/TraceIntake.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <ctime>
#include <exception>

namespace vireo {

int32_t MessageTypeForSeverity(int64_t severityNumber)
{
    if (severityNumber >= 17 && severityNumber <= 24)
        return 3;
    if (severityNumber >= 13)
        return severityNumber <= 16 ? 2 : 0;
    if (severityNumber >= 9)
        return 1;
    return 0;
}

double AutomationDateFromUnixNanos(uint64_t unixNanos)
{
    using namespace std::chrono;
    const auto seconds = static_cast<std::time_t>(unixNanos / 1'000'000'000u);
    const auto nanosOfSecond = static_cast<double>(unixNanos % 1'000'000'000u);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const sys_days date{year_month_day{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                                       day{static_cast<unsigned>(local.tm_mday)}}};
    const sys_days epoch{year{1899} / December / 30};
    const double secondOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + nanosOfSecond / 1e9;
    return static_cast<double>((date - epoch).count()) + secondOfDay / 86'400.0;
}

uint64_t RecordUnixNanos(uint64_t timeUnixNano, uint64_t observedTimeUnixNano, uint64_t arrivalUnixNanos)
{
    if (timeUnixNano != 0)
        return timeUnixNano;
    return observedTimeUnixNano != 0 ? observedTimeUnixNano : arrivalUnixNanos;
}

QString ValueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        const qint64 whole = value.toInteger(INT64_MIN);
        if (whole != INT64_MIN)
            return QString::number(whole);
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

StoreOutcome StoreTraces(const std::vector<MappedTrace>& traces, ITraceIntake& intake)
{
    const std::vector<TraceRefusal> refused = intake.ReceiveTraces(traces);
    StoreOutcome outcome;
    outcome.Rejected = static_cast<int64_t>(refused.size());
    if (!refused.empty())
        outcome.FirstError = refused.front().Reason;
    return outcome;
}

} // namespace vireo
