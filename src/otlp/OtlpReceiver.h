#pragma once

#include "otlp/OtlpSettings.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class QTcpServer;

namespace vireo {

class ITraceIntake;

// The bounds that keep the receiver answering under any load.
struct OtlpLimits {
    qint64 MaxBodyBytes = 16 << 20;       // a request body, as sent and unpacked; more is answered 413
    int MaxConnections = 4096;            // open connections; more are answered 429 and closed
    qint64 MaxBufferedBytes = 256 << 20;  // bytes of requests still arriving, all connections together; more: 429
    int IdleTimeoutMs = 10000;            // a connection silent this long (a body never sent) is closed
    int RetryAfterSeconds = 1;            // what a 429 asks the sender to wait
};

// What the receiver has done, for the status shown and for tests.
struct OtlpCounters {
    int64_t RecordsStored = 0;   // records the intake took
    int64_t RecordsRejected = 0; // records the intake refused (reported as partial success)
    int64_t Refused = 0;         // requests answered with an error status
};

// The OTLP/HTTP logs receiver: POST /v1/logs in protobuf or JSON, gzip or not, each record mapped
// and handed to the intake on the thread the receiver lives on, before the reply is written.
class OtlpReceiver : public QAbstractHttpServer {
    Q_OBJECT
public:
    // A receiver feeding the intake; it listens once Listen is called.
    explicit OtlpReceiver(ITraceIntake& intake, OtlpLimits limits = {}, QObject* parent = nullptr);
    ~OtlpReceiver() override;

    // Starts listening; a non-empty token is then asked of every request as "Bearer TOKEN".
    // False when the address cannot be bound (ErrorString says why).
    bool Listen(const OtlpEndpoint& endpoint, const QString& token);

    // The port listened on (the one chosen when 0 was asked); 0 before Listen succeeds.
    quint16 Port() const;
    // Why Listen failed.
    QString ErrorString() const { return error_; }
    // What has been done so far.
    const OtlpCounters& Counters() const { return counters_; }

protected:
    // Answers one whole request on /v1/logs (every other path 404); the records are stored first.
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    // Not reached, as handleRequest answers every request; a 404 should Qt call it.
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Shared;
    class GuardedServer;
    class ConnectionGuard;

    ITraceIntake& intake_;
    std::shared_ptr<Shared> shared_;
    GuardedServer* server_ = nullptr;
    QByteArray expectedAuthorization_;
    QString error_;
    OtlpCounters counters_;
};

} // namespace vireo
