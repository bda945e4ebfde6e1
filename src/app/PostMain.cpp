// vireo-post: posts trace messages to the viewer, for scripts and programs in other languages.
#include "app/PostCommand.h"
#include "intake/VireoX_TLB.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDir>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <deque>
#include <iostream>
#include <limits>
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

// Sends the messages in batches without waiting for each reply, and keeps the first refusal.
class Poster {
public:
    Poster(const QDBusConnection& bus, const PostOptions& options)
        : bus_(bus), options_(options), computer_(QSysInfo::machineHostName())
    {
        qDBusRegisterMetaType<TraceArguments>();
        qDBusRegisterMetaType<QList<TraceArguments>>();
    }

    // Adds one message stamped now to the batch being gathered, sending it once it is full;
    // false once a message has been refused (none is sent then).
    bool Add(const std::string& text)
    {
        if (!failure_.isEmpty())
            return false;
        batch_.append({QString::fromStdString(options_.ClassName), QString::fromStdString(text), options_.MessageType,
                       QString::fromStdString(options_.MessageGroup), computer_,
                       QString::fromStdString(options_.MessageID), QString::fromStdString(options_.UnitFileName),
                       AutomationDateOf(std::chrono::system_clock::now())});
        batchBytes_ += text.size();
        if (batch_.size() >= static_cast<qsizetype>(kBatchMessages) || batchBytes_ >= kBatchBytes)
            Send();
        return failure_.isEmpty();
    }

    // Sends the gathered messages, one alone as AddTrace, more as one AddTraces batch; false once
    // a message has been refused.
    bool Send()
    {
        if (batch_.isEmpty() || !failure_.isEmpty())
            return failure_.isEmpty();
        const bool alone = batch_.size() == 1;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(VireoX::BusName), QString::fromLatin1(VireoX::ObjectPath),
            QString::fromLatin1(VireoX::InterfaceName),
            QString::fromLatin1(alone ? VireoX::AddTraceMethod : VireoX::AddTracesMethod));
        if (alone) {
            const TraceArguments& t = batch_.front();
            call << t.ClassName << t.MessageStr << t.MessageType << t.MessageGroup << t.ComputerName << t.MessageID
                 << t.UnitFileName << t.MessageDateTime;
        } else {
            call << QVariant::fromValue(batch_);
        }
        inFlight_.push_back({bus_.asyncCall(call, kNoTimeout), sent_ + 1, static_cast<long>(batch_.size())});
        sent_ += batch_.size();
        batch_.clear();
        batchBytes_ = 0;
        while (!inFlight_.empty() && (inFlight_.size() >= kInFlight || inFlight_.front().reply.isFinished()))
            SettleOldest();
        return failure_.isEmpty();
    }

    // Sends what is gathered and waits for every reply; true when the viewer took every message.
    bool Finish()
    {
        Send();
        while (!inFlight_.empty())
            SettleOldest();
        return failure_.isEmpty();
    }

    // Why a message was not taken; empty when none failed.
    const QString& Failure() const { return failure_; }

private:
    // A call awaiting its reply, and the numbers (from 1) of the messages it carries.
    struct Sent {
        QDBusPendingCall reply;
        long first;
        long count;
    };

    void SettleOldest()
    {
        const Sent oldest = inFlight_.front();
        inFlight_.pop_front();
        QDBusPendingCall reply = oldest.reply;
        reply.waitForFinished();
        if (!reply.isError() || !failure_.isEmpty())
            return;
        const QDBusError error = reply.error();
        failure_ = oldest.count == 1
            ? QStringLiteral("message %1 was not taken").arg(oldest.first)
            : QStringLiteral("messages %1 to %2 were not all taken").arg(oldest.first).arg(oldest.first + oldest.count - 1);
        failure_ += QStringLiteral(": %1 (%2)").arg(error.message(), error.name());
        if (error.type() == QDBusError::ServiceUnknown)
            failure_ += QStringLiteral("\nIs the viewer running, or registered by a first start of vireo?");
    }

    QDBusConnection bus_;
    const PostOptions& options_;
    const QString computer_;
    QList<TraceArguments> batch_;
    std::size_t batchBytes_ = 0;
    long sent_ = 0;
    std::deque<Sent> inFlight_;
    QString failure_;
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
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "vireo-post: cannot reach the session bus: " << bus.lastError().message().toStdString() << '\n';
        return 1;
    }
    Poster poster(bus, options);
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
