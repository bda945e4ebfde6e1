#include "otlp/OtlpDecode.h"

#include "otlp_logs.pb.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <zlib.h>

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

namespace vireo {

namespace {

// The resource's and scope's contribution to every record below them.
struct RecordContext {
    QString ClassName;
    QString ComputerName;
};

// The record attributes the mapping reads, as texts.
struct RecordAttributes {
    QString Group;
    QString MessageId;
    QString UnitPath;
    bool HasUnitPath = false; // code.filepath wins over the newer code.file.path
};

bool KeyIs(const std::string& key, std::string_view name)
{
    return key == name;
}

bool KeyIs(const QString& key, std::string_view name)
{
    return key == QLatin1String(name.data(), static_cast<qsizetype>(name.size()));
}

template <typename Key, typename TextOf>
void TakeRecordAttribute(RecordAttributes& into, const Key& key, const TextOf& textOf)
{
    if (KeyIs(key, "vireo.group"))
        into.Group = textOf();
    else if (KeyIs(key, "vireo.message_id"))
        into.MessageId = textOf();
    else if (KeyIs(key, "code.filepath")) {
        into.UnitPath = textOf();
        into.HasUnitPath = true;
    } else if (KeyIs(key, "code.file.path") && !into.HasUnitPath)
        into.UnitPath = textOf();
}

MappedTrace Mapped(const RecordContext& context, const RecordAttributes& attributes, QString text,
                   int64_t severity, uint64_t unixNanos)
{
    MappedTrace trace;
    trace.ClassName = context.ClassName;
    trace.MessageStr = std::move(text);
    trace.MessageType = MessageTypeForSeverity(severity);
    trace.MessageGroup = attributes.Group;
    trace.ComputerName = context.ComputerName;
    trace.MessageID = attributes.MessageId;
    trace.UnitFileName = attributes.UnitPath;
    trace.MessageDateTime = AutomationDateFromUnixNanos(unixNanos);
    return trace;
}

// --- protobuf -------------------------------------------------------------------------------

QString Text(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QJsonValue PlainValue(const otlp::AnyValue& value)
{
    switch (value.value_case()) {
    case otlp::AnyValue::kStringValue:
        return Text(value.string_value());
    case otlp::AnyValue::kBoolValue:
        return value.bool_value();
    case otlp::AnyValue::kIntValue:
        return static_cast<qint64>(value.int_value());
    case otlp::AnyValue::kDoubleValue:
        return value.double_value();
    case otlp::AnyValue::kArrayValue: {
        QJsonArray array;
        for (const otlp::AnyValue& item : value.array_value().values())
            array.append(PlainValue(item));
        return array;
    }
    case otlp::AnyValue::kKvlistValue: {
        QJsonObject object;
        for (const otlp::KeyValue& item : value.kvlist_value().values())
            object.insert(Text(item.key()), PlainValue(item.value()));
        return object;
    }
    case otlp::AnyValue::kBytesValue: {
        const std::string& bytes = value.bytes_value();
        return QString::fromLatin1(
            QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64());
    }
    case otlp::AnyValue::VALUE_NOT_SET:
        break;
    }
    return {};
}

QString ValueTextOf(const otlp::AnyValue& value)
{
    return value.has_string_value() ? Text(value.string_value()) : ValueText(PlainValue(value));
}

// --- JSON ------------------------------------------------------------------------------------

// A fault in a JSON body, with where it was found.
struct JsonFault {
    QString Reason;
};

// A field under its lowerCamelCase name or the name the message declares.
QJsonValue Field(const QJsonObject& object, QLatin1String camel, QLatin1String declared)
{
    auto it = object.constFind(camel);
    if (it == object.constEnd())
        it = object.constFind(declared);
    return it == object.constEnd() ? QJsonValue(QJsonValue::Undefined) : *it;
}

QJsonObject ObjectOf(const QJsonValue& value, const char* what)
{
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isObject())
        throw JsonFault{QStringLiteral("%1: expected an object").arg(QLatin1String(what))};
    return value.toObject();
}

QJsonArray ArrayOf(const QJsonValue& value, const char* what)
{
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        throw JsonFault{QStringLiteral("%1: expected an array").arg(QLatin1String(what))};
    return value.toArray();
}

QString StringOf(const QJsonValue& value, const char* what)
{
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isString())
        throw JsonFault{QStringLiteral("%1: expected a string").arg(QLatin1String(what))};
    return value.toString();
}

// A 64-bit integer written as a JSON number or, as the protocol writes them, a decimal string.
int64_t IntegerOf(const QJsonValue& value, const char* what, bool isUnsigned)
{
    if (value.isUndefined() || value.isNull())
        return 0;
    bool ok = false;
    int64_t result = 0;
    if (value.isString()) {
        const QString text = value.toString();
        result = isUnsigned ? static_cast<int64_t>(text.toULongLong(&ok)) : text.toLongLong(&ok);
    } else if (value.isDouble()) {
        const qint64 whole = value.toInteger(INT64_MIN);
        const double d = value.toDouble();
        if (whole != INT64_MIN) {
            result = whole;
            ok = true;
        } else if (isUnsigned && d >= 0 && d < 18446744073709551616.0 && d == std::floor(d)) {
            result = static_cast<int64_t>(static_cast<uint64_t>(d));
            ok = true;
        }
        ok = ok && (!isUnsigned || d >= 0);
    }
    if (!ok)
        throw JsonFault{QStringLiteral("%1: expected an integer").arg(QLatin1String(what))};
    return result;
}

// The protocol's severity names, SEVERITY_NUMBER_TRACE (1) to SEVERITY_NUMBER_FATAL4 (24).
int64_t SeverityOf(const QJsonValue& value)
{
    if (!value.isString() || !value.toString().startsWith(QLatin1String("SEVERITY_NUMBER_")))
        return IntegerOf(value, "severityNumber", false);
    static constexpr std::array<std::string_view, 6> kLevels{"TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
    const QString name = value.toString().mid(16);
    if (name == QLatin1String("UNSPECIFIED"))
        return 0;
    for (size_t level = 0; level < kLevels.size(); ++level) {
        const QLatin1String base(kLevels[level].data(), static_cast<qsizetype>(kLevels[level].size()));
        if (!name.startsWith(base))
            continue;
        const QStringView rest = QStringView(name).mid(base.size());
        if (rest.isEmpty())
            return static_cast<int64_t>(level * 4 + 1);
        if (rest.size() == 1 && rest[0] >= u'2' && rest[0] <= u'4')
            return static_cast<int64_t>(level * 4 + 1 + (rest[0].unicode() - u'1'));
    }
    throw JsonFault{QStringLiteral("severityNumber: unknown name %1").arg(value.toString())};
}

QJsonValue PlainValue(const QJsonValue& anyValue, int depth);

QJsonArray PlainValues(const QJsonValue& list, const char* what, int depth)
{
    QJsonArray plain;
    for (const QJsonValue& item : ArrayOf(Field(ObjectOf(list, what), QLatin1String("values"), QLatin1String("values")),
                                          "values"))
        plain.append(PlainValue(item, depth + 1));
    return plain;
}

// An AnyValue in the protocol's JSON form ({"stringValue": …}, {"kvlistValue": {"values": …}}, …)
// as the plain JSON value it stands for.
QJsonValue PlainValue(const QJsonValue& anyValue, int depth)
{
    if (depth > 100)
        throw JsonFault{QStringLiteral("value nested too deeply")};
    const QJsonObject object = ObjectOf(anyValue, "value");
    if (object.isEmpty())
        return {};
    const QString kind = object.constBegin().key();
    const QJsonValue inner = object.constBegin().value();
    if (kind == QLatin1String("stringValue") || kind == QLatin1String("string_value"))
        return StringOf(inner, "stringValue");
    if (kind == QLatin1String("boolValue") || kind == QLatin1String("bool_value")) {
        if (!inner.isBool())
            throw JsonFault{QStringLiteral("boolValue: expected true or false")};
        return inner;
    }
    if (kind == QLatin1String("intValue") || kind == QLatin1String("int_value"))
        return static_cast<qint64>(IntegerOf(inner, "intValue", false));
    if (kind == QLatin1String("doubleValue") || kind == QLatin1String("double_value")) {
        if (inner.isDouble())
            return inner;
        if (inner.isString()) // the protocol writes NaN and the infinities as strings
            return inner;
        throw JsonFault{QStringLiteral("doubleValue: expected a number")};
    }
    if (kind == QLatin1String("bytesValue") || kind == QLatin1String("bytes_value"))
        return StringOf(inner, "bytesValue");
    if (kind == QLatin1String("arrayValue") || kind == QLatin1String("array_value"))
        return PlainValues(inner, "arrayValue", depth);
    if (kind == QLatin1String("kvlistValue") || kind == QLatin1String("kvlist_value")) {
        QJsonObject plain;
        for (const QJsonValue& item : ArrayOf(Field(ObjectOf(inner, "kvlistValue"), QLatin1String("values"),
                                                    QLatin1String("values")), "values")) {
            const QJsonObject pair = ObjectOf(item, "kvlistValue");
            plain.insert(StringOf(pair.value(QLatin1String("key")), "key"),
                         PlainValue(pair.value(QLatin1String("value")), depth + 1));
        }
        return plain;
    }
    throw JsonFault{QStringLiteral("value: unknown kind %1").arg(kind)};
}

QString JsonValueText(const QJsonValue& anyValue)
{
    return ValueText(PlainValue(anyValue, 0));
}

// Calls take(key, textOf) for each attribute of a JSON attribute list.
template <typename Take>
void ForEachJsonAttribute(const QJsonValue& attributes, const Take& take)
{
    for (const QJsonValue& item : ArrayOf(attributes, "attributes")) {
        const QJsonObject pair = ObjectOf(item, "attributes");
        const QString key = StringOf(pair.value(QLatin1String("key")), "key");
        const QJsonValue value = pair.value(QLatin1String("value"));
        take(key, [&] { return JsonValueText(value); });
    }
}

} // namespace

std::optional<OtlpEncoding> EncodingOfContentType(QByteArrayView contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    const QByteArray type = (semicolon < 0 ? contentType : contentType.first(semicolon)).toByteArray().trimmed().toLower();
    if (type == "application/x-protobuf" || type == "application/protobuf")
        return OtlpEncoding::Protobuf;
    if (type == "application/json")
        return OtlpEncoding::Json;
    return std::nullopt;
}

DecodedLogs DecodeProtobufLogs(QByteArrayView body, uint64_t arrivalUnixNanos)
{
    DecodedLogs decoded;
    // One arena for the whole request: its thousands of small messages and strings are
    // allocated and freed in a few blocks rather than one by one.
    google::protobuf::ArenaOptions arenaOptions;
    arenaOptions.start_block_size = 64 * 1024;
    arenaOptions.max_block_size = 4 * 1024 * 1024;
    google::protobuf::Arena arena(arenaOptions);
    auto& request = *google::protobuf::Arena::CreateMessage<otlp::ExportLogsServiceRequest>(&arena);
    if (body.size() > std::numeric_limits<int>::max()
        || !request.ParseFromArray(body.data(), static_cast<int>(body.size()))) {
        decoded.Error = QStringLiteral("the body is not a protobuf ExportLogsServiceRequest");
        return decoded;
    }
    size_t records = 0;
    for (const otlp::ResourceLogs& resourceLogs : request.resource_logs())
        for (const otlp::ScopeLogs& scopeLogs : resourceLogs.scope_logs())
            records += static_cast<size_t>(scopeLogs.log_records_size());
    decoded.Traces.reserve(records);
    for (const otlp::ResourceLogs& resourceLogs : request.resource_logs()) {
        RecordContext resource;
        for (const otlp::KeyValue& attribute : resourceLogs.resource().attributes()) {
            if (attribute.key() == "service.name")
                resource.ClassName = ValueTextOf(attribute.value());
            else if (attribute.key() == "host.name")
                resource.ComputerName = ValueTextOf(attribute.value());
        }
        for (const otlp::ScopeLogs& scopeLogs : resourceLogs.scope_logs()) {
            RecordContext context = resource;
            if (context.ClassName.isEmpty())
                context.ClassName = Text(scopeLogs.scope().name());
            for (const otlp::LogRecord& record : scopeLogs.log_records()) {
                RecordAttributes attributes;
                for (const otlp::KeyValue& attribute : record.attributes())
                    TakeRecordAttribute(attributes, attribute.key(), [&] { return ValueTextOf(attribute.value()); });
                decoded.Traces.push_back(Mapped(
                    context, attributes, ValueTextOf(record.body()), record.severity_number(),
                    RecordUnixNanos(record.time_unix_nano(), record.observed_time_unix_nano(), arrivalUnixNanos)));
            }
        }
    }
    return decoded;
}

DecodedLogs DecodeJsonLogs(QByteArrayView body, uint64_t arrivalUnixNanos)
{
    DecodedLogs decoded;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        decoded.Error = QStringLiteral("the body is not JSON: %1 at offset %2")
                            .arg(parseError.errorString())
                            .arg(parseError.offset);
        return decoded;
    }
    if (!document.isObject()) {
        decoded.Error = QStringLiteral("the body is not a JSON object");
        return decoded;
    }
    try {
        const QJsonObject root = document.object();
        for (const QJsonValue& rl : ArrayOf(Field(root, QLatin1String("resourceLogs"), QLatin1String("resource_logs")),
                                            "resourceLogs")) {
            const QJsonObject resourceLogs = ObjectOf(rl, "resourceLogs");
            RecordContext resource;
            const QJsonObject resourceObject = ObjectOf(resourceLogs.value(QLatin1String("resource")), "resource");
            ForEachJsonAttribute(resourceObject.value(QLatin1String("attributes")), [&](const QString& key, auto textOf) {
                if (key == QLatin1String("service.name"))
                    resource.ClassName = textOf();
                else if (key == QLatin1String("host.name"))
                    resource.ComputerName = textOf();
            });
            for (const QJsonValue& sl : ArrayOf(Field(resourceLogs, QLatin1String("scopeLogs"), QLatin1String("scope_logs")),
                                                "scopeLogs")) {
                const QJsonObject scopeLogs = ObjectOf(sl, "scopeLogs");
                RecordContext context = resource;
                if (context.ClassName.isEmpty())
                    context.ClassName =
                        StringOf(ObjectOf(scopeLogs.value(QLatin1String("scope")), "scope").value(QLatin1String("name")),
                                 "scope.name");
                for (const QJsonValue& lr : ArrayOf(Field(scopeLogs, QLatin1String("logRecords"),
                                                          QLatin1String("log_records")), "logRecords")) {
                    const QJsonObject record = ObjectOf(lr, "logRecords");
                    RecordAttributes attributes;
                    ForEachJsonAttribute(record.value(QLatin1String("attributes")),
                                         [&](const QString& key, auto textOf) { TakeRecordAttribute(attributes, key, textOf); });
                    const auto time = static_cast<uint64_t>(IntegerOf(
                        Field(record, QLatin1String("timeUnixNano"), QLatin1String("time_unix_nano")), "timeUnixNano", true));
                    const auto observed = static_cast<uint64_t>(
                        IntegerOf(Field(record, QLatin1String("observedTimeUnixNano"), QLatin1String("observed_time_unix_nano")),
                                  "observedTimeUnixNano", true));
                    const int64_t severity =
                        SeverityOf(Field(record, QLatin1String("severityNumber"), QLatin1String("severity_number")));
                    decoded.Traces.push_back(Mapped(context, attributes,
                                                    JsonValueText(record.value(QLatin1String("body"))), severity,
                                                    RecordUnixNanos(time, observed, arrivalUnixNanos)));
                }
            }
        }
    } catch (const JsonFault& fault) {
        decoded.Traces.clear();
        decoded.Error = fault.Reason;
    }
    return decoded;
}

