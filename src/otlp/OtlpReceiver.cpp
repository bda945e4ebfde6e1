#include "otlp/OtlpReceiver.h"

#include "otlp/OtlpDecode.h"

#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <sys/resource.h>
#include <sys/socket.h>

namespace vireo {

namespace {

// Room for a request's line and headers beyond its body.
constexpr qint64 kHeaderAllowance = 64 * 1024;
// How long a refused connection is drained before it is cut, so the sender reads the reply
// instead of a reset.
constexpr int kDrainMs = 2000;

// gRPC status codes carried in error bodies.
constexpr int kInvalidArgument = 3;
constexpr int kResourceExhausted = 8;
constexpr int kUnimplemented = 12;
constexpr int kUnauthenticated = 16;

uint64_t NowUnixNanos()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count());
}

QByteArray ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 429: return "Too Many Requests";
    }
    return "Error";
}

// A whole reply written straight to a socket, for connections refused before Qt parses them.
QByteArray RawReply(int status, const QByteArray& body, int retryAfterSeconds)
{
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status)
        + "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n";
    if (status == 429)
        reply += "Retry-After: " + QByteArray::number(retryAfterSeconds) + "\r\n";
    return reply + "\r\n" + body;
}

QByteArray HeaderValue(const QHttpServerRequest& request, QByteArrayView name)
{
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value.trimmed();
    return {};
}

// "METHOD TARGET HTTP/1.x": anything else is refused before Qt's parser sees it.
bool IsRequestLine(const QByteArray& line)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty()
        || (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0"))
        return false;
    return std::all_of(parts[0].begin(), parts[0].end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

bool SameSecret(const QByteArray& given, const QByteArray& expected)
{
    unsigned char difference = given.size() == expected.size() ? 0 : 1;
    for (qsizetype i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i] ^ (i < given.size() ? given[i] : 0));
    return difference == 0;
}

} // namespace

// What the listening socket and every connection's guard share with the receiver.
struct OtlpReceiver::Shared {
    OtlpLimits Limits;
    int Connections = 0;        // connections handed to the HTTP server and still open
    qint64 BufferedBytes = 0;   // bytes of requests not yet handled, all connections together
    OtlpCounters* Counters = nullptr;
    QHash<const QTcpSocket*, ConnectionGuard*> Guards; // the guard of each open connection
};

// Watches one connection ahead of Qt's parser: closes it when silent too long, and answers 413
// or 429 and drains it when its request would exceed the limits, before the body is buffered.
class OtlpReceiver::ConnectionGuard : public QObject {
public:
    ConnectionGuard(QTcpSocket* socket, std::shared_ptr<Shared> shared, bool counted)
        : QObject(socket), socket_(socket), shared_(std::move(shared)), counted_(counted)
    {
        if (counted_)
            ++shared_->Connections;
        shared_->Guards.insert(socket_, this);
        idle_.setSingleShot(true);
        connect(&idle_, &QTimer::timeout, this, [this] { Cut(); });
        idle_.start(shared_->Limits.IdleTimeoutMs);
        watch_ = connect(socket_, &QIODevice::readyRead, this, [this] { OnReadyRead(); });
    }
    ~ConnectionGuard() override
    {
        shared_->BufferedBytes -= requestBytes_;
        shared_->Guards.remove(socket_);
        if (counted_)
            --shared_->Connections;
    }

    // The parser has handed over a whole request: the next bytes start another.
    void RequestHandled()
    {
        shared_->BufferedBytes -= requestBytes_;
        requestBytes_ = 0;
        atRequestStart_ = true;
    }

