#include "app/PostOtlp.h"

#include "app/PostCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vireo {

namespace {

QJsonObject Attribute(const QString& key, const std::string& value)
{
    return {{QStringLiteral("key"), key},
            {QStringLiteral("value"), QJsonObject{{QStringLiteral("stringValue"), QString::fromStdString(value)}}}};
}

// The attributes that are set, so a receiver sees no empty group or ID.
QJsonArray RecordAttributes(const PostOptions& options)
{
    QJsonArray attributes;
    if (!options.MessageGroup.empty())
        attributes.append(Attribute(QStringLiteral("vireo.group"), options.MessageGroup));
    if (!options.MessageID.empty())
        attributes.append(Attribute(QStringLiteral("vireo.message_id"), options.MessageID));
    if (!options.UnitFileName.empty())
        attributes.append(Attribute(QStringLiteral("code.filepath"), options.UnitFileName));
    return attributes;
}

} // namespace

std::optional<QUrl> OtlpLogsUrl(const std::string& url)
{
    QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != QLatin1String("http") && parsed.scheme() != QLatin1String("https")) ||
        parsed.host().isEmpty())
        return std::nullopt;
    if (parsed.path().isEmpty() || parsed.path() == QLatin1String("/"))
        parsed.setPath(QStringLiteral("/v1/logs"));
    return parsed;
}

int OtlpSeverityOf(int32_t messageType)
{
    switch (messageType) {
    case 1: return 9;
    case 2: return 13;
    case 3: return 17;
    default: return 5;
    }
}

QByteArray OtlpJsonRequest(const PostOptions& options, const QString& computer, const std::vector<PostedLine>& lines)
{
    QJsonArray resourceAttributes{Attribute(QStringLiteral("host.name"), computer.toStdString())};
    if (!options.ClassName.empty())
        resourceAttributes.append(Attribute(QStringLiteral("service.name"), options.ClassName));
    const QJsonArray attributes = RecordAttributes(options);
    const int severity = OtlpSeverityOf(options.MessageType);
    QJsonArray records;
    for (const PostedLine& line : lines) {
        const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(line.At.time_since_epoch()).count();
        QJsonObject record{{QStringLiteral("timeUnixNano"), QString::number(nanos)},
                           {QStringLiteral("severityNumber"), severity},
                           {QStringLiteral("body"), QJsonObject{{QStringLiteral("stringValue"),
                                                                 QString::fromStdString(line.Text)}}}};
        if (!attributes.isEmpty())
            record.insert(QStringLiteral("attributes"), attributes);
        records.append(record);
    }
    const QJsonObject scopeLogs{{QStringLiteral("scope"), QJsonObject{{QStringLiteral("name"), QStringLiteral("vireo-post")}}},
                                {QStringLiteral("logRecords"), records}};
    const QJsonObject resourceLogs{
        {QStringLiteral("resource"), QJsonObject{{QStringLiteral("attributes"), resourceAttributes}}},
        {QStringLiteral("scopeLogs"), QJsonArray{scopeLogs}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("resourceLogs"), QJsonArray{resourceLogs}}})
        .toJson(QJsonDocument::Compact);
}

OtlpReplyKind OtlpReplyKindOf(int httpStatus)
{
    if (httpStatus >= 200 && httpStatus < 300)
        return OtlpReplyKind::Taken;
    if (httpStatus == 429 || httpStatus == 503)
        return OtlpReplyKind::RetryLater;
    return OtlpReplyKind::Refused;
}

std::pair<int64_t, QString> OtlpRejected(const QByteArray& body)
{
    const QJsonObject partial =
        QJsonDocument::fromJson(body).object().value(QStringLiteral("partialSuccess")).toObject();
    // proto3 JSON writes 64-bit numbers as strings, though some senders write numbers.
    const QJsonValue rejected = partial.value(QStringLiteral("rejectedLogRecords"));
    const int64_t count = rejected.isString() ? rejected.toString().toLongLong() : rejected.toInteger();
    return {count, partial.value(QStringLiteral("errorMessage")).toString()};
}

} // namespace vireo