DecodedLogs DecodeLogs(OtlpEncoding encoding, QByteArrayView body, uint64_t arrivalUnixNanos)
{
    return encoding == OtlpEncoding::Protobuf ? DecodeProtobufLogs(body, arrivalUnixNanos)
                                              : DecodeJsonLogs(body, arrivalUnixNanos);
}

GunzipStatus Gunzip(QByteArrayView packed, qint64 limit, QByteArray& out)
{
    out.clear();
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return GunzipStatus::Malformed;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    if (packed.size() > std::numeric_limits<uInt>::max()) {
        inflateEnd(&stream);
        return GunzipStatus::TooLarge;
    }
    GunzipStatus status = GunzipStatus::Ok;
    char chunk[64 * 1024];
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        const int result = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = static_cast<qsizetype>(sizeof chunk - stream.avail_out);
        if (out.size() + produced > limit) {
            status = GunzipStatus::TooLarge;
            break;
        }
        out.append(chunk, produced);
        if (result == Z_STREAM_END) {
            if (stream.avail_in == 0)
                break;
            inflateReset(&stream); // another gzip member follows
            continue;
        }
        if (result != Z_OK || (stream.avail_in == 0 && produced == 0)) {
            status = GunzipStatus::Malformed;
            break;
        }
    }
    inflateEnd(&stream);
    if (status != GunzipStatus::Ok)
        out.clear();
    return status;
}