    // Answers with the status and takes the connection from Qt's parser. With drain, what the
    // sender still sends is read and dropped until it stops or the drain time ends, so it reads
    // the reply rather than a reset; without, the connection closes once the reply is out.
    void Refuse(int status, const QString& reason, bool drain = true)
    {
        if (refusing_)
            return;
        refusing_ = true;
        ++shared_->Counters->Refused;
        RequestHandled();
        QObject::disconnect(socket_, &QIODevice::readyRead, nullptr, nullptr);
        connect(socket_, &QIODevice::readyRead, this, [this] { socket_->readAll(); });
        connect(socket_, &QAbstractSocket::disconnected, socket_, &QObject::deleteLater);
        socket_->readAll();
        const int grpcCode = status == 413 || status == 429 ? kResourceExhausted : kInvalidArgument;
        socket_->write(RawReply(status, StatusBody(OtlpEncoding::Json, grpcCode, reason), shared_->Limits.RetryAfterSeconds));
        if (!drain) {
            socket_->disconnectFromHost();
        } else {
            connect(socket_, &QIODevice::bytesWritten, this, [this] { ShutDownWhenSent(); });
            ShutDownWhenSent();
        }
        idle_.start(kDrainMs);
    }

private:
    void OnReadyRead()
    {
        idle_.start(shared_->Limits.IdleTimeoutMs);
        // Qt's parser drops every connection of a socket whose bytes are not HTTP and leaves it
        // open; seen once the bytes are handled, such a sender is answered instead of left waiting.
        QMetaObject::invokeMethod(this, [this] {
            if (!watch_ && !refusing_)
                Refuse(400, QStringLiteral("the request is not valid HTTP/1.1"));
        }, Qt::QueuedConnection);
        const qint64 arrived = socket_->bytesAvailable();
        if (atRequestStart_ && !InspectHead())
            return;
        requestBytes_ += arrived;
        shared_->BufferedBytes += arrived;
        if (requestBytes_ > shared_->Limits.MaxBodyBytes + kHeaderAllowance)
            Refuse(413, QStringLiteral("the request is larger than %1 bytes").arg(shared_->Limits.MaxBodyBytes));
        else if (shared_->BufferedBytes > shared_->Limits.MaxBufferedBytes)
            Refuse(429, QStringLiteral("too many bytes arriving at once; retry later"));
    }

    // Reads the head of a new request once it is whole: a declared length over the limit is
    // refused at once, and a sender waiting for "100 Continue" gets it. False when refused.
    bool InspectHead()
    {
        const QByteArray head = socket_->peek(kHeaderAllowance);
        const qsizetype lineEnd = head.indexOf("\r\n");
        if (lineEnd >= 0 && !IsRequestLine(head.left(lineEnd))) {
            Refuse(400, QStringLiteral("the request is not HTTP/1.1"));
            return false;
        }
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0)
            return true;
        atRequestStart_ = false;
        bool expectContinue = false;
        for (const QByteArray& line : head.left(end).split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length" && value.toLongLong() > shared_->Limits.MaxBodyBytes) {
                Refuse(413, QStringLiteral("the body is larger than %1 bytes").arg(shared_->Limits.MaxBodyBytes));
                return false;
            }
            if (name == "expect" && value.toLower() == "100-continue")
                expectContinue = true;
        }
        if (expectContinue)
            socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
        return true;
    }

    void ShutDownWhenSent()
    {
        if (socket_->bytesToWrite() == 0 && socket_->state() == QAbstractSocket::ConnectedState)
            ::shutdown(static_cast<int>(socket_->socketDescriptor()), SHUT_WR);
    }

    // Ends a connection that went silent or was drained long enough.
    void Cut()
    {
        socket_->abort();
        socket_->deleteLater();
    }

    QTcpSocket* socket_;
    std::shared_ptr<Shared> shared_;
    bool counted_;
    bool refusing_ = false;
    bool atRequestStart_ = true;
    qint64 requestBytes_ = 0;
    QTimer idle_;
    QMetaObject::Connection watch_; // this guard's view of the bytes; gone when the parser gave up
};

// The listening socket: each connection gets its guard before Qt's parser sees it, and one over
// the connection limit is answered 429 without reaching the parser.
class OtlpReceiver::GuardedServer : public QTcpServer {
public:
    GuardedServer(std::shared_ptr<Shared> shared, QObject* parent) : QTcpServer(parent), shared_(std::move(shared))
    {
        // Out of descriptors, Qt stops accepting for good; accepting resumes once some are free.
        connect(this, &QTcpServer::acceptError, this, [this] {
            pauseAccepting();
            QTimer::singleShot(100, this, [this] { resumeAccepting(); });
        });
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (shared_->Connections >= shared_->Limits.MaxConnections) {
            auto* guard = new ConnectionGuard(socket, shared_, false);
            guard->Refuse(429, QStringLiteral("too many connections; retry later"), false);
            return;
        }
        new ConnectionGuard(socket, shared_, true);
        addPendingConnection(socket);
    }

private:
    std::shared_ptr<Shared> shared_;
};

OtlpReceiver::OtlpReceiver(ITraceIntake& intake, OtlpLimits limits, QObject* parent)
    : QAbstractHttpServer(parent), intake_(intake), shared_(std::make_shared<Shared>())
{
    shared_->Limits = limits;
    shared_->Counters = &counters_;
}

OtlpReceiver::~OtlpReceiver() = default;

