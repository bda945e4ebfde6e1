#pragma once

#include "otlp/OtlpMapping.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vireo {

// The two encodings OTLP/HTTP defines for a request body.
enum class OtlpEncoding { Protobuf, Json };

// The encoding a Content-Type names (parameters such as "; charset=utf-8" ignored); none for
// any other type.
std::optional<OtlpEncoding> EncodingOfContentType(QByteArrayView contentType);

// The records of an export request, mapped, or why the body is not one. A body is taken whole
// or not at all: any fault leaves Traces empty.
struct DecodedLogs {
    std::vector<MappedTrace> Traces; // in the order the request holds them
    QString Error;                   // empty when the body was read
};

// Reads a binary protobuf ExportLogsServiceRequest; records without a time are stamped arrival.
DecodedLogs DecodeProtobufLogs(QByteArrayView body, uint64_t arrivalUnixNanos);

// Reads the protocol's JSON form of the request (field names in lowerCamelCase or as declared,
// 64-bit numbers as strings or numbers, severity numbers as numbers or enum names).
DecodedLogs DecodeJsonLogs(QByteArrayView body, uint64_t arrivalUnixNanos);

// Reads a body in the given encoding.
DecodedLogs DecodeLogs(OtlpEncoding encoding, QByteArrayView body, uint64_t arrivalUnixNanos);

// What unpacking a gzip body came to.
enum class GunzipStatus { Ok, Malformed, TooLarge };

// Unpacks a gzip body (several members allowed) into out, stopping as soon as it would exceed
// limit bytes, so a small body cannot blow up into a huge one.
GunzipStatus Gunzip(QByteArrayView packed, qint64 limit, QByteArray& out);

// The body of a 200 reply: an empty response, or a partial success naming the rejected records.
QByteArray SuccessBody(OtlpEncoding encoding, const StoreOutcome& outcome);

// The body of a failed reply: a status with the gRPC code and the reason.
QByteArray StatusBody(OtlpEncoding encoding, int grpcCode, const QString& message);

} // namespace vireo