QByteArray SuccessBody(OtlpEncoding encoding, const StoreOutcome& outcome)
{
    if (encoding == OtlpEncoding::Json) {
        if (outcome.Rejected == 0)
            return QByteArrayLiteral("{}");
        QJsonObject partial{{QStringLiteral("rejectedLogRecords"), QString::number(outcome.Rejected)},
                            {QStringLiteral("errorMessage"), outcome.FirstError}};
        return QJsonDocument(QJsonObject{{QStringLiteral("partialSuccess"), partial}}).toJson(QJsonDocument::Compact);
    }
    otlp::ExportLogsServiceResponse response;
    if (outcome.Rejected > 0) {
        response.mutable_partial_success()->set_rejected_log_records(outcome.Rejected);
        response.mutable_partial_success()->set_error_message(outcome.FirstError.toStdString());
    }
    const std::string bytes = response.SerializeAsString();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray StatusBody(OtlpEncoding encoding, int grpcCode, const QString& message)
{
    if (encoding == OtlpEncoding::Json)
        return QJsonDocument(QJsonObject{{QStringLiteral("code"), grpcCode}, {QStringLiteral("message"), message}})
            .toJson(QJsonDocument::Compact);
    otlp::Status status;
    status.set_code(grpcCode);
    status.set_message(message.toStdString());
    const std::string bytes = status.SerializeAsString();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace vireo