bool OtlpReceiver::Listen(const OtlpEndpoint& endpoint, const QString& token)
{
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY) {
        // Keep descriptors for everything else the process opens.
        const auto room = static_cast<int>(std::min<rlim_t>(files.rlim_cur, 1 << 20)) - 256;
        shared_->Limits.MaxConnections = std::max(16, std::min(shared_->Limits.MaxConnections, room));
    }
    auto* server = new GuardedServer(shared_, this);
    server->setListenBacklogSize(4096); // bursts of new connections wait in the kernel, not refused
    if (!server->listen(QHostAddress(endpoint.Address), endpoint.Port)) {
        error_ = server->errorString();
        delete server;
        return false;
    }
    server_ = server;
    bind(server);
    expectedAuthorization_ = token.isEmpty() ? QByteArray() : "Bearer " + token.toUtf8();
    return true;
}

quint16 OtlpReceiver::Port() const
{
    return server_ ? server_->serverPort() : 0;
}

bool OtlpReceiver::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    if (ConnectionGuard* guard = shared_->Guards.value(socket))
        guard->RequestHandled();
    const std::optional<OtlpEncoding> encoding = EncodingOfContentType(HeaderValue(request, "Content-Type"));
    const OtlpEncoding replyEncoding = encoding.value_or(OtlpEncoding::Json);
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto reply = [&](int status, const QByteArray& body, const QByteArray& extraName = {},
                           const QByteArray& extraValue = {}) {
        responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
        responder.writeHeader("Content-Type", replyEncoding == OtlpEncoding::Json ? "application/json"
                                                                                  : "application/x-protobuf");
        responder.writeHeader("Content-Length", QByteArray::number(body.size()));
        if (!extraName.isEmpty())
            responder.writeHeader(extraName, extraValue);
        responder.writeBody(body);
        if (status != 200)
            ++counters_.Refused;
    };
    const auto fail = [&](int status, int grpcCode, const QString& reason, const QByteArray& extraName = {},
                          const QByteArray& extraValue = {}) {
        reply(status, StatusBody(replyEncoding, grpcCode, reason), extraName, extraValue);
    };

    if (request.url().path() != QLatin1String("/v1/logs")) {
        fail(404, kUnimplemented, QStringLiteral("only /v1/logs is served"));
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Post) {
        fail(405, kUnimplemented, QStringLiteral("use POST"), "Allow", "POST");
        return true;
    }
    if (!expectedAuthorization_.isEmpty()
        && !SameSecret(HeaderValue(request, "Authorization"), expectedAuthorization_)) {
        fail(401, kUnauthenticated, QStringLiteral("a valid bearer token is required"), "WWW-Authenticate", "Bearer");
        return true;
    }
    if (!encoding) {
        fail(415, kInvalidArgument, QStringLiteral("send application/x-protobuf or application/json"));
        return true;
    }
    QByteArray body = request.body();
    if (body.size() > shared_->Limits.MaxBodyBytes) {
        fail(413, kResourceExhausted, QStringLiteral("the body is larger than %1 bytes").arg(shared_->Limits.MaxBodyBytes));
        return true;
    }
    const QByteArray contentEncoding = HeaderValue(request, "Content-Encoding").toLower();
    if (contentEncoding == "gzip") {
        QByteArray unpacked;
        switch (Gunzip(body, shared_->Limits.MaxBodyBytes, unpacked)) {
        case GunzipStatus::Ok:
            body = std::move(unpacked);
            break;
        case GunzipStatus::TooLarge:
            fail(413, kResourceExhausted,
                 QStringLiteral("the unpacked body is larger than %1 bytes").arg(shared_->Limits.MaxBodyBytes));
            return true;
        case GunzipStatus::Malformed:
            fail(400, kInvalidArgument, QStringLiteral("the body is not valid gzip"));
            return true;
        }
    } else if (!contentEncoding.isEmpty() && contentEncoding != "identity") {
        fail(415, kInvalidArgument, QStringLiteral("only gzip content encoding is accepted"));
        return true;
    }
    const DecodedLogs decoded = DecodeLogs(*encoding, body, NowUnixNanos());
    if (!decoded.Error.isEmpty()) {
        fail(400, kInvalidArgument, decoded.Error);
        return true;
    }
    const StoreOutcome outcome = StoreTraces(decoded.Traces, intake_);
    counters_.RecordsStored += static_cast<int64_t>(decoded.Traces.size()) - outcome.Rejected;
    counters_.RecordsRejected += outcome.Rejected;
    reply(200, SuccessBody(*encoding, outcome));
    return true;
}

void OtlpReceiver::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

} // namespace vireo
