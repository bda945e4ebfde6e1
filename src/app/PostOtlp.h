#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

struct PostOptions;

// One line to post, stamped when it was read.
struct PostedLine {
    std::string Text;
    std::chrono::system_clock::time_point At;
};

// The logs endpoint of an OTLP/HTTP receiver given as "http://host:port" (the path /v1/logs is
// added when the URL names none); none for a URL that is not http or https.
std::optional<QUrl> OtlpLogsUrl(const std::string& url);

// The OTLP severity number of a message type: general 5 (DEBUG), information 9, warning 13,
// error 17, so that a receiver mapping severities back gets the same type.
int OtlpSeverityOf(int32_t messageType);

// One OTLP/JSON export request carrying the lines as log records of one resource: the class as
// service.name, this computer as host.name, group, message ID and unit as attributes.
QByteArray OtlpJsonRequest(const PostOptions& options, const QString& computer, const std::vector<PostedLine>& lines);

// What a receiver's reply asks of the sender.
enum class OtlpReplyKind {
    Taken,      // 200: stored (a partial success names the records refused)
    RetryLater, // 429 or 503: the same request again after a pause
    Refused,    // any other status: the request is not taken; nothing more is posted
};

// Reads a reply's HTTP status.
OtlpReplyKind OtlpReplyKindOf(int httpStatus);

// The records a 200 reply's body says were refused, with the reason ("" when none were).
std::pair<int64_t, QString> OtlpRejected(const QByteArray& body);

} // namespace vireo
