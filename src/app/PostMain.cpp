// vireo-post: posts trace messages to the viewer (on the bus, or to an OTLP/HTTP receiver), for
// scripts and programs in other languages.
#include "app/PostCommand.h"
#include "app/PostOtlp.h"
#include "intake/VireoX_TLB.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

using namespace vireo;

// Calls sent before the oldest reply is awaited: the input is never held up by round trips.
constexpr std::size_t kInFlight = 16;
// A batch holds at most this many messages, or about this many bytes of text: far below the
// bus's limit on one message.
constexpr std::size_t kBatchMessages = 1024;
constexpr std::size_t kBatchBytes = 1 << 20;
// Replies are awaited for as long as they take: while the viewer owns its name it may still take
// the messages, and when it leaves the bus the bus answers for it.
constexpr int kNoTimeout = std::numeric_limits<int>::max();

// Gathers the lines into batches and hands each full one to a sender; keeps the first failure.
class Poster {
public:
    // A poster of messages with the command line's fields and this computer's name.
    explicit Poster(const PostOptions& options) : options_(options), computer_(QSysInfo::machineHostName()) {}
    virtual ~Poster() = default;

    // Adds one line stamped now to the batch being gathered, sending it once it is full; false
    // once a message has failed (none is sent then).
    bool Add(const std::string& text)
    {
        if (!failure_.isEmpty())
            return false;
        batch_.push_back({text, std::chrono::system_clock::now()});
        batchBytes_ += text.size();
        if (batch_.size() >= kBatchMessages || batchBytes_ >= kBatchBytes)
            Send();
        return failure_.isEmpty();
    }

    // Sends the gathered lines; false once a message has failed.
    bool Send()
    {
        if (batch_.empty() || !failure_.isEmpty())
            return failure_.isEmpty();
        SendBatch(batch_, sent_ + 1);
        sent_ += static_cast<long>(batch_.size());
        batch_.clear();
        batchBytes_ = 0;
        return failure_.isEmpty();
    }

    // Sends what is gathered and waits for every reply; true when every message was taken.
    bool Finish()
    {
        Send();
        WaitForAll();
        return failure_.isEmpty();
    }

    // Why a message was not taken; empty when none failed.
    const QString& Failure() const { return failure_; }

protected:
    // Sends one batch whose first message is number first (from 1).
    virtual void SendBatch(const std::vector<PostedLine>& batch, long first) = 0;
    // Waits for the reply to everything sent.
    virtual void WaitForAll() = 0;
    // Keeps the first failure: what was not taken (messages first to first + count - 1) and why.
    void Fail(long first, long count, const QString& reason)
    {
        if (!failure_.isEmpty())
            return;
        failure_ = count == 1 ? QStringLiteral("message %1 was not taken").arg(first)
                              : QStringLiteral("messages %1 to %2 were not all taken").arg(first).arg(first + count - 1);
        failure_ += QStringLiteral(": ") + reason;
    }

    const PostOptions& options_;
    const QString computer_;

private:
    std::vector<PostedLine> batch_;
    std::size_t batchBytes_ = 0;
    long sent_ = 0;
    QString failure_;
};

// Sends the batches over the bus without waiting for each reply.
class BusPoster final : public Poster {
public:
    BusPoster(const QDBusConnection& bus, const PostOptions& options) : Poster(options), bus_(bus)
    {
        qDBusRegisterMetaType<TraceArguments>();
        qDBusRegisterMetaType<QList<TraceArguments>>();
    }

private:
    // A call awaiting its reply, and the numbers (from 1) of the messages it carries.
    struct Sent {
        QDBusPendingCall reply;
        long first;
        long count;
    };

    // One message alone goes as AddTrace, more as one AddTraces batch.
    void SendBatch(const std::vector<PostedLine>& batch, long first) override
    {
        QList<TraceArguments> traces;
        for (const PostedLine& line : batch)
            traces.append({QString::fromStdString(options_.ClassName), QString::fromStdString(line.Text),
                           options_.MessageType, QString::fromStdString(options_.MessageGroup), computer_,
                           QString::fromStdString(options_.MessageID), QString::fromStdString(options_.UnitFileName),
                           AutomationDateOf(line.At)});
        const bool alone = traces.size() == 1;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(VireoX::BusName), QString::fromLatin1(VireoX::ObjectPath),
            QString::fromLatin1(VireoX::InterfaceName),
            QString::fromLatin1(alone ? VireoX::AddTraceMethod : VireoX::AddTracesMethod));
        if (alone) {
            const TraceArguments& t = traces.front();
            call << t.ClassName << t.MessageStr << t.MessageType << t.MessageGroup << t.ComputerName << t.MessageID
                 << t.UnitFileName << t.MessageDateTime;
        } else {
            call << QVariant::fromValue(traces);
        }
        inFlight_.push_back({bus_.asyncCall(call, kNoTimeout), first, static_cast<long>(traces.size())});
        while (!inFlight_.empty() && (inFlight_.size() >= kInFlight || inFlight_.front().reply.isFinished()))
            SettleOldest();
    }

    void WaitForAll() override
    {
        while (!inFlight_.empty())
            SettleOldest();
    }

    void SettleOldest()
    {
        const Sent oldest = inFlight_.front();
        inFlight_.pop_front();
        QDBusPendingCall reply = oldest.reply;
        reply.waitForFinished();
        if (!reply.isError())
            return;
        const QDBusError error = reply.error();
        QString reason = QStringLiteral("%1 (%2)").arg(error.message(), error.name());
        if (error.type() == QDBusError::ServiceUnknown)
            reason += QStringLiteral("\nIs the viewer running, or registered by a first start of vireo?");
        Fail(oldest.first, oldest.count, reason);
    }

    QDBusConnection bus_;
    std::deque<Sent> inFlight_;
};

// Sends the batches to an OTLP/HTTP receiver as JSON export requests, one at a time so they
// arrive in order; a receiver asking to wait is waited for, one that cannot be reached ends it.
class OtlpPoster final : public Poster {
public:
    OtlpPoster(QUrl url, const PostOptions& options)
        : Poster(options), url_(std::move(url)), token_(qEnvironmentVariable("VIREO_OTLP_TOKEN").toUtf8())
    {
        network_.setTransferTimeout(0); // a slow receiver that is there is waited for
    }

private:
    void SendBatch(const std::vector<PostedLine>& batch, long first) override
    {
        WaitForAll();
        body_ = OtlpJsonRequest(options_, computer_, batch);
        first_ = first;
        count_ = static_cast<long>(batch.size());
        Post();
    }

    void Post()
    {
        QNetworkRequest request(url_);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        if (!token_.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token_);
        reply_.reset(network_.post(request, body_));
    }

    // Waits for the request in flight, sending it again while the receiver asks to wait.
    void WaitForAll() override
    {
        while (reply_) {
            if (!reply_->isFinished()) {
                QEventLoop loop;
                QObject::connect(reply_.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
                loop.exec();
            }
            Settle();
        }
    }

    void Settle()
    {
        const std::unique_ptr<QNetworkReply> reply = std::move(reply_);
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            Fail(first_, count_, QStringLiteral("the receiver at %1 cannot be reached: %2")
                                     .arg(url_.toString(), reply->errorString()));
            return;
        }
        switch (OtlpReplyKindOf(status.toInt())) {
        case OtlpReplyKind::Taken:
            if (const auto [rejected, reason] = OtlpRejected(reply->readAll()); rejected > 0)
                Fail(first_, count_, QStringLiteral("%1 refused: %2").arg(rejected).arg(reason));
            return;
        case OtlpReplyKind::RetryLater: {
            const int seconds = std::clamp(reply->rawHeader("Retry-After").toInt(), 1, 60);
            QThread::sleep(static_cast<unsigned long>(seconds));
            Post();
            return;
        }
        case OtlpReplyKind::Refused:
            Fail(first_, count_, QStringLiteral("the receiver answered %1: %2")
                                     .arg(status.toInt())
                                     .arg(QString::fromUtf8(reply->readAll().left(500))));
            return;
        }
    }

    const QUrl url_;
    const QByteArray token_;
    QNetworkAccessManager network_;
    std::unique_ptr<QNetworkReply> reply_; // the request in flight
    QByteArray body_;                      // its body, kept to send again
    long first_ = 0;
    long count_ = 0;
};

// Posts each line of standard input as it arrives, what one read brings in batches; an error
// text when the input cannot be read. Input that is not ready yet (a non-blocking descriptor)
// is waited for, not taken as its end.
std::string PostInput(Poster& poster)
{
    LineSplitter splitter;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!poster.Send())
                return {};
            pollfd input{STDIN_FILENO, POLLIN, 0};
            ::poll(&input, 1, -1);
            continue;
        }
        if (got < 0)
            return std::string("cannot read standard input: ") + std::strerror(errno);
        const auto lines = got == 0 ? splitter.Finish() : splitter.Feed(std::string_view(buffer, got));
        for (const std::string& line : lines)
            if (!poster.Add(line))
                return {};
        if (got == 0 || !poster.Send())
            return {};
    }
}

} // namespace

int main(int argc, char* argv[])
{
    PostOptions options;
    try {
        options = ParsePostArguments(std::vector<std::string>(argv + 1, argv + argc),
                                     QDir::currentPath().toStdString());
    } catch (const PostUsageError& e) {
        std::cerr << "vireo-post: " << e.what() << "\nTry vireo-post --help\n";
        return 2;
    }
    if (options.Help) {
        std::cout << PostHelpText();
        return 0;
    }
    QCoreApplication app(argc, argv);
    std::unique_ptr<Poster> chosen;
    if (!options.OtlpUrl.empty()) {
        const std::optional<QUrl> url = OtlpLogsUrl(options.OtlpUrl);
        if (!url) {
            std::cerr << "vireo-post: --otlp wants an http or https URL such as http://viewer-host:4318, not \""
                      << options.OtlpUrl << "\"\n";
            return 2;
        }
        chosen = std::make_unique<OtlpPoster>(*url, options);
    } else {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            std::cerr << "vireo-post: cannot reach the session bus: " << bus.lastError().message().toStdString()
                      << '\n';
            return 1;
        }
        chosen = std::make_unique<BusPoster>(bus, options);
    }
    Poster& poster = *chosen;
    std::string readError;
    if (options.FromInput)
        readError = PostInput(poster);
    else
        poster.Add(options.Text);
    const bool taken = poster.Finish();
    if (!taken)
        std::cerr << "vireo-post: " << poster.Failure().toStdString() << '\n';
    if (!readError.empty())
        std::cerr << "vireo-post: " << readError << '\n';
    return taken && readError.empty() ? 0 : 1;
}
